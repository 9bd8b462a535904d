#include "ReportError.h"

#include <oleauto.h>
#include <objbase.h>

#include "com/Bstr.h"
#include "com/ComPtr.h"
#include "com/Module.h"

namespace vexo {

std::string ErrorText(UINT id) {
    char buf[1024] = {};
    int n = ::LoadStringA(com::ModuleHandle(), id, buf, static_cast<int>(sizeof buf));
    if (n <= 0) return "Unknown Error";
    return std::string(buf, static_cast<size_t>(n));
}

HRESULT ReportError(const GUID& clsid, UINT id, const GUID& iid) noexcept {
    const HRESULT hr = ErrorHresult(id);
    try {
        std::string text = ErrorText(id);
        com::ComPtr<ICreateErrorInfo> create;
        if (FAILED(::CreateErrorInfo(create.put())) || !create) return hr;
        create->SetGUID(iid);
        if (!::IsEqualGUID(clsid, GUID_NULL)) {
            LPOLESTR progId = nullptr;
            if (SUCCEEDED(::ProgIDFromCLSID(clsid, &progId)) && progId) {
                create->SetSource(progId);
                ::CoTaskMemFree(progId);
            }
        }
        com::Bstr description = com::Bstr::Attach(com::AnsiToBstr(text));
        create->SetDescription(description.get());
        com::ComPtr<IErrorInfo> info;
        if (SUCCEEDED(create.As(IID_IErrorInfo, info))) ::SetErrorInfo(0, info.get());
    } catch (...) {
    }
    return hr;
}

}  // namespace vexo

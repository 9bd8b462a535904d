#include "GlobalInterfaceTable.h"

namespace vexo::com {

ComPtr<IGlobalInterfaceTable> GlobalInterfaceTable() noexcept {
    ComPtr<IGlobalInterfaceTable> git;
    if (FAILED(::CoCreateInstance(CLSID_StdGlobalInterfaceTable, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_IGlobalInterfaceTable, git.put_void())))
        git.reset();
    return git;
}

HRESULT GitEntry::Register(IUnknown* object, REFIID iid) noexcept {
    Revoke();
    if (!object) return E_POINTER;
    ComPtr<IGlobalInterfaceTable> git = GlobalInterfaceTable();
    if (!git) return E_UNEXPECTED;
    DWORD cookie = 0;
    HRESULT hr = git->RegisterInterfaceInGlobal(object, iid, &cookie);
    if (SUCCEEDED(hr)) cookie_ = cookie;
    return hr;
}

void GitEntry::Revoke() noexcept {
    DWORD cookie = std::exchange(cookie_, 0);
    if (!cookie) return;
    if (ComPtr<IGlobalInterfaceTable> git = GlobalInterfaceTable()) git->RevokeInterfaceFromGlobal(cookie);
}

HRESULT GitEntry::GetFromGlobal(DWORD cookie, REFIID iid, void** out) noexcept {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!cookie) return E_UNEXPECTED;
    ComPtr<IGlobalInterfaceTable> git = GlobalInterfaceTable();
    if (!git) return E_UNEXPECTED;
    return git->GetInterfaceFromGlobal(cookie, iid, out);
}

}  // namespace vexo::com

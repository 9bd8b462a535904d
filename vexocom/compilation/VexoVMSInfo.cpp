#include "compilation/VexoVMSInfo.h"

#include <algorithm>

namespace vexo {

namespace rec = EngineRecords;
namespace vr = EngineRecords::VmsRecord;

STDMETHODIMP VexoVMSInfo::get_NextWritableAddress(LONG* out) {
    if (!out) return E_POINTER;
    *out = rec::ReadI32(header_, vr::NextWritableAddress);
    return S_OK;
}

HRESULT VexoVMSInfo::FromEngineRecord(const uint8_t* record, com::ComPtr<VexoVMSInfo>& out) {
    out.reset();
    if (!record) return E_INVALIDARG;
    com::ComPtr<VexoVMSInfo> info = Make();
    if (!info) return E_OUTOFMEMORY;
    const int32_t count = rec::ReadI32(rec::ConstBytes(record, vr::FirstSession), vr::SessionCount);
    const std::size_t kept = count > 0 ? vr::HeaderWithFirstSession : vr::FirstSession;
    std::copy(record, record + kept, info->header_.begin());
    for (int32_t i = 0; i < count; ++i) {
        com::ComPtr<VexoVMSSession> session =
            VexoVMSSession::Make(record + vr::FirstSession + static_cast<std::size_t>(i) * rec::VmsSession::Size);
        if (!session || FAILED(info->Append(session.get()))) break;
    }
    out = std::move(info);
    return S_OK;
}

}  // namespace vexo

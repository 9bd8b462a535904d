#include "compilation/VexoFSPartitionInfo.h"

#include <algorithm>

#include "compilation/VexoFSSecNo.h"

namespace vexo {

namespace rec = EngineRecords;
namespace pr = EngineRecords::PartitionRecord;

namespace {
HRESULT AnswerNumber(uint64_t value, IVexoFSSecNo** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    com::ComPtr<VexoFSSecNo> number = VexoFSSecNo::FromValue(value);
    if (!number) return E_OUTOFMEMORY;
    *out = number.Detach();
    return S_OK;
}
}  // namespace

VexoFSPartitionInfo::VexoFSPartitionInfo(const uint8_t* record) noexcept {
    if (record) std::copy(record, record + pr::Size, record_.begin());
}

HRESULT VexoFSPartitionInfo::Answer(const uint8_t* record, IVexoFSPartitionInfo** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!record) return E_INVALIDARG;
    com::ComPtr<VexoFSPartitionInfo> info = Make(record);
    if (!info) return E_OUTOFMEMORY;
    *out = info.Detach();
    return S_OK;
}

STDMETHODIMP VexoFSPartitionInfo::get_PartitionNumber(LONG* out) {
    if (!out) return E_POINTER;
    *out = rec::ReadI32(record_, pr::Number);
    return S_OK;
}

STDMETHODIMP VexoFSPartitionInfo::get_PartitionStart(IVexoFSSecNo** out) {
    return AnswerNumber(rec::ReadU64(record_, pr::Start), out);
}

STDMETHODIMP VexoFSPartitionInfo::get_PartitionSize(IVexoFSSecNo** out) {
    return AnswerNumber(rec::ReadU64(record_, pr::Sectors), out);
}

STDMETHODIMP VexoFSPartitionInfo::get_PartitionType(VexoFSTrackType* out) {
    if (!out) return E_POINTER;
    *out = static_cast<VexoFSTrackType>(rec::ReadI32(record_, pr::Type));
    return S_OK;
}

STDMETHODIMP VexoFSPartitionInfo::get_SectorSize(LONG* out) {
    if (!out) return E_POINTER;
    *out = rec::ReadI32(record_, pr::SectorSize);
    return S_OK;
}

}  // namespace vexo

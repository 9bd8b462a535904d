#include "questions/VexoOverburnInfo.h"

#include <algorithm>

namespace vexo {

namespace rec = EngineRecords;
namespace R = questions::OverburnRecord;

VexoOverburnInfo::VexoOverburnInfo(std::span<const uint8_t> record) noexcept {
    std::copy_n(record.begin(), std::min(record.size(), record_.size()), record_.begin());
}

STDMETHODIMP VexoOverburnInfo::get_TotalBlocksOnCD(LONG* pVal) {
    if (!pVal) return E_POINTER;
    *pVal = rec::ReadI32(record_, R::TotalBlocksOnCD);
    return S_OK;
}

STDMETHODIMP VexoOverburnInfo::get_TotalCapacity(LONG* pVal) {
    if (!pVal) return E_POINTER;
    *pVal = rec::ReadI32(record_, R::TotalCapacity);
    return S_OK;
}

}  // namespace vexo

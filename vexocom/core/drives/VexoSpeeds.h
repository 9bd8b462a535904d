// VexoSpeeds: a list of speeds and the base speed they are counted in.
// Its own enumerator (shared cursor), like every collection of the server.
#pragma once

#include <cstdint>
#include <vector>

#include "VexoInterfaces.h"
#include "com/ComPtr.h"
#include "com/DispatchObject.h"
#include "com/EnumCursor.h"

namespace vexo {

class VexoSpeeds final
    : public com::DispatchObject<VexoSpeeds, IVexoSpeeds, com::EnumCursor<VexoSpeeds, com::NextRule::RejectZero>> {
public:
    static inline const IID* const kInterfaceChain[] = {&IID_IVexoIntCollection, &IID_IVexoSpeeds};

    VexoSpeeds(std::vector<int32_t> speeds, uint32_t baseSpeedKBs) noexcept
        : speeds_(std::move(speeds)), base_(baseSpeedKBs) {}

    STDMETHODIMP Item(INT Index, LONG* pVal) override;
    STDMETHODIMP get_Count(LONG* pVal) override;
    STDMETHODIMP get__NewEnum(IUnknown** ppEnum) override;
    STDMETHODIMP get_BaseSpeedKBs(LONG* pVal) override;

    HRESULT ElementAt(LONG index, VARIANT* out);
    LONG ElementCount() const noexcept { return static_cast<LONG>(speeds_.size()); }

private:
    std::vector<int32_t> speeds_;
    uint32_t base_;
};

}  // namespace vexo

// VexoOverburnInfo: the argument of OnOverburn2, a copy of the engine's
// overburn record made in the client's apartment (not creatable).
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "questions/EngineQuestions.h"
#include "VexoInterfaces.h"
#include "com/DispatchObject.h"

namespace vexo {

class VexoOverburnInfo final : public com::DispatchObject<VexoOverburnInfo, IVexoOverburnInfo> {
public:
    static inline const IID* const kInterfaceChain[] = {&IID_IVexoOverburnInfo};
    static const GUID& ErrorClass() noexcept { return CLSID_VexoOverburnInfo; }

    // Copies at most the record's size; a shorter record leaves the rest 0.
    explicit VexoOverburnInfo(std::span<const uint8_t> record) noexcept;

    STDMETHODIMP get_TotalBlocksOnCD(LONG* pVal) override;
    STDMETHODIMP get_TotalCapacity(LONG* pVal) override;

private:
    std::array<uint8_t, questions::OverburnRecord::Size> record_{};
};

}  // namespace vexo

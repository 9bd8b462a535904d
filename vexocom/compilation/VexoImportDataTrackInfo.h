// VexoImportDataTrackInfo: the result details of an import of an existing
// data track. It holds the engine's import result record (structure size,
// then the engine's ANSI volume name) for the import to fill, and an engine
// use for its life, so that the name goes back to a loaded engine with
// VexoFreeMem when the object goes.
#pragma once

#include <array>
#include <cstdint>

#include "EngineRecords.h"
#include "VexoInterfaces.h"
#include "com/DispatchObject.h"
#include "engineobject/EngineState.h"

namespace vexo {

class VexoImportDataTrackInfo final : public com::DispatchObject<VexoImportDataTrackInfo, IVexoImportDataTrackInfo> {
public:
    static inline const IID* const kInterfaceChain[] = {&IID_IVexoImportDataTrackInfo};

    VexoImportDataTrackInfo() noexcept;
    ~VexoImportDataTrackInfo();

    STDMETHODIMP get_VolumeName(BSTR* out) override;

    // The record the import fills.
    uint8_t* Record() noexcept { return record_.data(); }

private:
    engine::Use use_;
    std::array<uint8_t, EngineRecords::ImportResult::Size> record_{};
};

}  // namespace vexo

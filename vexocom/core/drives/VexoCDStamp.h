// VexoCDStamp: holds one engine stamp pointer (null when empty) and an
// engine use. Made empty by the data-track import, which fills it; handed
// back by the client to WaitForDisc, WaitForMedia and the burns. The stamp
// is given back to the engine when the object goes.
#pragma once

#include "engineobject/EngineState.h"
#include "VexoInterfaces.h"
#include "com/ComPtr.h"
#include "com/DispatchObject.h"

namespace vexo {

class VexoCDStamp final : public com::DispatchObject<VexoCDStamp, IVexoCDStamp> {
public:
    static inline const IID* const kInterfaceChain[] = {&IID_IVexoCDStamp};

    VexoCDStamp() = default;
    ~VexoCDStamp();

    void* EngineStamp() const noexcept { return stamp_; }
    // Takes the engine's stamp (the one held before is given back).
    void TakeStamp(void* stamp) noexcept;

private:
    engine::Use use_;
    void* stamp_ = nullptr;
};

}  // namespace vexo

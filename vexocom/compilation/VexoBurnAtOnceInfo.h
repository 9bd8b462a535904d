// VexoBurnAtOnceInfo: where a produced file starts on the disc during a
// burn-at-once (the engine's burn-at-once details of its output stream).
#pragma once

#include "EngineFileSystem.h"
#include "VexoInterfaces.h"
#include "com/DispatchObject.h"
#include "engineobject/EngineState.h"

namespace vexo {

class VexoBurnAtOnceInfo final : public com::DispatchObject<VexoBurnAtOnceInfo, IVexoBurnAtOnceInfo> {
public:
    static inline const IID* const kInterfaceChain[] = {&IID_IVexoBurnAtOnceInfo};

    explicit VexoBurnAtOnceInfo(EngineBinding::FsBurnAtOnceInfo info) noexcept : info_(std::move(info)) {}

    STDMETHODIMP get_Offset(LONG* out) override {
        if (!out) return E_POINTER;
        if (!info_) return E_POINTER;
        *out = info_.Offset();
        return S_OK;
    }

    static const GUID& ErrorClass() noexcept { return CLSID_VexoBurnAtOnceInfo; }

private:
    engine::Use use_;  // first in, last out
    EngineBinding::FsBurnAtOnceInfo info_;
};

}  // namespace vexo

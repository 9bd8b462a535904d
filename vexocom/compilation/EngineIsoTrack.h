// EngineIsoTrack: the engine's ISO track handle built from a VexoISOTrack
// just before a burn, estimate or video burn calls the engine, and freed
// with VexoFreeIsoTrack when the owner goes (after that engine call).
//
// Without a VexoISOTrack no handle is made and the build succeeds; a track
// without a root folder, or one the engine refuses, is a failed build.
#pragma once

#include "compilation/VexoISOTrack.h"

namespace vexo {

class EngineIsoTrack {
public:
    EngineIsoTrack() noexcept = default;
    EngineIsoTrack(const EngineIsoTrack&) = delete;
    EngineIsoTrack& operator=(const EngineIsoTrack&) = delete;
    ~EngineIsoTrack();

    // Links the track's trees and asks the engine for the handle.
    bool Build(VexoISOTrack* track);
    void* get() const noexcept { return handle_; }

private:
    void* handle_ = nullptr;
};

}  // namespace vexo

#include "compilation/EngineIsoTrack.h"

#include <memory>
#include <new>

#include "EngineBinding.h"
#include "compilation/IsoTrackArguments.h"

namespace vexo {

EngineIsoTrack::~EngineIsoTrack() {
    if (handle_) EngineBinding::VexoFreeIsoTrack(handle_);
}

bool EngineIsoTrack::Build(VexoISOTrack* track) {
    if (!track) return true;
    std::unique_ptr<IsoTrackArguments> arguments(new (std::nothrow) IsoTrackArguments);
    if (!arguments || !arguments->Fill(*track)) return false;
    // The arguments and their texts live until the engine has made the track.
    handle_ = EngineBinding::VexoCreateIsoTrackEx(nullptr, arguments->Record(),
                                                  EngineRecords::IsoTrackArguments::kFlagsArgumentsRecord);
    return handle_ != nullptr;
}

}  // namespace vexo

#include "drives/VexoCDStamp.h"

#include "EngineBinding.h"

namespace vexo {

VexoCDStamp::~VexoCDStamp() { TakeStamp(nullptr); }

void VexoCDStamp::TakeStamp(void* stamp) noexcept {
    if (stamp_ && stamp_ != stamp) EngineBinding::VexoFreeCDStamp(stamp_);
    stamp_ = stamp;
}

}  // namespace vexo

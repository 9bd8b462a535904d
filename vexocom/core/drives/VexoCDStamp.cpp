#include "drives/VexoCDStamp.h"

#include "EngineBinding.h"

namespace vexo {

namespace {
// Asked of an IVexoCDStamp to find the object behind it; answered only by
// this class, with its own default interface.
// {6B1C7F52-9A43-4D1E-B8B0-2F6E5C3D9A17}
const IID kIidVexoCDStampSelf = {0x6b1c7f52, 0x9a43, 0x4d1e, {0xb8, 0xb0, 0x2f, 0x6e, 0x5c, 0x3d, 0x9a, 0x17}};
}  // namespace

VexoCDStamp::~VexoCDStamp() { TakeStamp(nullptr); }

void VexoCDStamp::TakeStamp(void* stamp) noexcept {
    if (stamp_ && stamp_ != stamp) EngineBinding::VexoFreeCDStamp(stamp_);
    stamp_ = stamp;
}

IUnknown* VexoCDStamp::QueryExtra(REFIID iid) noexcept {
    return ::IsEqualGUID(iid, kIidVexoCDStampSelf) ? static_cast<IVexoCDStamp*>(this) : nullptr;
}

com::ComPtr<VexoCDStamp> VexoCDStamp::FromInterface(IUnknown* stamp) noexcept {
    if (!stamp) return {};
    IVexoCDStamp* self = nullptr;
    if (FAILED(stamp->QueryInterface(kIidVexoCDStampSelf, reinterpret_cast<void**>(&self))) || !self) return {};
    return com::ComPtr<VexoCDStamp>::Attach(static_cast<VexoCDStamp*>(self));
}

}  // namespace vexo

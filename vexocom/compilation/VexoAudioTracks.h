// VexoAudioTracks: the tracks of an audio disc, in burn order (at most 99, message 528).
#pragma once

#include "VexoInterfaces.h"
#include "com/DispatchObject.h"
#include "com/ObjectCollection.h"
#include "compilation/Limits.h"
#include "compilation/VexoAudioTrack.h"

namespace vexo {

class VexoAudioTracks final
    : public com::DispatchObject<VexoAudioTracks, IVexoAudioTracks,
                                 com::ObjectCollection<VexoAudioTracks, IVexoAudioTrack, VexoAudioTrack, limits::kAudioTracks>> {
public:
    static inline const IID* const kInterfaceChain[] = {&IID_IVexoAudioTracks};
    using ObjectCollection::IsLocked;

    STDMETHODIMP Item(INT index, IVexoAudioTrack** out) override { return ItemAt(index, out); }
    STDMETHODIMP Add(IVexoAudioTrack* item) override { return Append(item); }
    STDMETHODIMP get_Count(LONG* out) override { return CountOf(out); }
    STDMETHODIMP Remove(INT index) override { return RemoveAt(index); }
    STDMETHODIMP get__NewEnum(IUnknown** out) override { return NewEnum(out); }

    static const GUID& ErrorClass() noexcept { return CLSID_VexoAudioTracks; }
};

}  // namespace vexo

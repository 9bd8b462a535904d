// VexoFreestyleTracks: the tracks of a freestyle disc, in burn order (at most 99, message 532).
#pragma once

#include "VexoInterfaces.h"
#include "com/DispatchObject.h"
#include "com/ObjectCollection.h"
#include "compilation/Limits.h"
#include "compilation/VexoFreestyleTrack.h"

namespace vexo {

class VexoFreestyleTracks final
    : public com::DispatchObject<VexoFreestyleTracks, IVexoFreestyleTracks,
                                 com::ObjectCollection<VexoFreestyleTracks, IVexoFreestyleTrack, VexoFreestyleTrack, limits::kFreestyleTracks>> {
public:
    static inline const IID* const kInterfaceChain[] = {&IID_IVexoFreestyleTracks};
    using ObjectCollection::IsLocked;

    STDMETHODIMP Item(INT index, IVexoFreestyleTrack** out) override { return ItemAt(index, out); }
    STDMETHODIMP Add(IVexoFreestyleTrack* item) override { return Append(item); }
    STDMETHODIMP get_Count(LONG* out) override { return CountOf(out); }
    STDMETHODIMP Remove(INT index) override { return RemoveAt(index); }
    STDMETHODIMP get__NewEnum(IUnknown** out) override { return NewEnum(out); }

    static const GUID& ErrorClass() noexcept { return CLSID_VexoFreestyleTracks; }
};

}  // namespace vexo

// VexoRelativeIndexBlkPositions: the relative index block positions of one
// audio or freestyle track, as plain 32-bit values in order (at most 98,
// message 527). Made by the track on first read of its property and kept by
// it; never locked, so a client may change it even while a burn runs (the
// burn has copied the values into its record by then).
#pragma once

#include "VexoInterfaces.h"
#include "com/DispatchObject.h"
#include "com/ObjectCollection.h"
#include "compilation/Limits.h"

namespace vexo {

class VexoRelativeIndexBlkPositions final
    : public com::DispatchObject<VexoRelativeIndexBlkPositions, IVexoRelativeIndexBlkPositions,
                                 com::IntCollection<VexoRelativeIndexBlkPositions, limits::kIndexPositions>> {
public:
    static inline const IID* const kInterfaceChain[] = {&IID_IVexoRelativeIndexBlkPositions};

    STDMETHODIMP Item(INT index, LONG* out) override { return ItemAt(index, out); }
    STDMETHODIMP Add(LONG value) override { return Append(value); }
    STDMETHODIMP get_Count(LONG* out) override { return CountOf(out); }
    STDMETHODIMP Remove(INT index) override { return RemoveAt(index); }
    STDMETHODIMP get__NewEnum(IUnknown** out) override { return NewEnum(out); }

    static const GUID& ErrorClass() noexcept { return CLSID_VexoRelativeIndexBlkPositions; }
};

}  // namespace vexo

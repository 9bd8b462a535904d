// VexoVideoItems: the entries of a video disc, in burn order (at most 99, message 522).
#pragma once

#include "VexoInterfaces.h"
#include "com/DispatchObject.h"
#include "com/ObjectCollection.h"
#include "compilation/Limits.h"
#include "compilation/VexoVideoItem.h"

namespace vexo {

class VexoVideoItems final
    : public com::DispatchObject<VexoVideoItems, IVexoVideoItems,
                                 com::ObjectCollection<VexoVideoItems, IVexoVideoItem, VexoVideoItem, limits::kVideoItems>> {
public:
    static inline const IID* const kInterfaceChain[] = {&IID_IVexoVideoItems};
    using ObjectCollection::IsLocked;

    STDMETHODIMP Item(INT index, IVexoVideoItem** out) override { return ItemAt(index, out); }
    STDMETHODIMP Add(IVexoVideoItem* item) override { return Append(item); }
    STDMETHODIMP get_Count(LONG* out) override { return CountOf(out); }
    STDMETHODIMP Remove(INT index) override { return RemoveAt(index); }
    STDMETHODIMP get__NewEnum(IUnknown** out) override { return NewEnum(out); }

    static const GUID& ErrorClass() noexcept { return CLSID_VexoVideoItems; }
};

}  // namespace vexo

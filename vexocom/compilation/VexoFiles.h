// VexoFiles: the files of one folder, in order (no limit). Made by the
// folder on first read of its Files property and kept by it.
#pragma once

#include "VexoInterfaces.h"
#include "com/DispatchObject.h"
#include "com/ObjectCollection.h"
#include "compilation/Limits.h"
#include "compilation/VexoFile.h"

namespace vexo {

class VexoFiles final
    : public com::DispatchObject<VexoFiles, IVexoFiles,
                                 com::ObjectCollection<VexoFiles, IVexoFile, VexoFile, limits::kFiles>> {
public:
    static inline const IID* const kInterfaceChain[] = {&IID_IVexoFiles};
    using ObjectCollection::IsLocked;

    STDMETHODIMP Item(INT index, IVexoFile** out) override { return ItemAt(index, out); }
    STDMETHODIMP Add(IVexoFile* file) override { return Append(file); }
    STDMETHODIMP get_Count(LONG* out) override { return CountOf(out); }
    STDMETHODIMP Remove(INT index) override { return RemoveAt(index); }
    STDMETHODIMP get__NewEnum(IUnknown** out) override { return NewEnum(out); }
};

}  // namespace vexo

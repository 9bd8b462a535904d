// VexoFolders: the subfolders of one folder, in order (no limit). Made by
// the folder on first read of its Folders property and kept by it; it knows
// its folder (until that folder goes) so that a folder is never added into
// its own subtree, which would make linking and locking endless.
#pragma once

#include "VexoInterfaces.h"
#include "com/DispatchObject.h"
#include "com/ObjectCollection.h"
#include "compilation/Limits.h"
#include "compilation/VexoFolder.h"

namespace vexo {

class VexoFolders final
    : public com::DispatchObject<VexoFolders, IVexoFolders,
                                 com::ObjectCollection<VexoFolders, IVexoFolder, VexoFolder, limits::kFolders>> {
public:
    static inline const IID* const kInterfaceChain[] = {&IID_IVexoFolders};
    using ObjectCollection::IsLocked;

    explicit VexoFolders(VexoFolder* owner) noexcept : owner_(owner) {}

    STDMETHODIMP Item(INT index, IVexoFolder** out) override { return ItemAt(index, out); }
    STDMETHODIMP Add(IVexoFolder* folder) override { return Append(folder); }
    STDMETHODIMP get_Count(LONG* out) override { return CountOf(out); }
    STDMETHODIMP Remove(INT index) override { return RemoveAt(index); }
    STDMETHODIMP get__NewEnum(IUnknown** out) override { return NewEnum(out); }

    // Refuses (E_INVALIDARG) the owning folder itself and every folder whose
    // subtree holds it.
    HRESULT Accept(VexoFolder* folder);
    // Called by the owning folder when it goes.
    void ForgetOwner() noexcept { owner_ = nullptr; }

private:
    VexoFolder* owner_;  // not referenced: the folder holds this collection
};

}  // namespace vexo

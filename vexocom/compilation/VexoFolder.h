// VexoFolder: one directory of a data track's tree: its name, kept in the
// engine ISO item the object owns (see IsoItemOwner), and its Folders and
// Files collections, made on first read and kept (they hold the subtree).
//
// For the burn the folder also:
// - links its tree into the items: within each directory the subfolders
//   first, then the files, each in collection order; a folder without
//   subfolders or files gets a null first child;
// - locks and unlocks its tree (the folder, its collections and everything
//   in them, recursively); a lock is refused while anything in the tree is
//   locked already, so two operations never share a tree;
// - adopts an engine item tree (an imported track): directory items become
//   folders and the others files. When a step fails the adoption stops:
//   the failing item and the rest of the chain after it go back to the
//   engine, the objects made before keep their items.
//
// Made while no engine can be initialised, the folder has no item: Name put
// answers message 513 (engine not initialised), Name get answers an empty
// text, its collections work, and linking skips the folder with its subtree.
#pragma once

#include "VexoInterfaces.h"
#include "com/ComPtr.h"
#include "com/DispatchObject.h"
#include "com/ObjectCollection.h"
#include "compilation/AdoptionSteps.h"
#include "compilation/IsoItemOwner.h"

namespace vexo {

class VexoFiles;
class VexoFolders;

class VexoFolder final : public com::DispatchObject<VexoFolder, IVexoFolder> {
public:
    static inline const IID* const kInterfaceChain[] = {&IID_IVexoFolder};
    struct WithoutItem {};

    VexoFolder();
    // For adoption: the item is handed over later.
    explicit VexoFolder(WithoutItem) noexcept;
    ~VexoFolder();

    STDMETHODIMP get_Name(BSTR* out) override;
    STDMETHODIMP put_Name(BSTR value) override;
    STDMETHODIMP get_Folders(IVexoFolders** out) override;
    STDMETHODIMP get_Files(IVexoFiles** out) override;

    com::ItemMarks& Marks() noexcept { return marks_; }
    bool IsLocked() const noexcept { return marks_.locked != 0; }
    IsoItemOwner& Item() noexcept { return item_; }

    // The collections, made when missing.
    HRESULT FoldersCollection(com::ComPtr<VexoFolders>& out);
    HRESULT FilesCollection(com::ComPtr<VexoFiles>& out);

    // True when `folder` is this folder or lies in its subtree.
    bool Contains(const VexoFolder* folder) const noexcept;

    // Links the items of the tree; the first item of this directory is then
    // FirstItem() (null for an empty folder or one without an item).
    void LinkTree() noexcept;
    void* FirstItem() const noexcept { return item_.FirstChild(); }

    // True when the folder or anything in its tree is locked.
    bool TreeLocked() const noexcept;
    // Locks the whole tree; false (and nothing changed) when something in it
    // is locked already.
    bool TryLockTree() noexcept;
    void UnlockTree() noexcept;

    // Adopts the engine chain starting at `first` into this folder's
    // collections (see above). The chain is this folder's to keep or give
    // back in every case.
    HRESULT AdoptEngineTree(void* first, const AdoptionSteps& steps = AdoptionSteps::Default());

    static const GUID& ErrorClass() noexcept { return CLSID_VexoFolder; }

private:
    void SetTreeLock(bool on) noexcept;
    HRESULT AdoptItem(void* item, VexoFolders& folders, VexoFiles& files, const AdoptionSteps& steps);

    com::ItemMarks marks_;
    IsoItemOwner item_;
    com::ComPtr<VexoFiles> files_;
    com::ComPtr<VexoFolders> folders_;
};

}  // namespace vexo

#include "compilation/VexoFolder.h"

#include "EngineBinding.h"
#include "com/Bstr.h"
#include "compilation/VexoFile.h"
#include "compilation/VexoFiles.h"
#include "compilation/VexoFolders.h"

namespace vexo {

VexoFolder::VexoFolder() : item_(IsoItemOwner::Kind::Directory) {}

VexoFolder::VexoFolder(WithoutItem) noexcept : item_(IsoItemOwner::Empty{}) {}

VexoFolder::~VexoFolder() {
    if (folders_) folders_->ForgetOwner();
}

STDMETHODIMP VexoFolder::get_Name(BSTR* out) { return item_.GetText(IsoItemOwner::Text::Name, out); }

STDMETHODIMP VexoFolder::put_Name(BSTR value) {
    if (HRESULT hr = RefuseIfLocked(); FAILED(hr)) return hr;
    if (!item_) return Fail(kErrNotInitialized);
    return item_.SetText(IsoItemOwner::Text::Name, value);
}

HRESULT VexoFolder::FoldersCollection(com::ComPtr<VexoFolders>& out) {
    if (!folders_) {
        folders_ = VexoFolders::Make(this);
        if (!folders_) return E_OUTOFMEMORY;
        if (marks_.locked) folders_->TryLock();  // first read during a burn: locked with the folder
    }
    out = folders_;
    return S_OK;
}

HRESULT VexoFolder::FilesCollection(com::ComPtr<VexoFiles>& out) {
    if (!files_) {
        files_ = VexoFiles::Make();
        if (!files_) return E_OUTOFMEMORY;
        if (marks_.locked) files_->TryLock();
    }
    out = files_;
    return S_OK;
}

STDMETHODIMP VexoFolder::get_Folders(IVexoFolders** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    com::ComPtr<VexoFolders> folders;
    if (HRESULT hr = FoldersCollection(folders); FAILED(hr)) return hr;
    *out = folders.Detach();
    return S_OK;
}

STDMETHODIMP VexoFolder::get_Files(IVexoFiles** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    com::ComPtr<VexoFiles> files;
    if (HRESULT hr = FilesCollection(files); FAILED(hr)) return hr;
    *out = files.Detach();
    return S_OK;
}

bool VexoFolder::Contains(const VexoFolder* folder) const noexcept {
    if (folder == this) return true;
    if (!folders_) return false;
    for (const auto& sub : folders_->Elements())
        if (sub->Contains(folder)) return true;
    return false;
}

void VexoFolder::LinkTree() noexcept {
    void* first = nullptr;
    IsoItemOwner* previous = nullptr;
    auto chain = [&](IsoItemOwner& item) {
        item.ClearLinks();
        if (previous)
            previous->SetNext(item.get());
        else
            first = item.get();
        previous = &item;
    };
    if (folders_) {
        for (const auto& sub : folders_->Elements()) {
            if (!sub->item_) continue;
            chain(sub->item_);
            sub->LinkTree();
        }
    }
    if (files_) {
        for (const auto& file : files_->Elements()) {
            if (!file->Item()) continue;
            chain(file->Item());
        }
    }
    item_.SetFirstChild(first);
}

bool VexoFolder::TreeLocked() const noexcept {
    if (marks_.locked) return true;
    if (files_ && files_->AnyLocked()) return true;
    if (folders_) {
        if (folders_->IsLocked()) return true;
        for (const auto& sub : folders_->Elements())
            if (sub->TreeLocked()) return true;
    }
    return false;
}

bool VexoFolder::TryLockTree() noexcept {
    if (TreeLocked()) return false;
    SetTreeLock(true);
    return true;
}

void VexoFolder::UnlockTree() noexcept { SetTreeLock(false); }

void VexoFolder::SetTreeLock(bool on) noexcept {
    marks_.locked = on ? 1 : 0;
    if (files_) {
        if (on)
            files_->TryLock();
        else
            files_->Unlock();
    }
    if (folders_) {
        if (on)
            folders_->TryLock();
        else
            folders_->Unlock();
        for (const auto& sub : folders_->Elements()) sub->SetTreeLock(on);
    }
}

HRESULT VexoFolder::AdoptEngineTree(void* first, const AdoptionSteps& steps) {
    com::ComPtr<VexoFolders> folders;
    com::ComPtr<VexoFiles> files;
    HRESULT hr = FoldersCollection(folders);
    if (SUCCEEDED(hr)) hr = FilesCollection(files);
    if (FAILED(hr)) {
        // Nothing took any of the chain.
        if (first) EngineBinding::VexoFreeIsoItemTree(first);
        return hr;
    }
    for (void* item = first; item;) {
        void* next = IsoItemOwner::NextOf(item);
        IsoItemOwner::SetNextOf(item, nullptr);
        hr = AdoptItem(item, *folders, *files, steps);
        if (FAILED(hr)) {
            if (next) EngineBinding::VexoFreeIsoItemTree(next);
            return hr;
        }
        item = next;
    }
    return S_OK;
}

// One detached item. On failure the item goes back to the engine as well,
// with whatever of its children no object took.
HRESULT VexoFolder::AdoptItem(void* item, VexoFolders& folders, VexoFiles& files, const AdoptionSteps& steps) {
    void* children = IsoItemOwner::FirstChildOf(item);
    auto giveBack = [&](bool withChildren) {
        IsoItemOwner::SetFirstChildOf(item, nullptr);
        if (withChildren && children) EngineBinding::VexoFreeIsoItemTree(children);
        EngineBinding::VexoFreeIsoItem(item);
    };
    if (IsoItemOwner::IsDirectoryItem(item)) {
        com::ComPtr<VexoFolder> folder = steps.MakeFolder();
        HRESULT hr = folder ? folders.Add(folder.get()) : E_OUTOFMEMORY;
        if (FAILED(hr)) {
            giveBack(true);
            return hr;
        }
        if (children) {
            // The recursion takes the children or gives them back itself.
            IsoItemOwner::SetFirstChildOf(item, nullptr);
            hr = folder->AdoptEngineTree(children, steps);
            if (FAILED(hr)) {
                giveBack(false);
                return hr;
            }
        }
        IsoItemOwner::ClearUserData(item);
        IsoItemOwner::SetFirstChildOf(item, nullptr);
        folder->item_.Take(item);
        return S_OK;
    }
    com::ComPtr<VexoFile> file = steps.MakeFile();
    HRESULT hr = file ? files.Add(file.get()) : E_OUTOFMEMORY;
    if (FAILED(hr)) {
        giveBack(true);
        return hr;
    }
    // A file has no children; any the engine put there go back.
    IsoItemOwner::SetFirstChildOf(item, nullptr);
    if (children) EngineBinding::VexoFreeIsoItemTree(children);
    file->Item().Take(item);
    return S_OK;
}

}  // namespace vexo

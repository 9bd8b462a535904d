// VexoDirectoryContainer: a directory of a file-system container. It wraps
// the engine's read-only directory and, when the directory was reached
// through the writable side, the writable directory too; without it the
// adding, removing and look-up members answer E_POINTER.
//
// Item/Count/_NewEnum serve the entries the directory held when it was
// wrapped, each attached to its engine entry (writable where the directory
// is); the list does not follow later changes, a new wrap does.
#pragma once

#include "EngineFileSystem.h"
#include "VexoInterfaces.h"
#include "com/ComPtr.h"
#include "com/DispatchObject.h"
#include "com/ObjectCollection.h"
#include "compilation/VexoDirectoryEntryContainer.h"
#include "compilation/VexoFileSystemDescContainer.h"
#include "engineobject/EngineState.h"

namespace vexo {

class VexoDirectoryContainer final
    : public com::DispatchObject<VexoDirectoryContainer, IVexoDirectoryContainer,
                                 com::ObjectCollection<VexoDirectoryContainer, IVexoDirectoryEntry,
                                                       VexoDirectoryEntryContainer, com::kNoLimit>> {
public:
    static inline const IID* const kInterfaceChain[] = {&IID_IVexoDirectory, &IID_IVexoDirectoryContainer};

    // A writable directory, with its read-only view.
    static HRESULT WrapWritable(VexoFileSystemDescContainer* owner, EngineBinding::FsWritableDirectory writable,
                                com::ComPtr<VexoDirectoryContainer>& out);
    // `writable` may be empty (a read-only directory).
    static HRESULT Wrap(VexoFileSystemDescContainer* owner, EngineBinding::FsWritableDirectory writable,
                        EngineBinding::FsDirectory readOnly, com::ComPtr<VexoDirectoryContainer>& out);

    // IVexoDirectory
    STDMETHODIMP Item(INT index, IVexoDirectoryEntry** out) override { return ItemAt(index, out); }
    STDMETHODIMP get_Count(LONG* out) override { return CountOf(out); }
    STDMETHODIMP get__NewEnum(IUnknown** out) override { return NewEnum(out); }
    // IVexoDirectoryContainer
    STDMETHODIMP AddDirectory(BSTR name, LONG directoryPriority, IVexoDirectoryContainer** out) override;
    STDMETHODIMP AddFile(BSTR name, IVexoFileProducer* producer, INT lengthHigh, INT lengthLow, INT priority,
                         INT directoryPriority, IVexoDirectoryEntryContainer** out) override;
    STDMETHODIMP AddFile2(BSTR name, BSTR sourcePath, INT priority, INT directoryPriority,
                          IVexoDirectoryEntryContainer** out) override;
    STDMETHODIMP RemoveEntry(BSTR name, BOOL* removed) override;
    STDMETHODIMP Entry(BSTR name, IVexoDirectoryEntryContainer** out) override;
    STDMETHODIMP Entry2(INT index, IVexoDirectoryEntryContainer** out) override;
    STDMETHODIMP SubDirectory(BSTR name, IVexoDirectoryContainer** out) override;

    // Changes follow the container's lock; the entry list itself is
    // never changed by clients.
    bool IsLocked() const noexcept { return owner_ && owner_->IsLocked(); }

    static const GUID& ErrorClass() noexcept { return CLSID_VexoDirectoryContainer; }

    VexoDirectoryContainer(com::ComPtr<VexoFileSystemDescContainer> owner, EngineBinding::FsWritableDirectory writable,
                           EngineBinding::FsDirectory readOnly) noexcept;

private:
    // A new directory or entry object around what the engine answered;
    // message 536 when it answered nothing.
    HRESULT ReturnDirectory(EngineBinding::ObjectRef directory, IVexoDirectoryContainer** out);
    HRESULT ReturnEntry(EngineBinding::ObjectRef entry, IVexoDirectoryEntryContainer** out);
    void FillEntries() noexcept;

    engine::Use use_;  // first in, last out
    com::ComPtr<VexoFileSystemDescContainer> owner_;
    EngineBinding::FsWritableDirectory writable_;
    EngineBinding::FsDirectory readOnly_;
};

}  // namespace vexo

// VexoDirectoryEntryContainer: a file or directory entry of a file-system
// container. It wraps the engine's read-only entry and, when reached
// through the writable side, the writable entry; the setters answer
// E_POINTER without it. Sizes travel as a high and a low 32-bit half, the
// low half taken as unsigned.
#pragma once

#include "EngineFileSystem.h"
#include "VexoInterfaces.h"
#include "com/ComPtr.h"
#include "com/DispatchObject.h"
#include "com/ObjectCollection.h"
#include "compilation/VexoFileSystemDescContainer.h"
#include "engineobject/EngineState.h"

namespace vexo {

class VexoDirectoryEntryContainer final
    : public com::DispatchObject<VexoDirectoryEntryContainer, IVexoDirectoryEntryContainer> {
public:
    static inline const IID* const kInterfaceChain[] = {&IID_IVexoDirectoryEntry, &IID_IVexoDirectoryEntryContainer};

    // A writable entry, with its read-only view.
    static com::ComPtr<VexoDirectoryEntryContainer> WrapWritable(VexoFileSystemDescContainer* owner,
                                                                 EngineBinding::FsWritableEntry writable);
    static com::ComPtr<VexoDirectoryEntryContainer> WrapReadOnly(VexoFileSystemDescContainer* owner,
                                                                 EngineBinding::FsEntry entry);

    // IVexoDirectoryEntry
    STDMETHODIMP get_Name(BSTR* out) override;
    STDMETHODIMP get_SubDirectory(IVexoDirectory** out) override;
    STDMETHODIMP get_Content(IVexoFileContent** content, VEXO_ENTRY_ERROR* error) override;
    STDMETHODIMP get_SourceFilePath(BSTR* out) override;
    STDMETHODIMP get_Size(LONG* high, LONG* low) override;
    STDMETHODIMP get_FilePriority(LONG* out) override { return Get(&EngineBinding::FsEntry::FilePriority, out); }
    STDMETHODIMP get_DirOrder(LONG* out) override { return Get(&EngineBinding::FsEntry::DirOrder, out); }
    STDMETHODIMP get_id(LONG* out) override { return Get(&EngineBinding::FsEntry::Id, out); }
    STDMETHODIMP get_DataStartSec(LONG* out) override { return Get(&EngineBinding::FsEntry::DataStartSector, out); }
    // IVexoDirectoryEntryContainer
    STDMETHODIMP put_Size(LONG high, LONG low) override;
    STDMETHODIMP put_Priority(LONG value) override { return Set(Setter::Priority, value); }
    STDMETHODIMP put_DirOrder(LONG value) override { return Set(Setter::DirOrder, value); }
    STDMETHODIMP put_DataStartSec(LONG value) override { return Set(Setter::DataStartSector, value); }
    STDMETHODIMP put_FixedDataStartSec(LONG value) override { return Set(Setter::FixedDataStartSector, value); }
    STDMETHODIMP put_FileNumber(LONG value) override { return Set(Setter::FileNumber, value); }
    STDMETHODIMP put_id(LONG value) override { return Set(Setter::Id, value); }
    STDMETHODIMP put_Flags(VARIANT_BOOL enable, LONG value) override;

    com::ItemMarks& Marks() noexcept { return marks_; }
    bool IsLocked() const noexcept { return owner_ && owner_->IsLocked(); }

    static const GUID& ErrorClass() noexcept { return CLSID_VexoDirectoryEntryContainer; }

    VexoDirectoryEntryContainer(com::ComPtr<VexoFileSystemDescContainer> owner,
                                EngineBinding::FsWritableEntry writable, EngineBinding::FsEntry entry) noexcept;

private:
    using Setter = EngineBinding::FsWritableEntry::Setter;
    HRESULT Get(int32_t (EngineBinding::FsEntry::*getter)() const noexcept, LONG* out) const;
    HRESULT Set(Setter which, LONG value);
    // An engine answer to a setter: 0 is done, anything else a refusal.
    static HRESULT FromEntryError(int32_t error) noexcept { return error == 0 ? S_OK : E_INVALIDARG; }

    engine::Use use_;  // first in, last out
    com::ComPtr<VexoFileSystemDescContainer> owner_;
    EngineBinding::FsWritableEntry writable_;
    EngineBinding::FsEntry entry_;
    com::ItemMarks marks_;
};

}  // namespace vexo

#include "compilation/VexoDirectoryEntryContainer.h"

#include <string>
#include <utility>

#include "EngineObjects.h"
#include "com/Bstr.h"
#include "compilation/VexoDirectoryContainer.h"
#include "compilation/VexoFileContent.h"

namespace vexo {

namespace eb = EngineBinding;
using com::ComPtr;

VexoDirectoryEntryContainer::VexoDirectoryEntryContainer(ComPtr<VexoFileSystemDescContainer> owner,
                                                         eb::FsWritableEntry writable, eb::FsEntry entry) noexcept
    : owner_(std::move(owner)), writable_(std::move(writable)), entry_(std::move(entry)) {}

ComPtr<VexoDirectoryEntryContainer> VexoDirectoryEntryContainer::WrapWritable(VexoFileSystemDescContainer* owner,
                                                                              eb::FsWritableEntry writable) {
    if (!writable) return nullptr;
    eb::FsEntry view(writable.QueryView(EngineObjects::kDirectoryEntryView));
    if (!view) return nullptr;
    return Make(ComPtr<VexoFileSystemDescContainer>(owner), std::move(writable), std::move(view));
}

ComPtr<VexoDirectoryEntryContainer> VexoDirectoryEntryContainer::WrapReadOnly(VexoFileSystemDescContainer* owner,
                                                                              eb::FsEntry entry) {
    if (!entry) return nullptr;
    return Make(ComPtr<VexoFileSystemDescContainer>(owner), eb::FsWritableEntry(), std::move(entry));
}

STDMETHODIMP VexoDirectoryEntryContainer::get_Name(BSTR* out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!entry_) return E_POINTER;
    std::string name;
    if (!entry_.Name(name)) return E_OUTOFMEMORY;
    return com::ReturnAnsi(name.c_str(), out);
}

STDMETHODIMP VexoDirectoryEntryContainer::get_SourceFilePath(BSTR* out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!entry_) return E_POINTER;
    std::string path;
    if (!entry_.SourcePath(path)) return E_OUTOFMEMORY;
    return com::ReturnAnsi(path.c_str(), out);
}

STDMETHODIMP VexoDirectoryEntryContainer::get_SubDirectory(IVexoDirectory** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!entry_) return E_POINTER;
    eb::FsDirectory directory(entry_.SubDirectory());
    if (!directory) return Fail(kErrInternal);
    ComPtr<VexoDirectoryContainer> wrapped;
    if (HRESULT hr = VexoDirectoryContainer::Wrap(owner_.get(), {}, std::move(directory), wrapped); FAILED(hr))
        return hr;
    return wrapped->QueryInterface(IID_IVexoDirectory, reinterpret_cast<void**>(out));
}

STDMETHODIMP VexoDirectoryEntryContainer::get_Content(IVexoFileContent** content, VEXO_ENTRY_ERROR* error) {
    if (!content || !error) return E_POINTER;
    // A content object handed out before through this argument goes first.
    if (IVexoFileContent* previous = *content) {
        *content = nullptr;
        previous->Release();
    }
    *error = VEXO_ENTRY_NO_ERROR;
    if (!entry_) return E_POINTER;
    int32_t entryError = 0;
    eb::FsContent reader(entry_.ReadContent(entryError));
    if (entryError != 0 || !reader) {
        *error = static_cast<VEXO_ENTRY_ERROR>(entryError != 0 ? entryError : VEXO_ENTRY_NOT_AVAILABLE);
        return S_OK;
    }
    ComPtr<VexoFileContent> wrapped = VexoFileContent::Make(std::move(reader));
    if (!wrapped) return E_OUTOFMEMORY;
    *content = wrapped.Detach();
    return S_OK;
}

STDMETHODIMP VexoDirectoryEntryContainer::get_Size(LONG* high, LONG* low) {
    if (!high || !low) return E_POINTER;
    if (!entry_) return E_POINTER;
    const uint64_t size = entry_.Size();
    *high = static_cast<LONG>(static_cast<uint32_t>(size >> 32));
    *low = static_cast<LONG>(static_cast<uint32_t>(size));
    return S_OK;
}

HRESULT VexoDirectoryEntryContainer::Get(int32_t (eb::FsEntry::*getter)() const noexcept, LONG* out) const {
    if (!out) return E_POINTER;
    if (!entry_) return E_POINTER;
    *out = (entry_.*getter)();
    return S_OK;
}

STDMETHODIMP VexoDirectoryEntryContainer::put_Size(LONG high, LONG low) {
    if (HRESULT hr = RefuseIfLocked(); FAILED(hr)) return hr;
    if (!writable_) return E_POINTER;
    const uint64_t size = (static_cast<uint64_t>(static_cast<uint32_t>(high)) << 32) | static_cast<uint32_t>(low);
    return FromEntryError(writable_.SetSize(size));
}

HRESULT VexoDirectoryEntryContainer::Set(Setter which, LONG value) {
    if (HRESULT hr = RefuseIfLocked(); FAILED(hr)) return hr;
    if (!writable_) return E_POINTER;
    return FromEntryError(writable_.Set(which, value));
}

STDMETHODIMP VexoDirectoryEntryContainer::put_Flags(VARIANT_BOOL enable, LONG value) {
    if (HRESULT hr = RefuseIfLocked(); FAILED(hr)) return hr;
    if (!writable_) return E_POINTER;
    return FromEntryError(writable_.SetFlags(enable != VARIANT_FALSE, value));
}

}  // namespace vexo

#include "compilation/VexoDirectoryContainer.h"

#include <string>
#include <utility>

#include "EngineObjects.h"
#include "com/Bstr.h"
#include "compilation/VexoFileProducer.h"

namespace vexo {

namespace eb = EngineBinding;
using com::ComPtr;

namespace {

// A client's text as the engine takes it; false when memory is short.
bool Ansi(BSTR text, std::string& out) noexcept {
    try {
        out = com::BstrToAnsi(text);
        return true;
    } catch (...) {
        return false;
    }
}

}  // namespace

VexoDirectoryContainer::VexoDirectoryContainer(ComPtr<VexoFileSystemDescContainer> owner,
                                               eb::FsWritableDirectory writable, eb::FsDirectory readOnly) noexcept
    : owner_(std::move(owner)), writable_(std::move(writable)), readOnly_(std::move(readOnly)) {}

HRESULT VexoDirectoryContainer::WrapWritable(VexoFileSystemDescContainer* owner, eb::FsWritableDirectory writable,
                                             ComPtr<VexoDirectoryContainer>& out) {
    eb::FsDirectory view(writable.QueryView(EngineObjects::kDirectoryView));
    if (!view) return owner ? owner->Fail(kErrInternal) : E_FAIL;
    return Wrap(owner, std::move(writable), std::move(view), out);
}

HRESULT VexoDirectoryContainer::Wrap(VexoFileSystemDescContainer* owner, eb::FsWritableDirectory writable,
                                     eb::FsDirectory readOnly, ComPtr<VexoDirectoryContainer>& out) {
    out = Make(ComPtr<VexoFileSystemDescContainer>(owner), std::move(writable), std::move(readOnly));
    if (!out) return E_OUTOFMEMORY;
    out->FillEntries();
    return S_OK;
}

void VexoDirectoryContainer::FillEntries() noexcept {
    const int32_t count = readOnly_.EntryCount();
    for (int32_t i = 0; i < count; ++i) {
        ComPtr<VexoDirectoryEntryContainer> entry =
            writable_ ? VexoDirectoryEntryContainer::WrapWritable(owner_.get(), eb::FsWritableEntry(writable_.EntryByIndex(i)))
                      : VexoDirectoryEntryContainer::WrapReadOnly(owner_.get(), eb::FsEntry(readOnly_.EntryByIndex(i)));
        if (!entry || FAILED(Append(entry.get()))) return;
    }
}

HRESULT VexoDirectoryContainer::ReturnDirectory(eb::ObjectRef directory, IVexoDirectoryContainer** out) {
    if (!directory) return Fail(kErrInternal);
    ComPtr<VexoDirectoryContainer> wrapped;
    if (HRESULT hr = WrapWritable(owner_.get(), eb::FsWritableDirectory(std::move(directory)), wrapped); FAILED(hr))
        return hr;
    *out = wrapped.Detach();
    return S_OK;
}

HRESULT VexoDirectoryContainer::ReturnEntry(eb::ObjectRef entry, IVexoDirectoryEntryContainer** out) {
    if (!entry) return Fail(kErrInternal);
    ComPtr<VexoDirectoryEntryContainer> wrapped =
        VexoDirectoryEntryContainer::WrapWritable(owner_.get(), eb::FsWritableEntry(std::move(entry)));
    if (!wrapped) return Fail(kErrInternal);
    *out = wrapped.Detach();
    return S_OK;
}

STDMETHODIMP VexoDirectoryContainer::AddDirectory(BSTR name, LONG directoryPriority, IVexoDirectoryContainer** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (HRESULT hr = RefuseIfLocked(); FAILED(hr)) return hr;
    if (!writable_) return E_POINTER;
    std::string ansi;
    if (!Ansi(name, ansi)) return E_OUTOFMEMORY;
    return ReturnDirectory(writable_.AddDirectory(ansi.c_str(), directoryPriority), out);
}

STDMETHODIMP VexoDirectoryContainer::AddFile(BSTR name, IVexoFileProducer* producer, INT lengthHigh, INT lengthLow,
                                             INT priority, INT directoryPriority, IVexoDirectoryEntryContainer** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!producer) return E_POINTER;
    if (HRESULT hr = RefuseIfLocked(); FAILED(hr)) return hr;
    if (!writable_) return E_POINTER;
    ComPtr<VexoFileProducer> own = com::OwnObject<VexoFileProducer>(producer);
    if (!own) return E_INVALIDARG;
    std::string ansi;
    if (!Ansi(name, ansi)) return E_OUTOFMEMORY;
    // The high half and the low half as unsigned: (0, &HC0000000) is 3 GiB.
    const uint64_t length = (static_cast<uint64_t>(static_cast<uint32_t>(lengthHigh)) << 32) |
                            static_cast<uint32_t>(lengthLow);
    EngineObjects::Object* engineSide = own->LendToEngine();
    return ReturnEntry(writable_.AddProducedFile(ansi.c_str(), engineSide, length, priority, directoryPriority), out);
}

STDMETHODIMP VexoDirectoryContainer::AddFile2(BSTR name, BSTR sourcePath, INT priority, INT directoryPriority,
                                              IVexoDirectoryEntryContainer** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (HRESULT hr = RefuseIfLocked(); FAILED(hr)) return hr;
    if (!writable_) return E_POINTER;
    std::string ansiName, ansiPath;
    if (!Ansi(name, ansiName) || !Ansi(sourcePath, ansiPath)) return E_OUTOFMEMORY;
    return ReturnEntry(writable_.AddFile(ansiName.c_str(), ansiPath.c_str(), priority, directoryPriority), out);
}

STDMETHODIMP VexoDirectoryContainer::RemoveEntry(BSTR name, BOOL* removed) {
    if (!removed) return E_POINTER;
    *removed = 0;
    if (HRESULT hr = RefuseIfLocked(); FAILED(hr)) return hr;
    if (!writable_) return E_POINTER;
    std::string ansi;
    if (!Ansi(name, ansi)) return E_OUTOFMEMORY;
    *removed = writable_.RemoveEntry(ansi.c_str()) ? 1 : 0;
    return S_OK;
}

STDMETHODIMP VexoDirectoryContainer::Entry(BSTR name, IVexoDirectoryEntryContainer** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!writable_) return E_POINTER;
    std::string ansi;
    if (!Ansi(name, ansi)) return E_OUTOFMEMORY;
    return ReturnEntry(writable_.EntryByName(ansi.c_str()), out);
}

STDMETHODIMP VexoDirectoryContainer::Entry2(INT index, IVexoDirectoryEntryContainer** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!writable_) return E_POINTER;
    return ReturnEntry(writable_.EntryByIndex(index), out);
}

STDMETHODIMP VexoDirectoryContainer::SubDirectory(BSTR name, IVexoDirectoryContainer** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!writable_) return E_POINTER;
    std::string ansi;
    if (!Ansi(name, ansi)) return E_OUTOFMEMORY;
    return ReturnDirectory(writable_.SubDirectory(ansi.c_str()), out);
}

}  // namespace vexo

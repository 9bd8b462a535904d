#include "compilation/VexoFile.h"

namespace vexo {

STDMETHODIMP VexoFile::get_Name(BSTR* out) { return item_.GetText(IsoItemOwner::Text::Name, out); }

STDMETHODIMP VexoFile::put_Name(BSTR value) { return PutText(IsoItemOwner::Text::Name, value); }

STDMETHODIMP VexoFile::get_SourceFilePath(BSTR* out) { return item_.GetText(IsoItemOwner::Text::SourcePath, out); }

STDMETHODIMP VexoFile::put_SourceFilePath(BSTR value) { return PutText(IsoItemOwner::Text::SourcePath, value); }

HRESULT VexoFile::PutText(IsoItemOwner::Text which, BSTR value) {
    if (HRESULT hr = RefuseIfLocked(); FAILED(hr)) return hr;
    if (!item_) return Fail(kErrNotInitialized);
    return item_.SetText(which, value);
}

STDMETHODIMP VexoFile::get_EntryTime(DATE* out) { return item_.EntryTime(out); }

STDMETHODIMP VexoFile::put_EntryTime(DATE value) {
    if (HRESULT hr = RefuseIfLocked(); FAILED(hr)) return hr;
    if (!item_) return Fail(kErrNotInitialized);
    return item_.SetEntryTime(value);
}

}  // namespace vexo

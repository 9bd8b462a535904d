#include "compilation/VexoFile.h"

#include "com/Bstr.h"

namespace vexo {

STDMETHODIMP VexoFile::get_Name(BSTR* out) {
    if (!out) return E_POINTER;
    try {
        return com::ReturnAnsi(item_.Name().c_str(), out);
    } catch (...) {
        *out = nullptr;
        return E_OUTOFMEMORY;
    }
}

STDMETHODIMP VexoFile::put_Name(BSTR value) {
    if (HRESULT hr = RefuseIfLocked(); FAILED(hr)) return hr;
    if (!item_) return Fail(kErrNotInitialized);
    try {
        item_.SetName(com::BstrToAnsi(value));
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

STDMETHODIMP VexoFile::get_SourceFilePath(BSTR* out) {
    if (!out) return E_POINTER;
    try {
        return com::ReturnAnsi(item_.SourcePath().c_str(), out);
    } catch (...) {
        *out = nullptr;
        return E_OUTOFMEMORY;
    }
}

STDMETHODIMP VexoFile::put_SourceFilePath(BSTR value) {
    if (HRESULT hr = RefuseIfLocked(); FAILED(hr)) return hr;
    if (!item_) return Fail(kErrNotInitialized);
    try {
        item_.SetSourcePath(com::BstrToAnsi(value));
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

STDMETHODIMP VexoFile::get_EntryTime(DATE* out) { return item_.EntryTime(out); }

STDMETHODIMP VexoFile::put_EntryTime(DATE value) {
    if (HRESULT hr = RefuseIfLocked(); FAILED(hr)) return hr;
    if (!item_) return Fail(kErrNotInitialized);
    return item_.SetEntryTime(value);
}

}  // namespace vexo

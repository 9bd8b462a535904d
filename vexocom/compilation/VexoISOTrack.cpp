#include "compilation/VexoISOTrack.h"

namespace vexo {

STDMETHODIMP VexoISOTrack::get_BurnOptions(VEXO_BURN_OPTIONS* out) {
    if (!out) return E_POINTER;
    *out = static_cast<VEXO_BURN_OPTIONS>(options_);
    return S_OK;
}

STDMETHODIMP VexoISOTrack::put_BurnOptions(VEXO_BURN_OPTIONS value) {
    if (HRESULT hr = RefuseIfLocked(); FAILED(hr)) return hr;
    options_ = static_cast<uint32_t>(value);
    return S_OK;
}

HRESULT VexoISOTrack::GetText(Text which, BSTR* out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    const com::Bstr& text = texts_[which];
    if (!text) return S_OK;
    *out = ::SysAllocStringLen(text.get(), text.length());
    return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT VexoISOTrack::PutText(Text which, BSTR value) {
    if (HRESULT hr = RefuseIfLocked(); FAILED(hr)) return hr;
    com::Bstr copy;
    if (value) {
        copy = com::Bstr::Attach(::SysAllocStringLen(value, ::SysStringLen(value)));
        if (!copy) return E_OUTOFMEMORY;
    }
    texts_[which] = std::move(copy);
    return S_OK;
}

HRESULT VexoISOTrack::GetFolder(com::ComPtr<VexoFolder>& held, IVexoFolder** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!held) {
        held = VexoFolder::Make();
        if (!held) return E_OUTOFMEMORY;
    }
    return held.CopyTo(out);
}

HRESULT VexoISOTrack::PutFolder(com::ComPtr<VexoFolder>& held, IVexoFolder* value) {
    if (HRESULT hr = RefuseIfLocked(); FAILED(hr)) return hr;
    if (!value) return E_POINTER;
    com::ComPtr<VexoFolder> own = com::OwnObject<VexoFolder>(value);
    if (!own) return E_INVALIDARG;
    held = std::move(own);
    return S_OK;
}

std::string VexoISOTrack::AnsiText(Text which) const { return com::BstrToAnsi(texts_[which].get()); }

bool VexoISOTrack::TryLock() noexcept {
    if (locked_) return false;
    if (root_ && !root_->TryLockTree()) return false;
    if (wrapper_ && wrapper_.get() != root_.get() && !wrapper_->TryLockTree()) {
        if (root_) root_->UnlockTree();
        return false;
    }
    locked_ = 1;
    return true;
}

void VexoISOTrack::Unlock() noexcept {
    if (!locked_) return;
    locked_ = 0;
    if (root_) root_->UnlockTree();
    if (wrapper_ && wrapper_.get() != root_.get()) wrapper_->UnlockTree();
}

}  // namespace vexo

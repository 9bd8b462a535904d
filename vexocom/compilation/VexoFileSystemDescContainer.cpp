#include "compilation/VexoFileSystemDescContainer.h"

#include <string>

#include "EngineBinding.h"
#include "com/Bstr.h"
#include "compilation/VexoDirectoryContainer.h"

namespace vexo {

VexoFileSystemDescContainer::VexoFileSystemDescContainer() {
    try {
        engine::EnsureInitialized();
    } catch (...) {
        // Short of memory: the engine may still be there from before.
    }
    container_ = EngineBinding::FsContainer(EngineBinding::VexoCreateFileSystemContainer(nullptr));
}

STDMETHODIMP VexoFileSystemDescContainer::get_Name(BSTR* out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!container_) return E_POINTER;
    std::string name;
    if (!container_.Name(name)) return E_OUTOFMEMORY;
    return com::ReturnAnsi(name.c_str(), out);
}

STDMETHODIMP VexoFileSystemDescContainer::put_Name2(BSTR value) {
    if (HRESULT hr = RefuseIfLocked(); FAILED(hr)) return hr;
    if (!container_) return E_POINTER;
    try {
        return container_.SetName(com::BstrToAnsi(value).c_str()) == 0 ? S_OK : E_INVALIDARG;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

STDMETHODIMP VexoFileSystemDescContainer::get_Root(IVexoDirectory** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!container_) return E_POINTER;
    EngineBinding::FsDirectory root(container_.Root());
    if (!root) return Fail(kErrInternal);
    com::ComPtr<VexoDirectoryContainer> wrapped;
    if (HRESULT hr = VexoDirectoryContainer::Wrap(this, {}, std::move(root), wrapped); FAILED(hr)) return hr;
    return wrapped->QueryInterface(IID_IVexoDirectory, reinterpret_cast<void**>(out));
}

STDMETHODIMP VexoFileSystemDescContainer::get_RootDirectoryContainer(IVexoDirectoryContainer** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!container_) return E_POINTER;
    EngineBinding::FsWritableDirectory root(container_.RootDirectory());
    if (!root) return Fail(kErrInternal);
    com::ComPtr<VexoDirectoryContainer> wrapped;
    if (HRESULT hr = VexoDirectoryContainer::WrapWritable(this, std::move(root), wrapped); FAILED(hr)) return hr;
    *out = wrapped.Detach();
    return S_OK;
}

STDMETHODIMP VexoFileSystemDescContainer::get_BurnOptions(VEXO_BURN_OPTIONS* out) {
    if (!out) return E_POINTER;
    *out = static_cast<VEXO_BURN_OPTIONS>(burnOptions_);
    return S_OK;
}

STDMETHODIMP VexoFileSystemDescContainer::put_BurnOptions(VEXO_BURN_OPTIONS value) {
    if (HRESULT hr = RefuseIfLocked(); FAILED(hr)) return hr;
    burnOptions_ = static_cast<uint32_t>(value);
    return S_OK;
}

}  // namespace vexo

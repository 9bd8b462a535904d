#include "compilation/VexoFileSystemTrackOptions.h"

namespace vexo {

STDMETHODIMP VexoFileSystemTrackOptions::putref_CDStamp(IVexoCDStamp* value) {
    if (!value) {
        stamp_ = nullptr;
        return S_OK;
    }
    com::ComPtr<VexoCDStamp> own = com::OwnObject<VexoCDStamp>(value);
    if (!own) return E_INVALIDARG;
    stamp_ = std::move(own);
    return S_OK;
}

STDMETHODIMP VexoFileSystemTrackOptions::put_MediaType(VEXO_MEDIA_TYPE value) {
    mediaType_ = static_cast<uint32_t>(value);
    return S_OK;
}

STDMETHODIMP VexoFileSystemTrackOptions::put_BurnFlags(VEXO_BURN_FLAGS value) {
    burnFlags_ = static_cast<uint32_t>(value);
    return S_OK;
}

STDMETHODIMP VexoFileSystemTrackOptions::putref_FileSystemDescContainer(IVexoFileSystemDescContainer* value) {
    if (!value) {
        container_ = nullptr;
        return S_OK;
    }
    com::ComPtr<VexoFileSystemDescContainer> own = com::OwnObject<VexoFileSystemDescContainer>(value);
    if (!own) return E_INVALIDARG;
    container_ = std::move(own);
    return S_OK;
}

}  // namespace vexo

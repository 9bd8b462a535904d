// VexoFileSystemTrackOptions: the extra inputs of a track size estimation,
// set by the client (put only) and read by the drive when it estimates:
// the CD stamp (this server's own VexoCDStamp; null clears it), the media
// type, the burn flags and a file-system description container (this
// server's own; null clears it) whose engine container and burn options
// the estimate passes on.
#pragma once

#include "VexoInterfaces.h"
#include "com/ComPtr.h"
#include "com/DispatchObject.h"
#include "compilation/VexoFileSystemDescContainer.h"
#include "drives/VexoCDStamp.h"

namespace vexo {

class VexoFileSystemTrackOptions final
    : public com::DispatchObject<VexoFileSystemTrackOptions, IVexoFileSystemTrackOptions> {
public:
    static inline const IID* const kInterfaceChain[] = {&IID_IVexoFileSystemTrackOptions};

    STDMETHODIMP putref_CDStamp(IVexoCDStamp* value) override;
    STDMETHODIMP put_MediaType(VEXO_MEDIA_TYPE value) override;
    STDMETHODIMP put_BurnFlags(VEXO_BURN_FLAGS value) override;
    STDMETHODIMP putref_FileSystemDescContainer(IVexoFileSystemDescContainer* value) override;

    // For the estimation.
    VexoCDStamp* CDStamp() const noexcept { return stamp_.get(); }
    uint32_t MediaType() const noexcept { return mediaType_; }
    uint32_t BurnFlags() const noexcept { return burnFlags_; }
    VexoFileSystemDescContainer* Container() const noexcept { return container_.get(); }

    static const GUID& ErrorClass() noexcept { return CLSID_VexoFileSystemTrackOptions; }

private:
    com::ComPtr<VexoCDStamp> stamp_;
    uint32_t mediaType_ = 0;
    uint32_t burnFlags_ = 0;
    com::ComPtr<VexoFileSystemDescContainer> container_;
};

}  // namespace vexo

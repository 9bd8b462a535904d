// The drive's burn members that hand compilation objects to the engine:
// audio (with or without a data track), freestyle, file-system and video
// discs, burn-at-once of a container, disc copies, data-track import and
// track size estimates. Each checks its
// arguments, applies the drive's busy rule, marks the objects it takes as
// in use and starts a worker (see AsyncOperation); the worker builds the
// engine record (and the engine's data track), calls the engine, clears
// the marks, and reports through the drive's completion event.
//
// Objects a client passes in must be this server's own (E_INVALIDARG
// otherwise); objects already in use by another operation answer 529.
#pragma once

#include <oaidl.h>

#include "VexoInterfaces.h"

namespace vexo {

class VexoDrive;

namespace burning {

struct DiscTexts {
    BSTR artist = nullptr;
    BSTR title = nullptr;
    VARIANT_BOOL cdExtra = VARIANT_FALSE;
};

struct BurnSettings {
    VEXO_BURN_FLAGS flags{};
    LONG speed = 0;
    VEXO_MEDIA_TYPE mediaType{};
};

HRESULT StartIsoAudioBurn(VexoDrive& drive, const DiscTexts& texts, IVexoISOTrack* isoTrack,
                          IVexoAudioTracks* tracks, IVexoCDStamp* stamp, const BurnSettings& settings);

HRESULT StartFreestyleBurn(VexoDrive& drive, IVexoFileSystemContent* content, const DiscTexts& texts,
                           IVexoISOTrack* isoTrack, IVexoFreestyleTracks* tracks, IVexoCDStamp* stamp,
                           const BurnSettings& settings);

// BurnFileSystemContent: the content object's container in a file-system
// record.
HRESULT StartFileSystemBurn(VexoDrive& drive, IVexoFileSystemContent* content, const BurnSettings& settings);

// BurnAtOnce: the container burnt with VexoBurnAtOnce, the engine pulling
// each file's bytes as it writes (only flags and speed of `settings`).
HRESULT StartBurnAtOnce(VexoDrive& drive, IVexoFileSystemDescContainer* content, BSTR tempDirectory,
                        const BurnSettings& settings);

struct VideoSettings {
    VARIANT_BOOL superVideoCd = VARIANT_FALSE;
    BSTR tempPath = nullptr;
    VEXO_VIDEO_RESOLUTION resolution{};
};
HRESULT StartVideoBurn(VexoDrive& drive, IVexoVideoItems* items, const VideoSettings& video, IVexoISOTrack* isoTrack,
                       const BurnSettings& settings);

struct DiscCopySettings {
    VARIANT_BOOL onTheFly = VARIANT_FALSE;
    BSTR imagePath = nullptr;
    VARIANT_BOOL deleteImage = VARIANT_FALSE;
    LONG readSpeed = 0;
    LONG retries = 0;
    VARIANT_BOOL ignoreDataReadErrors = VARIANT_FALSE;
    VARIANT_BOOL ignoreAudioReadErrors = VARIANT_FALSE;
    VARIANT_BOOL readIsrcAndMcn = VARIANT_FALSE;
    VARIANT_BOOL rawReadMode = VARIANT_FALSE;
};
HRESULT StartDiscCopy(VexoDrive& target, IVexoDrive5* source, const DiscCopySettings& copy,
                      const BurnSettings& settings);

HRESULT StartImport(VexoDrive& drive, LONG trackNumber, VEXO_IMPORT_ISO_TRACK_FLAGS flags);

HRESULT StartEstimate(VexoDrive& drive, IVexoISOTrack* isoTrack, VEXO_ESTIMATE_FLAGS flags,
                      IVexoFileSystemTrackOptions* options);

}  // namespace burning
}  // namespace vexo

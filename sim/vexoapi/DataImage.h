// Data discs as ISO 9660 images: the file tree of an ISO track (the caller's
// engine items) turned into the image library's tree, written to the
// device's image recorder target by a burn, and measured by the size
// estimate. The import of a medium's data track is DataImport.cpp.
#pragma once

#include <cstdint>
#include <string>

#include "Compilations.h"
#include "SimEngine.h"
#include "Tree.h"
#include "Writer.h"

namespace vexosim {

// The engine's texts are ANSI (the process code page); the image's are UTF-8.
std::string Utf8FromAnsi(const std::string& ansi);
// Characters the code page lacks become '?'.
std::string AnsiFromUtf8(const std::string& utf8);

// The size of a source file (an ANSI path); false when it is no readable file.
bool SourceFileSize(const std::string& ansiPath, std::uint64_t& size);
std::wstring WideFromAnsi(const std::string& ansi);

// An image being written under a temporary name: deleted when this goes,
// unless MoveTo put it in place of the target.
class PartialImage {
public:
    explicit PartialImage(std::wstring path) : path_(std::move(path)) {}
    ~PartialImage();
    PartialImage(const PartialImage&) = delete;
    PartialImage& operator=(const PartialImage&) = delete;
    bool MoveTo(const std::wstring& target);

private:
    std::wstring path_;
};

// Burn options of an ISO track.
inline constexpr std::uint32_t kBurnOptionJoliet = 0x1;
inline constexpr std::uint32_t kBurnOptionRockRidge = 0x4;
inline constexpr std::uint32_t kBurnOptionUdf = 0x10;
inline constexpr std::uint32_t kBurnOptionHfs = 0x20;

// The error line for burn options asking for a file system this engine
// does not write (UDF, HFS); empty when there is none.
std::string RefusedFileSystems(std::uint32_t options);

// The result a data burn answers when it writes nothing (VEXO_BURN_FAILED).
inline constexpr std::int32_t kDataBurnFailed = 3;

struct DataTree {
    iso9660::Node root;
    iso9660::WriterOptions options;
    std::uint64_t dataSectors = 0;  // the sectors the files' bytes take
};

// The image tree of an ISO track, with the lock held. Both root chains go
// into the one image root (root chain first, then the wrapper's, unless its
// first item is in the root's tree already). Every
// item must be a live item of this engine, met once (no loops), at most
// kMaxItemDepth levels down; a file needs a readable source file (its size
// is read now; its bytes only when the image is written). False with the
// error line in `why` for a tree that cannot be written.
inline constexpr int kMaxItemDepth = 255;
bool BuildDataTree(SimEngine& e, const IsoTrackContent& track, DataTree& out, std::string& why);

// The image file a burn on the device writes (lock held): the path last
// given to VexoInitImageRecorder for it, else its [Device] Recorder= key; a
// relative path is taken from this DLL's folder; a name that does not end
// in ".iso" (any case) gets ".iso" appended. Empty: the device records no
// image.
std::string DataImageTarget(SimEngine& e, std::int32_t device);

// Called once by VexoBurn, without the lock, when the burn has come through
// its questions, event tracks and progress steps and is to succeed.
// For a compilation of type 0 with a data track, no audio tracks and a
// recorder target it writes the data track's image (under a temporary name,
// renamed when whole). Answers 0 when the image was written or there was
// nothing to write, else the burn's result (kDataBurnFailed) after adding
// an error line.
std::int32_t WriteDataImage(SimEngine& e, void* device, std::int32_t type, const void* record);

}  // namespace vexosim

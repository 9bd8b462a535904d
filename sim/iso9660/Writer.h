// Writing a tree as an ISO 9660 image: a stream of 2048-byte sectors handed
// to a sink. File bytes are streamed from their sources in pieces of at most
// kPieceBytes, so memory use does not depend on file sizes.
#pragma once
#include "Tree.h"
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace iso9660 {

inline constexpr std::uint32_t kSectorBytes = 2048;
inline constexpr std::size_t kPieceBytes = 64 * 1024;

enum class NameLevel {
    Level1, // 8.3 names, directories of 8 characters
    Level2, // names of up to 31 characters (30 plus the separating dot for files)
};

struct WriterOptions {
    // The volume's texts. Each lands in its field of the primary volume
    // descriptor, upper-cased and limited to the characters that field
    // allows (others become '_'), cut at the field's length; with Joliet the
    // supplementary descriptor carries them unchanged as UCS-2.
    std::string volumeName;     // 32 characters (16 in Joliet)
    std::string systemId;       // 32
    std::string volumeSet;      // 128
    std::string publisher;      // 128
    std::string dataPreparer;   // 128
    std::string application;    // 128
    std::string copyrightFile;  // 37
    std::string abstractFile;   // 37
    std::string bibliographicFile; // 37

    bool joliet = true;
    bool rockRidge = true;
    NameLevel level = NameLevel::Level2;

    // The volume's creation and modification time (seconds since 1970 UTC);
    // unset: the time of the call.
    std::optional<std::int64_t> volumeTime;
};

// Receives the image in order, always whole sectors. May throw to stop.
using SectorSink = std::function<void(std::span<const std::uint8_t> sectors)>;

// The number of sectors Write would produce for this tree, without reading
// any source. Throws Error for a tree Write would refuse.
std::uint32_t ImageSectors(const Node& root, const WriterOptions& options);

// Writes the image; returns the number of sectors written (== ImageSectors).
// Refusals (Error::code):
//   BadTree:  the root is not a directory; an empty name, ".", "..", a name
//             with '/', '\\' or NUL, a name that is not UTF-8, a name longer
//             than 255 bytes; two children of a folder with the same name;
//             folders nested deeper than 8 levels (the root is level 1)
//             without Rock Ridge, or deeper than 255 with it.
//   TooLarge: a file of 4 GiB or more (one extent holds at most 4 GiB - 1
//             bytes; multi-extent files are not written), an image of 2^32
//             sectors or more.
//   SourceFailed: a path that cannot be opened or gives fewer or more bytes
//             than the node's size; a producer that throws or stops early.
//   SinkFailed: the sink threw.
//   BadArgument: a volume text that is not UTF-8.
std::uint32_t Write(const Node& root, const WriterOptions& options, const SectorSink& sink);

// Streams one file's bytes from its source to the sink in pieces of at most
// buffer.size() bytes (a multiple of kSectorBytes), the last one padded to a
// whole sector; nothing for an empty file. `path` names the file in errors
// (SourceFailed, SinkFailed as for Write).
void StreamFileBytes(const Node& file, const std::string& path, const SectorSink& sink, std::vector<std::uint8_t>& buffer);

// Writes the image to a file (created or replaced).
std::uint32_t WriteFile(const Node& root, const WriterOptions& options, const std::string& path);

} // namespace iso9660

// Reading an ISO 9660 volume back into a tree: by sector reads from a
// SectorSource, starting at any sector of it (a data track inside a BIN
// file or a larger medium).
#pragma once
#include "SectorSource.h"
#include "Tree.h"
#include <cstdint>
#include <functional>
#include <span>
#include <string>

namespace iso9660 {

enum class NameKind { Iso9660, Joliet, RockRidge };

struct ReadOptions {
    std::uint64_t startSector = 0; // the volume's sector 0 in the source; extents count from it
    bool rockRidge = true;         // use Rock Ridge names when the volume has them
    bool joliet = true;            // else Joliet names when the volume has them
};

struct Volume {
    std::string name;              // the primary descriptor's volume name, trailing spaces removed
    std::string jolietName;        // the Joliet descriptor's, when there is one
    std::string systemId, volumeSet, publisher, dataPreparer, application;
    std::uint32_t sectors = 0;     // the volume space size
    bool hasJoliet = false;
    bool hasRockRidge = false;
    NameKind names = NameKind::Iso9660; // which names the tree carries
    Node root;                     // a directory; ISO names lose their ";1"
};

// Refusals (Error::code Malformed): no volume descriptor set at sector 16,
// descriptors that are not ISO 9660, a block size other than 2048,
// directory or file extents beyond the source's end, directory records whose
// lengths do not fit, directories that loop or are reached twice, trees
// deeper than 255 levels, multi-extent files. Read errors of the source:
// Io.
Volume Read(SectorSource& source, const ReadOptions& options = {});

// Streams a file's bytes (a node the reader gave) to `out`, in pieces of at
// most 64 KiB. Refuses extents beyond the source's end.
void ReadContents(SectorSource& source, const ReadOptions& options, const Node& file,
                  const std::function<void(std::span<const std::uint8_t>)>& out);

} // namespace iso9660

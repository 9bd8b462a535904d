// Where everything of an image goes: the directories of the ISO 9660 and
// Joliet trees with their records, the path tables, the Rock Ridge
// continuation areas and the file extents. The same plan gives the image's
// size (ImageSectors) and its metadata sectors (Write), so both agree.
#pragma once
#include "Writer.h"
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace iso9660::layout {

// Files-first images: the first sector a file may take (after the system
// area and room for the primary, Joliet and terminating descriptors).
inline constexpr std::uint32_t kFilesFirstSector = 16 + 3;

struct FileExtent {
    const Node* node;
    std::string path;        // inside the tree, for messages
    std::uint32_t lba = 0;   // 0 for empty files
    std::uint32_t sectors = 0;
};

struct Dir;

struct Record {
    enum class Kind { Dot, DotDot, Child } kind = Kind::Child;
    std::vector<std::uint8_t> id;   // the identifier as stored
    const Node* node = nullptr;     // what the record describes
    Dir* dir = nullptr;             // folders: their directory in the same tree
    FileExtent* file = nullptr;     // files
    // Rock Ridge: system use entries kept in the record and those moved to
    // a continuation area (reached through a CE entry in the record).
    std::vector<std::uint8_t> suInline, suContinued;
    std::uint32_t ceLba = 0, ceOffset = 0;
    std::uint32_t length = 0;       // the whole record, even
};

struct Dir {
    const Node* node = nullptr;
    Dir* parent = nullptr;
    int depth = 1;                  // the root is 1
    std::uint16_t number = 1;       // in the path table
    std::vector<std::uint8_t> id;   // in the path table ({0} for the root)
    std::vector<Record> records;    // ".", "..", then the children in order
    std::uint32_t lba = 0;
    std::uint32_t bytes = 0;        // whole sectors
};

struct Tree {
    std::vector<std::unique_ptr<Dir>> dirs; // path table order; dirs[0] is the root
    std::uint32_t pathTableBytes = 0;
    std::uint32_t lPathLba = 0, mPathLba = 0;
};

struct Plan {
    WriterOptions options;
    std::int64_t volumeTime = 0;
    Tree iso, joliet;
    std::vector<std::unique_ptr<FileExtent>> files; // in image order
    std::uint32_t metadataSectors = 0;  // everything before the first file extent
    std::uint32_t tailStart = 0;        // files-first plans: where the folders begin
    std::uint32_t totalSectors = 0;
};

// Throws Error for a tree that cannot be written (see Writer.h).
Plan MakePlan(const Node& root, const WriterOptions& options);

// The plan of an image whose files came first (FilesFirst.h): the system
// area and the descriptors, then the file extents where each file node's
// `extent` puts them (between kFilesFirstSector and tailStart), then the
// path tables, folders and continuation areas from tailStart on. Throws
// Error as MakePlan does, and BadArgument for an extent outside that area.
Plan MakeFilesFirstPlan(const Node& root, const WriterOptions& options, std::uint32_t tailStart);

// The image's first plan.metadataSectors sectors.
std::vector<std::uint8_t> Metadata(const Plan& plan);

// Writes the metadata sectors that fall into `out`, which holds the image's
// sectors from `first` on (whole sectors, zero-filled by the caller).
void PutMetadata(const Plan& plan, std::uint32_t first, std::span<std::uint8_t> out);

} // namespace iso9660::layout

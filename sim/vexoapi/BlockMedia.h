// The media block objects read and write: an ISO image (one data partition
// of 2048-byte sectors), a BIN/CUE image (one partition per track, laid out
// over the BIN file), or the synthetic sparse medium whose content follows
// from the sector number and whose writes live in memory.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vexosim {

struct CueSheet;

struct PartitionInfo {
    std::uint32_t number = 1;
    std::uint64_t start = 0;
    std::uint64_t sectors = 0;
    std::uint32_t type = 0;  // 0 data, 1 audio
    std::uint32_t sectorSize = 2048;
    std::uint64_t fileOffset = 0;  // byte offset of the partition's first sector in its file
    std::uint64_t End() const { return start + sectors; }
};

class Medium {
public:
    virtual ~Medium() = default;
    Medium(const Medium&) = delete;
    Medium& operator=(const Medium&) = delete;

    const std::vector<PartitionInfo>& Partitions() const { return partitions_; }
    // The partition holding the sector, or null (before the first or after the last).
    const PartitionInfo* PartitionOf(std::uint64_t sector) const;
    // The sector after the last partition.
    std::uint64_t End() const { return partitions_.empty() ? 0 : partitions_.back().End(); }
    bool Writable() const { return writable_; }

    // count sectors from `sector` on, all inside partition p; false when the
    // file cannot be read or written.
    virtual bool Read(const PartitionInfo& p, std::uint64_t sector, std::uint64_t count, std::uint8_t* out) = 0;
    virtual bool Write(const PartitionInfo& p, std::uint64_t sector, std::uint64_t count, const std::uint8_t* in) = 0;

protected:
    Medium() = default;
    std::vector<PartitionInfo> partitions_;  // in rising order, back to back
    bool writable_ = false;
};

// The written sectors of a synthetic medium. A device's synthetic medium
// keeps one for all its block objects until the next configuration.
struct SectorOverlay {
    std::mutex mutex;
    std::map<std::uint64_t, std::vector<std::uint8_t>> sectors;
};

inline constexpr std::uint32_t kSyntheticSectorSize = 2048;
inline constexpr std::uint64_t kSyntheticMaxSectors = std::uint64_t(1) << 48;

// The sector count of a medium named "synthetic:<sectors>" (1 .. 2^48,
// decimal or 0x hex, letter case ignored), else nullopt.
std::optional<std::uint64_t> SyntheticSectors(std::string_view name);
// A synthetic sector as it reads before any write: the sector number as
// 8 little-endian bytes, repeated 256 times.
void FillSyntheticSector(std::uint64_t sector, std::uint8_t* out);

// Lays the cue sheet's tracks over a BIN file of binBytes: partition i
// starts at its track's INDEX 01 and runs to the next track's; the last
// runs to the end of the file. False when the file cannot hold the tracks.
bool LayOutCueTracks(const CueSheet& sheet, std::uint64_t binBytes, std::vector<PartitionInfo>& out, std::string* error);

// Opens a medium by name: "synthetic:<sectors>" (writes go to `overlay`, a
// fresh one when null), a file ending in .cue (a BIN/CUE image; the BIN
// file is looked for beside the cue sheet unless its name is absolute), or
// any other file (an ISO image). Writable: opened for writing too. Null
// (and *error) when it cannot be opened or understood.
std::unique_ptr<Medium> OpenMedium(const std::string& name, bool writable, std::shared_ptr<SectorOverlay> overlay,
                                   std::string* error);

}  // namespace vexosim

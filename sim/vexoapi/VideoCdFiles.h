// The information and entries files of a Video CD 2.0 (VCD/INFO.VCD,
// VCD/ENTRIES.VCD) and of a Super Video CD (SVCD/INFO.SVD,
// SVCD/ENTRIES.SVD), and the names of the disc's files. Pure byte work.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vexosim {

struct VideoCdLayout {
    bool super = false;   // a Super Video CD
    bool ntsc = false;    // else PAL
    std::string album;    // up to 16 characters
    // The disc address (logical block) of each MPEG sequence's first sector.
    std::vector<std::uint32_t> sequenceStarts;
    // The still pictures (segment play items) and the address of the first.
    std::uint32_t segmentCount = 0;
    std::uint32_t firstSegment = 0;
};

inline constexpr std::size_t kVideoCdFileBytes = 2048;
// A disc's sequences each have a bit of the PAL flags: at most 98.
inline constexpr std::size_t kMaxSequences = 98;
// The segment table holds 1980 entries.
inline constexpr std::size_t kMaxSegments = 1980;

// INFO.VCD / INFO.SVD: identifier, version, album, volume 1 of 1, one PAL
// flag bit per sequence (set for PAL), the first segment's address and one
// content byte per segment (a still of the disc's video standard); no
// playback control.
std::vector<std::uint8_t> VideoCdInfoFile(const VideoCdLayout& layout);

// ENTRIES.VCD / ENTRIES.SVD: one entry point per sequence at its start,
// as the sequence's track number (the data track is track 1) and address,
// in BCD.
std::vector<std::uint8_t> VideoCdEntriesFile(const VideoCdLayout& layout);

struct VideoCdNames {
    const char* folder;     // VCD / SVCD
    const char* info;       // INFO.VCD / INFO.SVD
    const char* entries;    // ENTRIES.VCD / ENTRIES.SVD
    const char* streams;    // MPEGAV / MPEG2
    const char* streamExt;  // DAT / MPG
};
VideoCdNames VideoCdNamesOf(bool super);
// AVSEQnn.DAT / AVSEQnn.MPG of the n-th sequence (from 1).
std::string SequenceFileName(bool super, std::size_t n);
// The still pictures' folder and the n-th one's name (from 1): SEGMENT, ITEMnnnn.MPG.
inline constexpr const char* kSegmentFolder = "SEGMENT";
std::string SegmentFileName(std::size_t n);

}  // namespace vexosim

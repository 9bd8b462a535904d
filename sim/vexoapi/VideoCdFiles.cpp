#include "VideoCdFiles.h"

#include "RawSectors.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace vexosim {
namespace {

void Put16Be(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
    b[at] = static_cast<std::uint8_t>(v >> 8);
    b[at + 1] = static_cast<std::uint8_t>(v);
}

void PutText(std::vector<std::uint8_t>& b, std::size_t at, const std::string& text, std::size_t width) {
    for (std::size_t i = 0; i < width; ++i) b[at + i] = i < text.size() ? static_cast<std::uint8_t>(text[i]) : ' ';
}

// The versions: Video CD 2.0 is version 2, a Super Video CD version 1; both
// of system profile 0.
std::uint8_t Version(bool super) { return super ? 1 : 2; }

}  // namespace

std::vector<std::uint8_t> VideoCdInfoFile(const VideoCdLayout& l) {
    std::vector<std::uint8_t> b(kVideoCdFileBytes, 0);
    std::memcpy(b.data(), l.super ? "SUPERVCD" : "VIDEO_CD", 8);
    b[8] = Version(l.super);
    b[9] = 0;
    PutText(b, 10, l.album, 16);
    Put16Be(b, 26, 1);  // volumes in the set
    Put16Be(b, 28, 1);  // this volume
    if (!l.ntsc)
        for (std::size_t i = 0; i < l.sequenceStarts.size() && i < kMaxSequences; ++i)
            b[30 + i / 8] |= static_cast<std::uint8_t>(1u << (i % 8));
    // 43 status flags 0, 44 size of the playback control 0 (none).
    if (l.segmentCount > 0) SectorAddress(l.firstSegment, &b[48]);
    b[51] = 8;  // offset multiplier of the playback control
    // 52 list of titles: no entries.
    Put16Be(b, 54, l.segmentCount);
    // A still of the disc's standard: video type 1 (NTSC) or 5 (PAL) in bits 2..4.
    const std::uint8_t still = static_cast<std::uint8_t>((l.ntsc ? 1u : 5u) << 2);
    for (std::uint32_t i = 0; i < l.segmentCount && i < kMaxSegments; ++i) b[56 + i] = still;
    return b;
}

std::vector<std::uint8_t> VideoCdEntriesFile(const VideoCdLayout& l) {
    std::vector<std::uint8_t> b(kVideoCdFileBytes, 0);
    std::memcpy(b.data(), l.super ? "ENTRYSVD" : "ENTRYVCD", 8);
    b[8] = Version(l.super);
    b[9] = 0;
    const std::size_t n = std::min(l.sequenceStarts.size(), kMaxSequences);
    Put16Be(b, 10, static_cast<std::uint32_t>(n));
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint32_t track = static_cast<std::uint32_t>(i + 2);
        b[12 + 4 * i] = static_cast<std::uint8_t>((track / 10) << 4 | (track % 10));
        SectorAddress(l.sequenceStarts[i], &b[13 + 4 * i]);
    }
    return b;
}

VideoCdNames VideoCdNamesOf(bool super) {
    if (super) return {"SVCD", "INFO.SVD", "ENTRIES.SVD", "MPEG2", "MPG"};
    return {"VCD", "INFO.VCD", "ENTRIES.VCD", "MPEGAV", "DAT"};
}

std::string SequenceFileName(bool super, std::size_t n) {
    char s[32];
    std::snprintf(s, sizeof s, "AVSEQ%02zu.%s", n, VideoCdNamesOf(super).streamExt);
    return s;
}

std::string SegmentFileName(std::size_t n) {
    char s[32];
    std::snprintf(s, sizeof s, "ITEM%04zu.MPG", n);
    return s;
}

}  // namespace vexosim

// DiscId: the freedb and MusicBrainz identifiers of a disc, computed from
// its table of contents alone, so they are known without a network and
// without reading any audio.
//
// Both count addresses from the start of the lead-in: an LBA plus 150.
//  - freedb: n = sum over the tracks of the digit sum of their start in
//    whole seconds; t = lead-out seconds - first track's seconds;
//    id = (n mod 255) << 24 | t << 8 | number of tracks, written as 8
//    lower-case hex digits.
//  - MusicBrainz: the SHA-1 of the text "%02X" first track, "%02X" last
//    track, "%08X" lead-out, then "%08X" of the start of tracks 1..99 (0
//    for tracks the disc lacks), in base 64 with '+', '/' and '=' written
//    as '.', '_' and '-'.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace DiscId {

constexpr uint32_t LeadIn = 150;

struct Toc {
    int firstTrack = 1;
    std::vector<uint32_t> starts;  // LBA of each track, first track first
    uint32_t leadOut = 0;          // LBA of the lead-out
    int LastTrack() const { return firstTrack + static_cast<int>(starts.size()) - 1; }
};

uint32_t FreedbId(const Toc& toc);
std::string FreedbText(uint32_t id);

// The text whose digest is the MusicBrainz identifier (804 characters).
std::string MusicBrainzText(const Toc& toc);
// A SHA-1 digest in MusicBrainz's base 64 (28 characters).
std::string MusicBrainzBase64(const std::array<uint8_t, 20>& digest);
// The identifier; empty when no SHA-1 could be computed or the TOC is empty.
std::string MusicBrainzId(const Toc& toc);

}  // namespace DiscId

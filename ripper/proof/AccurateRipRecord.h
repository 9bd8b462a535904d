// AccurateRipRecord: a disc's record file from the AccurateRip database, its
// file name, and how a ripped track's checksums compare with it.
//
// Layout (little-endian), one chunk per pressing of the disc, back to back:
//   header, 13 bytes: track count (1 byte), disc id1 (4), disc id2 (4),
//                     freedb disc id (4)
//   then per track, 9 bytes: confidence (1 byte), checksum (4),
//                     checksum of frame 450 (4, used to find a drive's offset)
// The database names the file after the disc:
//   dBAR-NNN-XXXXXXXX-XXXXXXXX-XXXXXXXX.bin
// with the audio track count in three decimal digits and id1, id2 and the
// freedb id in lower-case hexadecimal.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "AccurateRip.h"

namespace AccurateRipRecord {

// The largest record file read (a disc has a few dozen pressings at most).
constexpr std::size_t MaxFileBytes = 1 << 20;

struct TrackEntry {
    uint8_t confidence = 0;
    uint32_t checksum = 0;
    uint32_t frame450Checksum = 0;
};

struct Pressing {
    uint32_t id1 = 0;
    uint32_t id2 = 0;
    uint32_t freedbId = 0;
    std::vector<TrackEntry> tracks;
};

// The identifiers a record must carry to be the disc's.
struct DiscKey {
    int audioTracks = 0;
    AccurateRip::DiscIds ids;
    uint32_t freedbId = 0;
};

// The database's file name of the disc's record.
std::string FileName(const DiscKey& disc);

// Every pressing of a record file. Nothing, with `error` set, when the file
// is empty, a chunk is cut short or a chunk has no tracks.
std::optional<std::vector<Pressing>> Parse(std::span<const uint8_t> bytes, std::string& error);

// How one track compares with the record.
struct TrackMatch {
    enum class Result {
        Accurate,     // v1 or v2 equals the checksum of a pressing of this disc
        NotAccurate,  // the disc's pressings list the track, none with this checksum
        NotPresent,   // no pressing of this disc lists the track
    };
    Result result = Result::NotPresent;
    int version = 0;      // 1 or 2 when accurate (2 when both match)
    int confidence = 0;   // accurate: the highest confidence among the matching pressings;
                          // else the highest confidence listed for the track
    int pressings = 0;    // pressings of this disc that list the track
};

// Compares track `number` (1-based) with the pressings whose header names
// `disc` (pressings of another disc never count).
TrackMatch Match(const std::vector<Pressing>& pressings, const DiscKey& disc, int number, uint32_t v1, uint32_t v2);

// The number of pressings whose header names `disc`.
int PressingsOf(const std::vector<Pressing>& pressings, const DiscKey& disc);

}  // namespace AccurateRipRecord

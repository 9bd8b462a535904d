// RipLog: the text of "Rip log.txt", the record of a rip written beside its
// tracks. Pure: the rip fills a Document, this makes the text.
//
// The layout is fixed so that a program can read it back; lines end in CR LF.
//  - Every field is one line "Label: value" with a fixed label; a value is
//    never empty ("none", "not checked" and the like stand for nothing).
//  - The header fields, in this order: "Program", "Date"
//    (YYYY-MM-DD hh:mm:ss, local time), "Drive", "Read mode" ("secure" or
//    "normal"), "Output format", "Output folder", "Freedb disc ID" (8 hex
//    digits, lower case), "MusicBrainz disc ID", "AccurateRip record" (the
//    record file's name in the database), "AccurateRip verification".
//  - A blank line, the line "Table of contents", then a table of fixed
//    columns, a header line, a rule, and one row per track:
//        Track |    Start |   Length | Start sector | End sector | Type
//    Track right-aligned in 5, Start and Length as mm:ss.ff (75 frames a
//    second, Start counted from the first track's start address) in 8,
//    sectors right-aligned in 12 and 10 (the end sector is the track's last
//    frame), Type "audio" or "data"; columns are separated by " | ". Then the
//    line "Lead-out: N" (its sector).
//  - Per track ripped, a blank line, the line "Track N", then the fields
//    "File", "Test CRC" (secure mode only), "Copy CRC", "AccurateRip v1",
//    "AccurateRip v2" (8 hex digits, upper case), "Re-reads" (further reads
//    of frames whose test and copy reads differed; 0 in normal mode),
//    "Suspicious positions" ("none", or times mm:ss.ff within the track and
//    ranges mm:ss.ff-mm:ss.ff, separated by ", "), "AccurateRip" (the
//    verification of the track) and "Result".
//  - A blank line and the line "Summary: ..." last.
// CRCs are the CRC-32 of the track's PCM as read (no WAV header): the test
// CRC over every block's test read, the copy CRC over the audio written.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace RipLog {

inline constexpr const char* FileName = "Rip log.txt";

// A frame count as mm:ss.ff (minutes at least two digits).
std::string TrackTime(uint32_t frames);

// Frames within a track (any order, repeats allowed) as the "Suspicious
// positions" value: runs of consecutive frames become ranges; "none" when
// empty.
std::string Positions(std::vector<uint32_t> frames);

// 8 hex digits, upper case.
std::string Hex32(uint32_t value);

struct TocRow {
    int number = 0;
    uint32_t start = 0;  // first sector
    uint32_t end = 0;    // sector after the last
    bool data = false;
};

struct Track {
    int number = 0;
    std::string file;                  // the file's name (without its folder)
    std::optional<uint32_t> testCrc;   // secure mode only
    uint32_t copyCrc = 0;
    uint32_t accurateRipV1 = 0;
    uint32_t accurateRipV2 = 0;
    int rereads = 0;
    std::vector<uint32_t> suspicious;  // frames within the track
    std::string accurateRip = "not checked";
    std::string result;
};

struct Document {
    std::string program;
    std::string date;
    std::string drive;
    bool secure = false;
    std::string format;
    std::string folder;
    std::string freedbId;
    std::string musicBrainzId;
    std::string accurateRipRecord;
    std::string verification = "not asked";
    std::vector<TocRow> toc;
    uint32_t leadOut = 0;
    std::vector<Track> tracks;
    std::string summary;
};

std::string Text(const Document& document);

}  // namespace RipLog

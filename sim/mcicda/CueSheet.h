// CUE sheet reading and disc layout for the virtual cdaudio device.
//
// Pure logic, no platform calls: the driver reads the sheet's bytes and the
// sizes of the files it names, and these functions turn them into the disc's
// track table. Anything that does not describe a sensible disc yields no
// disc at all (std::nullopt), never a partial one.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace mcivcd {

inline constexpr uint32_t kFrameBytes = 2352;     // one raw sector
inline constexpr uint32_t kFramesPerSecond = 75;
inline constexpr int kMaxTracks = 99;

struct CueTrack {
    int number = 0;                  // 1..99, consecutive over the sheet
    bool data = false;               // MODE1/2352 or MODE2/2352
    std::optional<uint32_t> index00; // pregap start, frames from the file's start
    std::optional<uint32_t> index01; // track start, frames from the file's start
};

struct CueFile {
    std::string name;                // as written in the sheet (bytes)
    bool bigEndian = false;          // MOTOROLA rather than BINARY
    std::vector<CueTrack> tracks;
};

struct CueSheet {
    std::vector<CueFile> files;
};

// Parses the sheet. Keywords are case-insensitive; lines it has no use for
// (REM, TITLE, PERFORMER, FLAGS, ...) are skipped. Yields nullopt for a sheet
// that names no track, a TRACK before any FILE, an INDEX before any TRACK,
// track numbers that do not run 1, 2, 3, ..., a track without INDEX 01, a
// file without tracks, an unknown file or track type, a file name with a
// folder or a drive in it, a number of more than two digits, a control
// character other than a tab or a line end, or a malformed time.
std::optional<CueSheet> ParseCueSheet(std::string_view text);

// "mm:ss:ff" -> frames; nullopt unless ss < 60 and ff < 75.
std::optional<uint32_t> ParseCueTime(std::string_view text);

struct DiscTrack {
    int number = 0;
    bool data = false;
    uint32_t start = 0;              // LBA; track 1 starts at 0
};

struct Disc {
    std::vector<DiscTrack> tracks;   // at least one, starts strictly rising
    uint32_t leadout = 0;            // LBA after the last track's last frame

    uint32_t TrackLength(size_t i) const {
        const uint32_t end = i + 1 < tracks.size() ? tracks[i + 1].start : leadout;
        return end - tracks[i].start;
    }
    uint32_t Length() const { return leadout - tracks.front().start; }
};

// Places the sheet's tracks on the disc: the files are laid end to end, a
// track starts at its file's offset plus its INDEX 01, and addresses are
// counted so that track 1's INDEX 01 is LBA 0. fileSizes holds the size in
// bytes of each file of the sheet, in order. Yields nullopt when a size is
// not a whole number of frames, an index lies at or beyond its file's end,
// a track would be empty, or a pregap reaches back to the previous track's
// start.
std::optional<Disc> LayOutDisc(const CueSheet& sheet, std::span<const uint64_t> fileSizes);

}  // namespace mcivcd

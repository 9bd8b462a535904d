// The cue sheet of an image the engine records: one BIN file, one track per
// compilation track in its mode (AUDIO, or raw data sectors as MODE1/2352
// or MODE2/2352), a pregap as INDEX 00 before a track's INDEX 01 and the
// track's further index positions as INDEX 02, 03, ... A disc of more than
// one session marks each session's start with "REM SESSION nn". Pure text
// work; AudioImageWriter writes the files.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vexosim {

inline constexpr std::uint32_t kSectorBytes = 2352;
inline constexpr std::uint32_t kFramesPerSecond = 75;

// One track as it lies in the BIN: its pregap (sectors of silence before
// INDEX 01), its sectors from INDEX 01 on, its index positions (sectors
// after INDEX 01, for INDEX 02 onwards) and its CD-TEXT.
struct CueTrackPlan {
    std::uint32_t pregap = 0;
    std::uint32_t sectors = 0;
    std::vector<std::uint32_t> indexes;
    std::string title;
    std::string performer;
    std::string mode = "AUDIO";  // the sheet's track mode
    std::uint32_t session = 1;   // 1, 2, ... rising
};

struct CueDiscPlan {
    std::string binName;  // the BIN's file name, as the sheet names it
    bool cdText = false;  // TITLE / PERFORMER lines for the disc and its tracks
    std::string title;
    std::string performer;
    bool sessions = false;  // REM SESSION lines (a disc of more than one session)
    std::vector<CueTrackPlan> tracks;
};

// "mm:ss:ff" of a sector count (75 sectors a second).
std::string CueTime(std::uint32_t sectors);

// A text fit for a quoted cue field: at most 80 characters, double quotes
// become single ones, control characters become blanks.
std::string CueText(const std::string& text);

// The index positions of a track of `sectors` sectors as they are given
// (block offsets from INDEX 01): nullopt when fine, else what is wrong.
// They must be above 0, rise strictly and lie inside the track; at most 98.
std::optional<std::string> CheckIndexPositions(const std::vector<std::int32_t>& positions, std::uint32_t sectors);

// The sheet, CRLF line ends. Sector positions count from the start of the
// BIN. The plan must hold 1..99 tracks, each with at least one sector.
std::string WriteCue(const CueDiscPlan& plan);

// Where an image goes for a recorder path: a ".cue" name (any letter case)
// keeps its name and the BIN takes the same stem with ".bin"; any other
// name gets ".cue" and ".bin" appended.
struct ImagePaths {
    std::string cue;
    std::string bin;
};
ImagePaths ImagePathsFor(const std::string& recorderPath);

// The file name part of a path (after the last '\' or '/').
std::string FileNamePart(const std::string& path);

}  // namespace vexosim

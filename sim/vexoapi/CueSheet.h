// A BIN/CUE image's cue sheet, read as text: the one BINARY file it names
// and its tracks with their modes and INDEX 01 positions. Pure text work;
// BlockMedia.cpp lays the tracks out over the BIN file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vexosim {

struct CueTrack {
    std::int32_t number = 0;
    std::string mode;              // AUDIO, MODE1/2048, MODE1/2352, MODE2/2336, MODE2/2352
    std::uint32_t sectorSize = 0;  // bytes of one sector of this track in the BIN file
    std::uint32_t type = 0;        // 0 data, 1 audio
    std::uint64_t start = 0;       // INDEX 01, in sectors (75 a second)
};

struct CueSheet {
    std::string file;  // as written in the FILE line (quotes removed)
    std::vector<CueTrack> tracks;
};

// Understood: FILE "name" BINARY (exactly one), TRACK n MODE, INDEX 01
// mm:ss:ff (every track needs one, in rising order); REM, INDEX 00, PREGAP,
// POSTGAP, FLAGS, ISRC, TITLE, PERFORMER, SONGWRITER, CATALOG and CDTEXTFILE
// lines are passed over. Anything else, or no track, gives nullopt and
// *error says why.
std::optional<CueSheet> ParseCueSheet(std::string_view text, std::string* error = nullptr);

// Sector size and partition type of a track mode; false for a mode not
// understood.
bool CueModeLayout(std::string_view mode, std::uint32_t& sectorSize, std::uint32_t& type);

}  // namespace vexosim

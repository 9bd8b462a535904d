// CueSheet: the text of the CUE sheet written beside the ripped tracks. It
// describes the disc as ripped: one FILE per track file, each holding its
// track from INDEX 01 (every file starts at 00:00:00) up to the next
// track's start, and a PREGAP where the first track starts after sector 0
// (audio before it is not on any file). Lines end in CR LF.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace CueSheet {

inline constexpr const char* FileName = "Disc.cue";

struct Track {
    int number = 0;
    std::string file;     // the file's name beside the sheet
    bool mp3 = false;     // file type MP3, else WAVE
    uint32_t pregap = 0;  // frames of pregap that no file holds
};

struct Sheet {
    std::string freedbId;       // REM DISCID, when known
    std::string musicBrainzId;  // REM MUSICBRAINZ_DISCID, when known
    std::string comment;        // REM COMMENT, when set
    std::vector<Track> tracks;
};

// mm:ss:ff as a sheet writes it.
std::string Time(uint32_t frames);

std::string Text(const Sheet& sheet);

}  // namespace CueSheet

#include "CueSheet.h"

#include <cstdio>

namespace CueSheet {
namespace {

constexpr const char* Eol = "\r\n";

// A name as a quoted sheet string: a double quote cannot be written inside
// one, so it becomes a single quote.
std::string Quoted(std::string text) {
    for (char& c : text)
        if (c == '"') c = '\'';
    return "\"" + text + "\"";
}

}  // namespace

std::string Time(uint32_t frames) {
    char text[32];
    std::snprintf(text, sizeof text, "%02u:%02u:%02u", frames / (75 * 60), frames / 75 % 60, frames % 75);
    return text;
}

std::string Text(const Sheet& sheet) {
    std::string t;
    if (!sheet.freedbId.empty()) t += "REM DISCID " + sheet.freedbId + Eol;
    if (!sheet.musicBrainzId.empty()) t += "REM MUSICBRAINZ_DISCID " + sheet.musicBrainzId + Eol;
    if (!sheet.comment.empty()) t += "REM COMMENT " + Quoted(sheet.comment) + Eol;
    for (const Track& track : sheet.tracks) {
        char number[8];
        std::snprintf(number, sizeof number, "%02d", track.number);
        t += "FILE " + Quoted(track.file) + (track.mp3 ? " MP3" : " WAVE") + Eol;
        t += std::string("  TRACK ") + number + " AUDIO" + Eol;
        if (track.pregap > 0) t += "    PREGAP " + Time(track.pregap) + Eol;
        t += std::string("    INDEX 01 00:00:00") + Eol;
    }
    return t;
}

}  // namespace CueSheet

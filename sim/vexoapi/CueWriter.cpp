#include "CueWriter.h"

#include <cctype>
#include <cstdio>

namespace vexosim {

std::string CueTime(std::uint32_t sectors) {
    char s[32];
    std::snprintf(s, sizeof s, "%02u:%02u:%02u", sectors / (60 * kFramesPerSecond), sectors / kFramesPerSecond % 60,
                  sectors % kFramesPerSecond);
    return s;
}

std::string CueText(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (out.size() == 80) break;
        const auto u = static_cast<unsigned char>(c);
        out += c == '"' ? '\'' : u < 0x20 ? ' ' : c;
    }
    return out;
}

std::optional<std::string> CheckIndexPositions(const std::vector<std::int32_t>& positions, std::uint32_t sectors) {
    if (positions.size() > 98) return "more than 98 index positions";
    std::int64_t previous = 0;
    for (std::size_t i = 0; i < positions.size(); ++i) {
        const std::int64_t p = positions[i];
        char s[160];
        if (p <= previous) {
            std::snprintf(s, sizeof s, "index position %d (INDEX %02zu) does not lie after the one before it",
                          positions[i], i + 2);
            return std::string(s);
        }
        if (p >= sectors) {
            std::snprintf(s, sizeof s, "index position %d (INDEX %02zu) lies beyond the track's %u blocks",
                          positions[i], i + 2, sectors);
            return std::string(s);
        }
        previous = p;
    }
    return std::nullopt;
}

std::string WriteCue(const CueDiscPlan& plan) {
    std::string s;
    auto line = [&](const std::string& text) { s += text + "\r\n"; };
    if (plan.cdText) {
        line("PERFORMER \"" + CueText(plan.performer) + "\"");
        line("TITLE \"" + CueText(plan.title) + "\"");
    }
    line("FILE \"" + plan.binName + "\" BINARY");
    std::uint32_t at = 0;
    char number[8];
    std::uint32_t session = 0;
    for (std::size_t t = 0; t < plan.tracks.size(); ++t) {
        const CueTrackPlan& track = plan.tracks[t];
        if (plan.sessions && track.session != session) {
            session = track.session;
            std::snprintf(number, sizeof number, "%02u", session % 100);
            line("  REM SESSION " + std::string(number));
        }
        std::snprintf(number, sizeof number, "%02zu", t + 1);
        line("  TRACK " + std::string(number) + " " + track.mode);
        if (plan.cdText) {
            line("    TITLE \"" + CueText(track.title) + "\"");
            line("    PERFORMER \"" + CueText(track.performer) + "\"");
        }
        if (track.pregap > 0) line("    INDEX 00 " + CueTime(at));
        at += track.pregap;
        line("    INDEX 01 " + CueTime(at));
        for (std::size_t i = 0; i < track.indexes.size(); ++i) {
            std::snprintf(number, sizeof number, "%02zu", i + 2);
            line("    INDEX " + std::string(number) + " " + CueTime(at + track.indexes[i]));
        }
        at += track.sectors;
    }
    return s;
}

ImagePaths ImagePathsFor(const std::string& recorderPath) {
    const std::size_t n = recorderPath.size();
    const std::string name = FileNamePart(recorderPath);
    bool cue = name.size() > 4;
    if (cue) {
        const std::string ext = recorderPath.substr(n - 4);
        cue = ext[0] == '.' && std::tolower(static_cast<unsigned char>(ext[1])) == 'c' &&
              std::tolower(static_cast<unsigned char>(ext[2])) == 'u' &&
              std::tolower(static_cast<unsigned char>(ext[3])) == 'e';
    }
    if (cue) return {recorderPath, recorderPath.substr(0, n - 4) + ".bin"};
    return {recorderPath + ".cue", recorderPath + ".bin"};
}

std::string FileNamePart(const std::string& path) {
    const std::size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace vexosim

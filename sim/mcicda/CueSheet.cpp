#include "CueSheet.h"

#include <cctype>

namespace mcivcd {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

// Takes the next blank-separated word off the front of s.
std::string_view NextWord(std::string_view& s) {
    s = TrimBlanks(s);
    size_t n = 0;
    while (n < s.size() && !IsBlank(s[n])) ++n;
    std::string_view word = s.substr(0, n);
    s.remove_prefix(n);
    return word;
}

std::optional<uint32_t> ParseDecimal(std::string_view s, uint32_t max, size_t maxDigits = 9) {
    if (s.empty() || s.size() > maxDigits) return std::nullopt;
    uint32_t v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + static_cast<uint32_t>(c - '0');
    }
    if (v > max) return std::nullopt;
    return v;
}

// FILE "name with blanks" TYPE, or FILE name TYPE (the name is then
// everything up to the last word).
bool ParseFileLine(std::string_view rest, CueFile& file) {
    rest = TrimBlanks(rest);
    std::string_view name;
    std::string_view type;
    if (!rest.empty() && rest.front() == '"') {
        const size_t close = rest.find('"', 1);
        if (close == std::string_view::npos) return false;
        name = rest.substr(1, close - 1);
        rest.remove_prefix(close + 1);
        type = NextWord(rest);
    } else {
        const size_t lastBlank = rest.find_last_of(" \t");
        if (lastBlank == std::string_view::npos) return false;
        name = TrimBlanks(rest.substr(0, lastBlank));
        type = rest.substr(lastBlank + 1);
        rest = {};
    }
    if (name.empty() || !TrimBlanks(rest).empty()) return false;
    // Only plain names of files beside the sheet: no folder, no drive.
    if (name.find_first_of("/\\:") != std::string_view::npos || name == "." || name == "..") return false;
    if (EqualsNoCase(type, "BINARY")) {
        file.bigEndian = false;
    } else if (EqualsNoCase(type, "MOTOROLA")) {
        file.bigEndian = true;
    } else {
        return false;
    }
    file.name = std::string(name);
    return true;
}

}  // namespace

std::optional<uint32_t> ParseCueTime(std::string_view text) {
    const size_t c1 = text.find(':');
    if (c1 == std::string_view::npos) return std::nullopt;
    const size_t c2 = text.find(':', c1 + 1);
    if (c2 == std::string_view::npos) return std::nullopt;
    const auto mm = ParseDecimal(text.substr(0, c1), 999);
    const auto ss = ParseDecimal(text.substr(c1 + 1, c2 - c1 - 1), 59);
    const auto ff = ParseDecimal(text.substr(c2 + 1), kFramesPerSecond - 1);
    if (!mm || !ss || !ff) return std::nullopt;
    return (*mm * 60 + *ss) * kFramesPerSecond + *ff;
}

std::optional<CueSheet> ParseCueSheet(std::string_view text) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    for (const char c : text) {
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\r' && c != '\n') return std::nullopt;
    }
    CueSheet sheet;
    int tracks = 0;
    while (!text.empty()) {
        size_t end = text.find_first_of("\r\n");
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);

        std::string_view rest = line;
        const std::string_view keyword = NextWord(rest);
        if (keyword.empty()) continue;

        if (EqualsNoCase(keyword, "FILE")) {
            CueFile file;
            if (!ParseFileLine(rest, file)) return std::nullopt;
            sheet.files.push_back(std::move(file));
        } else if (EqualsNoCase(keyword, "TRACK")) {
            if (sheet.files.empty()) return std::nullopt;
            const auto number = ParseDecimal(NextWord(rest), kMaxTracks, 2);
            const std::string_view type = NextWord(rest);
            if (!number || *number != static_cast<uint32_t>(tracks + 1)) return std::nullopt;
            if (!TrimBlanks(rest).empty()) return std::nullopt;
            CueTrack track;
            track.number = static_cast<int>(*number);
            if (EqualsNoCase(type, "AUDIO")) {
                track.data = false;
            } else if (EqualsNoCase(type, "MODE1/2352") || EqualsNoCase(type, "MODE2/2352")) {
                track.data = true;
            } else {
                return std::nullopt;
            }
            sheet.files.back().tracks.push_back(track);
            ++tracks;
        } else if (EqualsNoCase(keyword, "INDEX")) {
            if (sheet.files.empty() || sheet.files.back().tracks.empty()) return std::nullopt;
            CueTrack& track = sheet.files.back().tracks.back();
            const auto index = ParseDecimal(NextWord(rest), 99, 2);
            const auto at = ParseCueTime(NextWord(rest));
            if (!index || !at || !TrimBlanks(rest).empty()) return std::nullopt;
            if (*index == 0) {
                if (track.index00 || track.index01) return std::nullopt;
                track.index00 = *at;
            } else if (*index == 1) {
                if (track.index01 || (track.index00 && *track.index00 > *at)) return std::nullopt;
                track.index01 = *at;
            } else if (!track.index01 || *at < *track.index01) {
                return std::nullopt;  // later indexes only subdivide the track
            }
        }
        // Everything else (REM, TITLE, PERFORMER, FLAGS, ISRC, PREGAP, ...)
        // says nothing about where the frames are.
    }
    if (tracks == 0) return std::nullopt;
    for (const CueFile& file : sheet.files) {
        if (file.tracks.empty()) return std::nullopt;
        for (const CueTrack& track : file.tracks) {
            if (!track.index01) return std::nullopt;
        }
    }
    return sheet;
}

std::optional<Disc> LayOutDisc(const CueSheet& sheet, std::span<const uint64_t> fileSizes) {
    if (sheet.files.empty() || fileSizes.size() != sheet.files.size()) return std::nullopt;
    // Offsets are kept in 64 bits while laying out so that absurd sizes are
    // refused rather than wrapped.
    constexpr uint64_t kMaxFrames = 0xFFFFFFFFull / 2;
    uint64_t fileStart = 0;
    std::vector<uint64_t> starts;
    Disc disc;
    for (size_t f = 0; f < sheet.files.size(); ++f) {
        if (fileSizes[f] % kFrameBytes != 0) return std::nullopt;
        const uint64_t frames = fileSizes[f] / kFrameBytes;
        for (const CueTrack& track : sheet.files[f].tracks) {
            if (!track.index01 || *track.index01 >= frames) return std::nullopt;
            const uint64_t start = fileStart + *track.index01;
            if (!starts.empty() && start <= starts.back()) return std::nullopt;
            // A pregap lies inside the previous track, after its start.
            if (track.index00 && !starts.empty() && fileStart + *track.index00 <= starts.back()) return std::nullopt;
            starts.push_back(start);
            disc.tracks.push_back(DiscTrack{track.number, track.data, 0});
        }
        fileStart += frames;
        if (fileStart > kMaxFrames) return std::nullopt;
    }
    if (starts.empty()) return std::nullopt;
    const uint64_t base = starts.front();
    for (size_t i = 0; i < starts.size(); ++i) disc.tracks[i].start = static_cast<uint32_t>(starts[i] - base);
    disc.leadout = static_cast<uint32_t>(fileStart - base);
    return disc;
}

}  // namespace mcivcd

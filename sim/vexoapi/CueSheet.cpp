#include "CueSheet.h"

#include "SimConfig.h"

#include <cctype>

namespace vexosim {
namespace {

std::string_view Trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}

// The first word of a line and the rest after it (trimmed).
std::string_view TakeWord(std::string_view& rest) {
    rest = Trim(rest);
    std::size_t end = 0;
    while (end < rest.size() && !std::isspace(static_cast<unsigned char>(rest[end]))) ++end;
    std::string_view word = rest.substr(0, end);
    rest = Trim(rest.substr(end));
    return word;
}

bool Digits(std::string_view s, std::uint64_t& out) {
    if (s.empty() || s.size() > 6) return false;
    out = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
        out = out * 10 + static_cast<std::uint64_t>(c - '0');
    }
    return true;
}

// mm:ss:ff with ss < 60 and ff < 75.
bool ParseMsf(std::string_view text, std::uint64_t& sectors) {
    std::size_t a = text.find(':');
    std::size_t b = a == std::string_view::npos ? a : text.find(':', a + 1);
    if (b == std::string_view::npos) return false;
    std::uint64_t m = 0, s = 0, f = 0;
    if (!Digits(text.substr(0, a), m) || !Digits(text.substr(a + 1, b - a - 1), s) || !Digits(text.substr(b + 1), f)) return false;
    if (s >= 60 || f >= 75) return false;
    sectors = (m * 60 + s) * 75 + f;
    return true;
}

bool Fail(std::string* error, std::string why) {
    if (error) *error = std::move(why);
    return false;
}

}  // namespace

bool CueModeLayout(std::string_view mode, std::uint32_t& sectorSize, std::uint32_t& type) {
    struct Mode {
        const char* name;
        std::uint32_t size;
        std::uint32_t type;
    };
    static constexpr Mode modes[] = {
        {"AUDIO", 2352, 1}, {"MODE1/2048", 2048, 0}, {"MODE1/2352", 2352, 0}, {"MODE2/2336", 2336, 0}, {"MODE2/2352", 2352, 0},
    };
    for (const Mode& m : modes) {
        if (EqualsNoCase(mode, m.name)) {
            sectorSize = m.size;
            type = m.type;
            return true;
        }
    }
    return false;
}

std::optional<CueSheet> ParseCueSheet(std::string_view text, std::string* error) {
    CueSheet sheet;
    bool haveFile = false;
    bool trackNeedsIndex = false;
    std::size_t lineNo = 0;
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);  // a UTF-8 mark before the first line
    auto fail = [&](const std::string& why) -> std::optional<CueSheet> {
        Fail(error, "line " + std::to_string(lineNo) + ": " + why);
        return std::nullopt;
    };
    while (!text.empty()) {
        ++lineNo;
        std::size_t eol = text.find('\n');
        std::string_view line = text.substr(0, eol);
        text = eol == std::string_view::npos ? std::string_view() : text.substr(eol + 1);
        std::string_view rest = line;
        std::string_view command = TakeWord(rest);
        if (command.empty()) continue;
        if (EqualsNoCase(command, "FILE")) {
            if (haveFile) return fail("a second FILE (one BIN file per image)");
            std::string name;
            if (!rest.empty() && rest.front() == '"') {
                std::size_t close = rest.find('"', 1);
                if (close == std::string_view::npos) return fail("unclosed quote");
                name = std::string(rest.substr(1, close - 1));
                rest = Trim(rest.substr(close + 1));
            } else {
                name = std::string(TakeWord(rest));
            }
            if (name.empty() || !EqualsNoCase(Trim(rest), "BINARY")) return fail("FILE must name a BINARY file");
            sheet.file = std::move(name);
            haveFile = true;
        } else if (EqualsNoCase(command, "TRACK")) {
            if (!haveFile) return fail("TRACK before FILE");
            if (trackNeedsIndex) return fail("track without INDEX 01");
            std::uint64_t number = 0;
            if (!Digits(TakeWord(rest), number) || number < 1 || number > 99) return fail("bad track number");
            CueTrack t;
            t.number = static_cast<std::int32_t>(number);
            t.mode = std::string(TakeWord(rest));
            if (!CueModeLayout(t.mode, t.sectorSize, t.type)) return fail("track mode not understood: " + t.mode);
            if (!sheet.tracks.empty() && t.number <= sheet.tracks.back().number) return fail("track numbers must rise");
            sheet.tracks.push_back(std::move(t));
            trackNeedsIndex = true;
        } else if (EqualsNoCase(command, "INDEX")) {
            if (sheet.tracks.empty()) return fail("INDEX before TRACK");
            std::uint64_t index = 0;
            if (!Digits(TakeWord(rest), index)) return fail("bad index number");
            std::uint64_t at = 0;
            if (!ParseMsf(TakeWord(rest), at)) return fail("bad index position");
            if (index != 1) continue;
            if (!trackNeedsIndex) return fail("a second INDEX 01");
            if (sheet.tracks.size() > 1 && at <= sheet.tracks[sheet.tracks.size() - 2].start)
                return fail("tracks must start in rising order");
            sheet.tracks.back().start = at;
            trackNeedsIndex = false;
        } else if (EqualsNoCase(command, "REM") || EqualsNoCase(command, "PREGAP") || EqualsNoCase(command, "POSTGAP") ||
                   EqualsNoCase(command, "FLAGS") || EqualsNoCase(command, "ISRC") || EqualsNoCase(command, "TITLE") ||
                   EqualsNoCase(command, "PERFORMER") || EqualsNoCase(command, "SONGWRITER") ||
                   EqualsNoCase(command, "CATALOG") || EqualsNoCase(command, "CDTEXTFILE")) {
            continue;
        } else {
            return fail("command not understood: " + std::string(command));
        }
    }
    if (trackNeedsIndex) return fail("track without INDEX 01");
    if (sheet.tracks.empty()) {
        Fail(error, "no track");
        return std::nullopt;
    }
    return sheet;
}

}  // namespace vexosim

#include "DiscImage.h"

#include <algorithm>
#include <cctype>
#include <cstdint>

#include "AkripLayout.h"

namespace akrip {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (IsBlank(s.front()) || s.front() == '\r')) s.remove_prefix(1);
    while (!s.empty() && (IsBlank(s.back()) || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

// Splits off the first blank-separated word of s.
std::string_view NextWord(std::string_view& s) {
    s = Trim(s);
    size_t end = 0;
    while (end < s.size() && !IsBlank(s[end])) ++end;
    std::string_view word = s.substr(0, end);
    s = Trim(s.substr(end));
    return word;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::optional<uint32_t> ParseNumber(std::string_view s, size_t maxDigits) {
    if (s.empty() || s.size() > maxDigits) return std::nullopt;
    uint32_t v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + uint32_t(c - '0');
    }
    return v;
}

std::string LineError(size_t line, const std::string& what) {
    return "line " + std::to_string(line) + ": " + what;
}

// A name of a file beside the sheet: no folder, no drive, not the folder itself.
bool IsPlainName(std::string_view name) {
    return name.find_first_of("/\\:") == std::string_view::npos && name != "." && name != "..";
}

}  // namespace

std::optional<uint32_t> ParseCueTime(std::string_view text) {
    size_t c1 = text.find(':');
    if (c1 == std::string_view::npos) return std::nullopt;
    size_t c2 = text.find(':', c1 + 1);
    if (c2 == std::string_view::npos) return std::nullopt;
    auto m = ParseNumber(text.substr(0, c1), 3);
    auto s = ParseNumber(text.substr(c1 + 1, c2 - c1 - 1), 2);
    auto f = ParseNumber(text.substr(c2 + 1), 2);
    if (!m || !s || !f || *s >= 60 || *f >= kFramesPerSecond) return std::nullopt;
    return (*m * 60 + *s) * kFramesPerSecond + *f;
}

std::optional<CueSheet> ParseCue(std::string_view text, std::string* error) {
    auto fail = [&](std::string what) -> std::optional<CueSheet> {
        if (error) *error = std::move(what);
        return std::nullopt;
    };
    if (text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    for (char c : text) {
        unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x20 && c != '\t' && c != '\r' && c != '\n') return fail("not a text file");
    }

    CueSheet sheet;
    bool seenIndex01 = true;  // of the current track
    size_t tracksOfFile = 1;  // TRACK lines since the last FILE line
    size_t lineNo = 0;
    while (!text.empty()) {
        // Lines end in LF, CRLF or a lone CR.
        size_t nl = text.find_first_of("\r\n");
        if (nl != std::string_view::npos && text[nl] == '\r' && nl + 1 < text.size() && text[nl + 1] == '\n') ++nl;
        std::string_view line = text.substr(0, nl);
        text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);
        ++lineNo;
        std::string_view rest = Trim(line);
        if (rest.empty()) continue;
        std::string_view keyword = NextWord(rest);

        if (EqualsNoCase(keyword, "FILE")) {
            CueFile file;
            std::string_view type;
            if (!rest.empty() && rest.front() == '"') {
                size_t close = rest.find('"', 1);
                if (close == std::string_view::npos) return fail(LineError(lineNo, "unterminated file name"));
                file.name = std::string(rest.substr(1, close - 1));
                rest = Trim(rest.substr(close + 1));
                type = NextWord(rest);
                if (!rest.empty()) return fail(LineError(lineNo, "text after the file type"));
            } else {
                size_t lastBlank = rest.find_last_of(" \t");
                if (lastBlank == std::string_view::npos) return fail(LineError(lineNo, "FILE without a type"));
                file.name = std::string(Trim(rest.substr(0, lastBlank)));
                type = Trim(rest.substr(lastBlank + 1));
            }
            if (file.name.empty()) return fail(LineError(lineNo, "empty file name"));
            if (!IsPlainName(file.name))
                return fail(LineError(lineNo, "file name \"" + file.name + "\" is not a plain name beside the sheet"));
            if (tracksOfFile == 0) return fail(LineError(lineNo, "the previous FILE holds no track"));
            tracksOfFile = 0;
            if (EqualsNoCase(type, "BINARY"))
                file.motorola = false;
            else if (EqualsNoCase(type, "MOTOROLA"))
                file.motorola = true;
            else
                return fail(LineError(lineNo, "unsupported file type"));
            sheet.files.push_back(std::move(file));
        } else if (EqualsNoCase(keyword, "TRACK")) {
            if (sheet.files.empty()) return fail(LineError(lineNo, "TRACK before FILE"));
            if (!seenIndex01) return fail(LineError(lineNo, "previous track has no INDEX 01"));
            auto number = ParseNumber(NextWord(rest), 2);
            std::string_view mode = NextWord(rest);
            if (!number || *number < 1 || *number > 99) return fail(LineError(lineNo, "bad track number"));
            if (!rest.empty()) return fail(LineError(lineNo, "text after the track mode"));
            CueTrack track;
            track.number = int(*number);
            if (EqualsNoCase(mode, "AUDIO"))
                track.audio = true;
            else if (EqualsNoCase(mode, "MODE1/2352") || EqualsNoCase(mode, "MODE2/2352"))
                track.audio = false;
            else
                return fail(LineError(lineNo, "unsupported track mode"));
            if (sheet.tracks.empty() && track.number != 1) return fail(LineError(lineNo, "the first track is not 01"));
            if (!sheet.tracks.empty() && track.number != sheet.tracks.back().number + 1)
                return fail(LineError(lineNo, "track numbers out of order"));
            if (sheet.tracks.size() >= 99) return fail(LineError(lineNo, "more than 99 tracks"));
            sheet.tracks.push_back(track);
            seenIndex01 = false;
            ++tracksOfFile;
        } else if (EqualsNoCase(keyword, "INDEX")) {
            if (sheet.tracks.empty()) return fail(LineError(lineNo, "INDEX before TRACK"));
            auto number = ParseNumber(NextWord(rest), 2);
            auto time = ParseCueTime(NextWord(rest));
            if (!number || !time || !rest.empty()) return fail(LineError(lineNo, "malformed INDEX"));
            CueTrack& track = sheet.tracks.back();
            size_t file = sheet.files.size() - 1;
            if (*number == 0) {
                if (track.index00 || seenIndex01) return fail(LineError(lineNo, "misplaced INDEX 00"));
                track.index00 = *time;
                track.index00File = file;
            } else if (*number == 1) {
                if (seenIndex01) return fail(LineError(lineNo, "second INDEX 01"));
                track.index01 = *time;
                track.file = file;
                seenIndex01 = true;
            } else if (!seenIndex01 || (file == track.file && *time < track.index01)) {
                return fail(LineError(lineNo, "INDEX before INDEX 01"));
            }
        }
        // REM, TITLE, PERFORMER, SONGWRITER, CATALOG, ISRC, FLAGS, PREGAP,
        // POSTGAP, CDTEXTFILE and anything else: not needed to read the disc.
    }
    if (sheet.tracks.empty()) return fail("no tracks");
    if (!seenIndex01) return fail("last track has no INDEX 01");
    if (tracksOfFile == 0) return fail("the last FILE holds no track");
    return sheet;
}

std::optional<DiscLayout> LayOutDisc(const CueSheet& sheet, const std::vector<uint64_t>& fileBytes,
                                     std::string* error) {
    auto fail = [&](std::string what) -> std::optional<DiscLayout> {
        if (error) *error = std::move(what);
        return std::nullopt;
    };
    if (fileBytes.size() != sheet.files.size()) return fail("file sizes do not match the sheet");
    if (sheet.tracks.empty()) return fail("no tracks");

    DiscLayout layout;
    uint64_t total = 0;
    for (size_t i = 0; i < sheet.files.size(); ++i) {
        if (fileBytes[i] % kFrameBytes != 0)
            return fail("file " + sheet.files[i].name + " is not whole frames");
        uint64_t frames = fileBytes[i] / kFrameBytes;
        if (total + frames > kMaxDiscFrames) return fail("disc too long");
        layout.files.push_back({uint32_t(total), uint32_t(frames), sheet.files[i].motorola});
        total += frames;
    }

    auto absolute = [&](size_t file, uint32_t offset) -> std::optional<uint32_t> {
        const DiscFile& f = layout.files[file];
        if (offset >= f.frames) return std::nullopt;
        return f.firstFrame + offset;
    };

    std::optional<uint32_t> previous;  // absolute INDEX 01 of the previous track
    for (const CueTrack& t : sheet.tracks) {
        auto start = absolute(t.file, t.index01);
        if (!start) return fail("track " + std::to_string(t.number) + " lies beyond its file's data");
        if (t.index00) {
            auto gap = absolute(*t.index00File, *t.index00);
            if (!gap) return fail("pregap of track " + std::to_string(t.number) + " lies beyond its file's data");
            if (*gap > *start) return fail("INDEX 00 after INDEX 01 in track " + std::to_string(t.number));
            if (previous && *gap <= *previous) return fail("indexes go backwards at track " + std::to_string(t.number));
        }
        if (previous && *start <= *previous) return fail("indexes go backwards at track " + std::to_string(t.number));
        if (!previous) layout.base = *start;
        layout.tracks.push_back({t.number, t.audio, *start - layout.base});
        previous = start;
    }
    layout.leadOut = uint32_t(total) - layout.base;
    return layout;
}

std::optional<std::vector<ReadPiece>> PlanRead(const DiscLayout& layout, uint32_t lba, uint32_t count) {
    if (count == 0 || lba >= layout.leadOut || count > layout.leadOut - lba) return std::nullopt;
    std::vector<ReadPiece> pieces;
    uint64_t at = uint64_t(lba) + layout.base;
    uint64_t end = at + count;
    for (size_t i = 0; i < layout.files.size() && at < end; ++i) {
        const DiscFile& f = layout.files[i];
        uint64_t fileEnd = uint64_t(f.firstFrame) + f.frames;
        if (at >= fileEnd) continue;
        uint64_t take = std::min(end, fileEnd) - at;
        pieces.push_back({i, uint32_t(at - f.firstFrame), uint32_t(take)});
        at += take;
    }
    if (at != end) return std::nullopt;
    return pieces;
}

uint32_t MsfAddress(uint32_t lba) {
    uint32_t x = lba + kMsfLeadIn;
    uint32_t m = x / (60 * kFramesPerSecond);
    uint32_t s = (x / kFramesPerSecond) % 60;
    uint32_t f = x % kFramesPerSecond;
    return (std::min<uint32_t>(m, 255) << 16) | (s << 8) | f;
}

void BuildToc(const DiscLayout& layout, bool msf, uint8_t* out) {
    std::fill(out, out + toc::kSize, uint8_t(0));
    size_t n = std::min(layout.tracks.size(), toc::kMaxEntries - 1);
    if (n == 0) return;
    size_t length = 2 + (n + 1) * toc::kEntrySize;
    out[toc::kLength] = uint8_t(length >> 8);
    out[toc::kLength + 1] = uint8_t(length);
    out[toc::kFirstTrack] = uint8_t(layout.tracks.front().number);
    out[toc::kLastTrack] = uint8_t(layout.tracks[n - 1].number);
    auto put = [&](size_t k, uint8_t number, bool audio, uint32_t lba) {
        uint8_t* e = out + toc::kEntries + k * toc::kEntrySize;
        e[toc::kEntryAdrControl] = audio ? toc::kAdrControlAudio : toc::kAdrControlData;
        e[toc::kEntryTrack] = number;
        PutBE32(e + toc::kEntryAddress, msf ? MsfAddress(lba) : lba);
    };
    for (size_t k = 0; k < n; ++k)
        put(k, uint8_t(layout.tracks[k].number), layout.tracks[k].audio, layout.tracks[k].lba);
    put(n, toc::kLeadOutTrack, layout.tracks[n - 1].audio, layout.leadOut);
}

void SwapSampleBytes(uint8_t* data, size_t size) {
    for (size_t i = 0; i + 1 < size; i += 2) std::swap(data[i], data[i + 1]);
}

std::vector<UnreadableRange> ParseUnreadable(std::string_view text, std::vector<std::string>* rejected) {
    std::vector<UnreadableRange> ranges;
    while (!text.empty()) {
        size_t nl = text.find('\n');
        std::string_view line = text.substr(0, nl);
        text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);
        std::string_view body = line.substr(0, line.find('#'));
        body = Trim(body);
        if (body.empty()) continue;
        std::string_view rest = body;
        std::string_view span = NextWord(rest);
        std::string_view fails = NextWord(rest);
        UnreadableRange r;
        bool ok = rest.empty();
        size_t dash = span.find('-');
        auto first = ParseNumber(span.substr(0, dash), 9);
        auto last = dash == std::string_view::npos ? first : ParseNumber(span.substr(dash + 1), 9);
        ok = ok && first && last && *last >= *first;
        if (ok) {
            r.first = *first;
            r.last = *last;
            if (!fails.empty() && !EqualsNoCase(fails, "always")) {
                auto count = ParseNumber(fails, 9);
                if (count)
                    r.fails = *count;
                else
                    ok = false;
            }
        }
        if (ok)
            ranges.push_back(r);
        else if (rejected)
            rejected->emplace_back(Trim(line));
    }
    return ranges;
}

std::optional<uint32_t> FailurePlan::Budget(uint32_t frame) const {
    uint32_t budget = 0;
    for (const UnreadableRange& r : ranges_) {
        if (frame < r.first || frame > r.last) continue;
        if (!r.fails) return std::nullopt;
        budget = std::max(budget, *r.fails);
    }
    return budget;
}

uint32_t& FailurePlan::UsedOf(uint32_t frame) {
    auto it = std::lower_bound(used_.begin(), used_.end(), frame,
                               [](const Used& u, uint32_t f) { return u.frame < f; });
    if (it == used_.end() || it->frame != frame) it = used_.insert(it, Used{frame, 0});
    return it->count;
}

bool FailurePlan::Attempt(uint32_t first, uint32_t count) {
    if (ranges_.empty() || count == 0) return true;
    // Only frames that some range covers need looking at.
    uint64_t lo = first, hi = uint64_t(first) + count;
    uint64_t coveredLo = UINT64_MAX, coveredHi = 0;
    for (const UnreadableRange& r : ranges_) {
        coveredLo = std::min<uint64_t>(coveredLo, r.first);
        coveredHi = std::max<uint64_t>(coveredHi, uint64_t(r.last) + 1);
    }
    lo = std::max(lo, coveredLo);
    hi = std::min(hi, coveredHi);
    bool fails = false;
    for (uint64_t f = lo; f < hi && !fails; ++f) {
        auto budget = Budget(uint32_t(f));
        if (!budget) {
            fails = true;
        } else if (*budget > 0) {
            auto it = std::lower_bound(used_.begin(), used_.end(), uint32_t(f),
                                       [](const Used& u, uint32_t x) { return u.frame < x; });
            uint32_t used = (it != used_.end() && it->frame == f) ? it->count : 0;
            fails = used < *budget;
        }
    }
    if (!fails) return true;
    for (uint64_t f = lo; f < hi; ++f) {
        auto budget = Budget(uint32_t(f));
        if (!budget || *budget == 0) continue;
        uint32_t& used = UsedOf(uint32_t(f));
        if (used < *budget) ++used;
    }
    return false;
}

}  // namespace akrip

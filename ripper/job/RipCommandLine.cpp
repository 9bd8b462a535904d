#include "RipCommandLine.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <set>

#include "EncoderConfig.h"

namespace RipCommandLine {
namespace {

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

bool EqualsNoCase(std::string_view a, std::string_view b) { return a.size() == b.size() && Lower(a) == Lower(b); }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// A decimal number of at most 9 digits, nothing else.
std::optional<int> Number(std::string_view s) {
    s = Trim(s);
    if (s.empty() || s.size() > 9) return std::nullopt;
    int value = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

// A value as a shell may leave it: surrounding double quotes removed.
std::string Unquote(std::string_view s) {
    if (s.size() >= 2 && s.front() == '"' && s.back() == '"') s = s.substr(1, s.size() - 2);
    return std::string(s);
}

ParseResult Fail(std::string error) { return {std::nullopt, std::move(error)}; }

}  // namespace

bool RipCommand::Wants(int number) const {
    if (allTracks) return number >= 1;
    return std::binary_search(tracks.begin(), tracks.end(), number);
}

bool IsRipSwitch(std::string_view arg) { return EqualsNoCase(arg, "/rip") || EqualsNoCase(arg, "-rip"); }

std::string_view Usage() {
    return "usage: /rip [/tracks:all|LIST] [/format:MP3|WAV] [/bitrate:N] [/quality:NAME] [/out:FOLDER] "
           "[/drive:N] [/secure] [/log] [/verify:FILE]";
}

std::optional<TrackSelection> ParseTrackList(std::string_view text, std::string& error) {
    text = Trim(text);
    TrackSelection selection;
    if (EqualsNoCase(text, "all")) {
        selection.all = true;
        return selection;
    }
    if (text.empty()) {
        error = "/tracks needs \"all\" or a list such as 1,3-5";
        return std::nullopt;
    }
    std::set<int> numbers;
    std::size_t pos = 0;
    while (pos <= text.size()) {
        const std::size_t comma = text.find(',', pos);
        const std::string_view item =
            Trim(text.substr(pos, comma == std::string_view::npos ? std::string_view::npos : comma - pos));
        if (item.empty()) {
            error = "/tracks has an empty entry in \"" + std::string(text) + "\"";
            return std::nullopt;
        }
        const std::size_t dash = item.find('-');
        const std::optional<int> first = Number(item.substr(0, dash));
        const std::optional<int> last = dash == std::string_view::npos ? first : Number(item.substr(dash + 1));
        if (!first || !last) {
            error = "/tracks entry \"" + std::string(item) + "\" is not a track number or range";
            return std::nullopt;
        }
        if (*first < 1 || *last < 1 || *first > MaxTrackNumber || *last > MaxTrackNumber) {
            error = "/tracks entry \"" + std::string(item) + "\": track numbers run from 1 to " +
                    std::to_string(MaxTrackNumber);
            return std::nullopt;
        }
        if (*first > *last) {
            error = "/tracks range \"" + std::string(item) + "\" runs backwards";
            return std::nullopt;
        }
        for (int n = *first; n <= *last; ++n) numbers.insert(n);
        if (comma == std::string_view::npos) break;
        pos = comma + 1;
    }
    selection.tracks.assign(numbers.begin(), numbers.end());
    return selection;
}

ParseResult Parse(const std::vector<std::string>& args) {
    RipCommand command;
    std::set<std::string> seen;
    std::size_t i = 0;
    if (!args.empty() && IsRipSwitch(args[0])) i = 1;

    for (; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (arg.empty()) continue;  // an empty argument a script passed along
        if (arg.front() != '/' && arg.front() != '-')
            return Fail("unexpected argument \"" + std::string(arg) + "\"");
        const std::size_t sep = arg.find_first_of(":=");
        const std::string name = Lower(arg.substr(1, sep == std::string_view::npos ? std::string_view::npos : sep - 1));
        const bool hasValue = sep != std::string_view::npos;
        const std::string value = hasValue ? Unquote(arg.substr(sep + 1)) : std::string();

        static const std::set<std::string> known = {"tracks", "format", "bitrate", "quality", "out",
                                                    "drive",  "secure", "log",     "verify"};
        if (name == "rip") return Fail("/rip given twice");
        if (!known.count(name)) return Fail("unknown switch \"" + std::string(arg) + "\"");
        if (!seen.insert(name).second) return Fail("/" + name + " given twice");
        // The switches that stand alone.
        if (name == "secure" || name == "log") {
            if (hasValue) return Fail("/" + name + " takes no value");
            (name == "secure" ? command.secure : command.log) = true;
            continue;
        }
        if (!hasValue) return Fail("/" + name + " needs a value (/" + name + ":VALUE)");

        if (name == "tracks") {
            std::string error;
            const auto selection = ParseTrackList(value, error);
            if (!selection) return Fail(error);
            command.allTracks = selection->all;
            command.tracks = selection->tracks;
        } else if (name == "format") {
            if (EqualsNoCase(Trim(value), "mp3")) command.format = OutputFormat::Mp3;
            else if (EqualsNoCase(Trim(value), "wav")) command.format = OutputFormat::Wav;
            else return Fail("/format must be MP3 or WAV, not \"" + value + "\"");
        } else if (name == "bitrate") {
            const std::optional<int> kbps = Number(value);
            const auto& list = EncoderLists::Bitrates;
            if (!kbps || std::find(list.begin(), list.end(), static_cast<uint32_t>(*kbps)) == list.end()) {
                std::string allowed;
                for (uint32_t b : list) allowed += (allowed.empty() ? "" : ", ") + std::to_string(b);
                return Fail("/bitrate must be one of " + allowed + ", not \"" + value + "\"");
            }
            command.bitrateText = std::to_string(*kbps);
        } else if (name == "quality") {
            int index = -1;
            for (std::size_t q = 0; q < EncoderLists::Qualities.size(); ++q)
                if (EqualsNoCase(Trim(value), EncoderLists::Qualities[q].text)) index = static_cast<int>(q);
            if (index < 0) {
                std::string allowed;
                for (const auto& q : EncoderLists::Qualities)
                    allowed += (allowed.empty() ? "" : ", ") + std::string(q.text);
                return Fail("/quality must be one of " + allowed + ", not \"" + value + "\"");
            }
            command.qualityIndex = index;
        } else if (name == "out") {
            if (Trim(value).empty()) return Fail("/out needs a folder");
            command.outFolder = value;
        } else if (name == "verify") {
            if (Trim(value).empty()) return Fail("/verify needs an AccurateRip record file");
            command.verifyFile = value;
            command.log = true;
        } else if (name == "drive") {
            const std::optional<int> drive = Number(value);
            if (!drive || *drive > MaxDrive)
                return Fail("/drive must be a number from 0 to " + std::to_string(MaxDrive) + ", not \"" + value +
                            "\"");
            command.drive = *drive;
        }
    }
    return {std::move(command), {}};
}

}  // namespace RipCommandLine

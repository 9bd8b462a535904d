#include "LegacyOptions.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>

namespace avf {
namespace {

enum class Shape { Flag, KbitRate, FrameRate, FrameSize, VideoCodec, FourCC, Aspect, Format, Target,
                   Count, Quantiser, AudioCodec, SampleRate, Channels };

struct OptionRule {
    const char* name;
    Shape shape;
    std::string LegacyRequest::*text;  // for options with a value
    bool LegacyRequest::*flag;         // for flags
};

// The one accepted order.
const std::array<OptionRule, 21> kOptions{{
    {"-y", Shape::Flag, nullptr, &LegacyRequest::overwrite},
    {"-b", Shape::KbitRate, &LegacyRequest::videoBitrate, nullptr},
    {"-r", Shape::FrameRate, &LegacyRequest::frameRate, nullptr},
    {"-s", Shape::FrameSize, &LegacyRequest::frameSize, nullptr},
    {"-vcodec", Shape::VideoCodec, &LegacyRequest::videoCodec, nullptr},
    {"-vtag", Shape::FourCC, &LegacyRequest::videoTag, nullptr},
    {"-aspect", Shape::Aspect, &LegacyRequest::aspect, nullptr},
    {"-bt", Shape::KbitRate, &LegacyRequest::bitrateTolerance, nullptr},
    {"-f", Shape::Format, &LegacyRequest::format, nullptr},
    {"-target", Shape::Target, &LegacyRequest::target, nullptr},
    {"-bufsize", Shape::KbitRate, &LegacyRequest::bufferSize, nullptr},
    {"-g", Shape::Count, &LegacyRequest::gopSize, nullptr},
    {"-qscale", Shape::Quantiser, &LegacyRequest::quantiser, nullptr},
    {"-maxrate", Shape::KbitRate, &LegacyRequest::maxRate, nullptr},
    {"-deinterlace", Shape::Flag, nullptr, &LegacyRequest::deinterlace},
    {"-sameq", Shape::Flag, nullptr, &LegacyRequest::sameQuality},
    {"-acodec", Shape::AudioCodec, &LegacyRequest::audioCodec, nullptr},
    {"-atag", Shape::FourCC, &LegacyRequest::audioTag, nullptr},
    {"-ab", Shape::KbitRate, &LegacyRequest::audioBitrate, nullptr},
    {"-ar", Shape::SampleRate, &LegacyRequest::sampleRate, nullptr},
    {"-ac", Shape::Channels, &LegacyRequest::channels, nullptr},
}};

bool AllDigits(const std::string& s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](unsigned char c) { return std::isdigit(c) != 0; });
}

// A positive whole number of at most maxDigits digits, within [lo, hi].
bool WholeInRange(const std::string& s, long lo, long hi, size_t maxDigits = 7) {
    if (!AllDigits(s) || s.size() > maxDigits) return false;
    long v = std::strtol(s.c_str(), nullptr, 10);
    return v >= lo && v <= hi;
}

// Decimal text such as "25" or "29.97", greater than zero.
bool PositiveDecimal(const std::string& s) {
    auto dot = s.find('.');
    std::string whole = s.substr(0, dot);
    std::string frac = dot == std::string::npos ? std::string("0") : s.substr(dot + 1);
    if (!AllDigits(whole) || !AllDigits(frac) || whole.size() > 6 || frac.size() > 6) return false;
    return std::strtod(s.c_str(), nullptr) > 0.0;
}

bool ValidFrameSize(const std::string& s) {
    auto x = s.find('x');
    if (x == std::string::npos) return false;
    return WholeInRange(s.substr(0, x), 1, 8192, 4) && WholeInRange(s.substr(x + 1), 1, 8192, 4);
}

bool ValidAspect(const std::string& s) {
    auto colon = s.find(':');
    if (colon == std::string::npos) return PositiveDecimal(s);
    return WholeInRange(s.substr(0, colon), 1, 9999, 4) && WholeInRange(s.substr(colon + 1), 1, 9999, 4);
}

bool ValidFourCC(const std::string& s) {
    return !s.empty() && s.size() <= 4 &&
           std::all_of(s.begin(), s.end(), [](unsigned char c) { return std::isalnum(c) != 0; });
}

bool ValidTarget(const std::string& s) {
    static const std::array<const char*, 5> kinds{"vcd", "svcd", "dvd", "dv", "dv50"};
    std::string kind = s;
    for (const char* prefix : {"pal-", "ntsc-", "film-"}) {
        std::string p = prefix;
        if (kind.rfind(p, 0) == 0) {
            kind = kind.substr(p.size());
            break;
        }
    }
    return std::find(kinds.begin(), kinds.end(), kind) != kinds.end();
}

bool ValueFits(Shape shape, const std::string& v) {
    switch (shape) {
    case Shape::KbitRate: return WholeInRange(v, 1, 100000);
    case Shape::FrameRate: return PositiveDecimal(v);
    case Shape::FrameSize: return ValidFrameSize(v);
    case Shape::VideoCodec: return IsKnownVideoCodec(v);
    case Shape::FourCC: return ValidFourCC(v);
    case Shape::Aspect: return ValidAspect(v);
    case Shape::Format: return IsKnownFormat(v);
    case Shape::Target: return ValidTarget(v);
    case Shape::Count: return WholeInRange(v, 1, 100000);
    case Shape::Quantiser: return WholeInRange(v, 1, 31, 2);
    case Shape::AudioCodec: return IsKnownAudioCodec(v);
    case Shape::SampleRate: return WholeInRange(v, 1000, 192000);
    case Shape::Channels: return WholeInRange(v, 1, 8, 1);
    case Shape::Flag: return true;
    }
    return false;
}

const OptionRule* FindOption(const std::string& token, size_t* index) {
    for (size_t i = 0; i < kOptions.size(); ++i) {
        if (token == kOptions[i].name) {
            *index = i;
            return &kOptions[i];
        }
    }
    return nullptr;
}

ParseResult Fail(std::string why) { return ParseResult{std::nullopt, std::move(why)}; }

}  // namespace

bool IsKnownVideoCodec(const std::string& name) {
    static const std::array<const char*, 7> names{"mpeg4", "xvid", "h264", "mpeg1video", "wmv2", "rv20", "h263"};
    return std::find_if(names.begin(), names.end(), [&](const char* n) { return name == n; }) != names.end();
}

bool IsKnownAudioCodec(const std::string& name) {
    static const std::array<const char*, 4> names{"aac", "mp3", "amr_nb", "pcm_s16le"};
    return std::find_if(names.begin(), names.end(), [&](const char* n) { return name == n; }) != names.end();
}

bool IsKnownFormat(const std::string& name) {
    static const std::array<const char*, 11> names{"wav", "mp3", "avi", "mpeg", "asf", "rm", "mov",
                                                   "flv", "3gp", "3g2", "mp4"};
    return std::find_if(names.begin(), names.end(), [&](const char* n) { return name == n; }) != names.end();
}

std::string ExtensionOf(const std::string& path) {
    auto dot = path.find_last_of('.');
    auto sep = path.find_last_of("\\/:");
    if (dot == std::string::npos || (sep != std::string::npos && dot < sep)) return {};
    std::string ext = path.substr(dot);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext;
}

ParseResult ParseLegacyArguments(const std::vector<std::string>& args) {
    if (args.empty()) return Fail("no arguments: expected -i SOURCE [options] DEST");
    if (args[0] != "-i") return Fail("the first argument must be -i, not \"" + args[0] + "\"");
    if (args.size() < 2 || args[1].empty()) return Fail("-i needs a source file");
    if (args.size() < 3) return Fail("no destination file");

    LegacyRequest req;
    req.source = args[1];
    req.dest = args.back();
    size_t ignored = 0;
    if (req.dest.empty()) return Fail("the destination file name is empty");
    if (FindOption(req.dest, &ignored) || req.dest == "-i") return Fail("no destination file after " + req.dest);

    size_t next = 0;  // index of the first option still allowed
    const size_t end = args.size() - 1;
    for (size_t i = 2; i < end; ++i) {
        const std::string& token = args[i];
        size_t index = 0;
        const OptionRule* opt = FindOption(token, &index);
        if (!opt) {
            if (token == "-i") return Fail("only one -i is allowed");
            return Fail("unknown option or stray argument \"" + token + "\"");
        }
        if (index < next) {
            return Fail("option " + token + (index + 1 == next ? " is given twice" : " is out of order"));
        }
        next = index + 1;
        if (opt->shape == Shape::Flag) {
            req.*(opt->flag) = true;
            continue;
        }
        if (i + 1 >= end) return Fail("option " + token + " needs a value");
        const std::string& value = args[++i];
        if (!ValueFits(opt->shape, value)) return Fail("invalid value \"" + value + "\" for " + token);
        req.*(opt->text) = value;
    }
    return ParseResult{std::move(req), {}};
}

}  // namespace avf

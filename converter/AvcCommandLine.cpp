#include "AvcCommandLine.h"

#include <cctype>
#include <cstdio>

namespace avc {

namespace {

char Lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

bool FlagText(std::string_view v) {
    if (v.empty() || v == "0") return false;
    if (v.size() == 5) {
        std::string s;
        for (char c : v) s += Lower(c);
        if (s == "false") return false;
    }
    return true;
}

}  // namespace

void Properties::Set(Property which, std::string_view value) {
    std::string v(value);
    switch (which) {
    case Property::RateControlBuffer: RateControlBuffer = v; break;
    case Property::VideoBitrateTolerance: VideoBitrateTolerance = v; break;
    case Property::TargetFormat: TargetFormat = v; break;
    case Property::GroupOfPictureSize: GroupOfPictureSize = v; break;
    case Property::VideoQuantiserScale: VideoQuantiserScale = v; break;
    case Property::MaxVideoBitrate: MaxVideoBitrate = v; break;
    case Property::SourceFile: SourceFile = v; break;
    case Property::DestFile: DestFile = v; break;
    case Property::DeInterlace: DeInterlace = FlagText(value); break;
    case Property::SameQuality: SameQuality = FlagText(value); break;
    case Property::VideoSize: VideoSize = v; break;
    case Property::VideoBitrate: VideoBitrate = v; break;
    case Property::VideoFrameRate: VideoFrameRate = v; break;
    case Property::VideoCodec: VideoCodec = v; break;
    case Property::VideoFourCCTag: VideoFourCCTag = v; break;
    case Property::VideoAspectRatio: VideoAspectRatio = v; break;
    case Property::ForceFormat: ForceFormat = v; break;
    case Property::AudioBitrate: AudioBitrate = v; break;
    case Property::AudioCodec: AudioCodec = v; break;
    case Property::AudioFourCCTag: AudioFourCCTag = v; break;
    case Property::AudioSamples: AudioSamples = v; break;
    case Property::AudioChannels: AudioChannels = v; break;
    }
}

std::string BuildOptions(const Properties& p, bool overWrite) {
    std::string out;
    auto option = [&out](const char* name, const std::string& value) {
        if (value.empty()) return;
        out += name;
        out += ' ';
        out += value;
        out += ' ';
    };
    if (overWrite) out += "-y ";
    option("-b", p.VideoBitrate);
    option("-r", p.VideoFrameRate);
    option("-s", p.VideoSize);
    option("-vcodec", p.VideoCodec);
    option("-vtag", p.VideoFourCCTag);
    option("-aspect", p.VideoAspectRatio);
    option("-bt", p.VideoBitrateTolerance);
    option("-f", p.ForceFormat);
    option("-target", p.TargetFormat);
    option("-bufsize", p.RateControlBuffer);
    option("-g", p.GroupOfPictureSize);
    option("-qscale", p.VideoQuantiserScale);
    option("-maxrate", p.MaxVideoBitrate);
    if (p.DeInterlace) out += "-deinterlace ";
    if (p.SameQuality) out += "-sameq ";
    option("-acodec", p.AudioCodec);
    option("-atag", p.AudioFourCCTag);
    option("-ab", p.AudioBitrate);
    option("-ar", p.AudioSamples);
    option("-ac", p.AudioChannels);
    return out;
}

std::string BuildCommandLine(std::string_view converterPath, const Properties& p, bool overWrite) {
    std::string line(converterPath);
    line += " -i \"";
    line += p.SourceFile;
    line += "\" ";
    line += BuildOptions(p, overWrite);
    line += '"';
    line += p.DestFile;
    line += '"';
    return line;
}

std::string MissingNameMessage(const Properties& p) {
    if (p.SourceFile.empty()) return "No source filename defined";
    if (p.DestFile.empty()) return "No destination filename defined";
    return {};
}

std::string MissingConverterMessage() { return std::string("Unable to locate ") + ConverterFileName; }

std::string ConverterFailedMessage(std::string_view source, unsigned long exitCode) {
    // Small codes are the converter's own; large ones are system status
    // values, which read better in hexadecimal.
    char code[16];
    std::snprintf(code, sizeof code, exitCode < 0x10000 ? "%lu" : "0x%08lX", exitCode);
    return "Unable to convert " + std::string(source) + ": " + ConverterFileName + " ended with code " + code;
}

std::string NoOutputMessage(std::string_view source) {
    return "Unable to convert " + std::string(source) + ": " + ConverterFileName + " wrote no output file";
}

std::string ConverterPath(std::string_view folder) {
    std::string path(folder);
    if (path.empty() || path.back() != '\\') path += '\\';
    path += ConverterFileName;
    return path;
}

bool ProcessNameMatches(std::string_view exeName, std::string_view target) {
    const auto nul = exeName.find('\0');
    if (nul != std::string_view::npos) exeName = exeName.substr(0, nul);
    if (target.empty() || exeName.size() < target.size()) return false;
    const std::string_view tail = exeName.substr(exeName.size() - target.size());
    for (size_t i = 0; i < target.size(); ++i)
        if (Lower(tail[i]) != Lower(target[i])) return false;
    return true;
}

}  // namespace avc

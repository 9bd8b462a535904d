#include "FfmpegLocator.h"

namespace avf {

namespace {

bool IsSlash(char c) { return c == '\\' || c == '/'; }

std::string Join(std::string_view folder, std::string_view name) {
    std::string path(folder);
    if (!path.empty() && !IsSlash(path.back())) path += '\\';
    path += name;
    return path;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

}  // namespace

bool IsAbsoluteFolder(std::string_view entry) {
    if (entry.find('%') != std::string_view::npos) return false;
    const bool driveLetter = entry.size() >= 3 && ((entry[0] >= 'A' && entry[0] <= 'Z') || (entry[0] >= 'a' && entry[0] <= 'z')) &&
                             entry[1] == ':' && IsSlash(entry[2]);
    // A UNC folder needs a server name after the two slashes.
    const bool unc = entry.size() >= 3 && IsSlash(entry[0]) && IsSlash(entry[1]) && !IsSlash(entry[2]);
    return driveLetter || unc;
}

std::vector<std::string> FfmpegCandidates(std::string_view ownFolder, std::string_view pathVariable) {
    std::vector<std::string> candidates;
    if (!ownFolder.empty()) candidates.push_back(Join(ownFolder, kFfmpegExe));
    while (!pathVariable.empty()) {
        const auto semicolon = pathVariable.find(';');
        std::string_view entry = Trim(pathVariable.substr(0, semicolon));
        pathVariable = semicolon == std::string_view::npos ? std::string_view() : pathVariable.substr(semicolon + 1);
        if (entry.size() >= 2 && entry.front() == '"' && entry.back() == '"') entry = Trim(entry.substr(1, entry.size() - 2));
        if (IsAbsoluteFolder(entry)) candidates.push_back(Join(entry, kFfmpegExe));
    }
    return candidates;
}

std::string NoFfmpegMessage(std::string_view ownFolder) {
    return "no ffmpeg.exe was found beside avformat.dll (in " + std::string(ownFolder) +
           ") or in a folder of the PATH: nothing can be converted until ffmpeg.exe is put into one of them";
}

}  // namespace avf

#include "AudioDecoder.h"

#include "WineBridge.h"

#include <vector>

namespace vexosim {

bool DecodeToCdAudio(const std::string& source, const std::string& target, std::string& why) {
    winebridge::WinePaths wine;
    if (!wine.available()) {
        why = "decoding needs the Linux ffmpeg, which only runs under Wine";
        return false;
    }
    const std::string from = wine.ToUnixPath(source), to = wine.ToUnixPath(target);
    if (from.empty() || to.empty()) {
        why = "cannot turn \"" + (from.empty() ? source : target) + "\" into a Linux path";
        return false;
    }
    const std::vector<std::string> args = {"-nostdin", "-v",  "error", "-y",  "-i",         from,  "-vn",
                                           "-f",       "s16le", "-acodec", "pcm_s16le", "-ar", "44100", "-ac",
                                           "2",        to};
    std::string output, bridge;
    const int rc = winebridge::RunFfmpeg(
        wine, args, "vexoapi-decode", [&](const char* data, size_t size) { output.append(data, size); },
        [&](const std::string& line) { bridge = line; });
    if (rc == 0) return true;
    if (rc == winebridge::kBridgeFailed) {
        why = "ffmpeg could not be run: " + bridge;
        return false;
    }
    while (!output.empty() && (output.back() == '\n' || output.back() == '\r')) output.pop_back();
    const std::size_t lastLine = output.find_last_of('\n');
    why = "ffmpeg could not decode " + source + " (exit " + std::to_string(rc) + ")";
    if (!output.empty()) why += ": " + output.substr(lastLine == std::string::npos ? 0 : lastLine + 1);
    return false;
}

}  // namespace vexosim

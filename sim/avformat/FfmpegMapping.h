// How a request in the classic option set becomes a command line for a
// present-day ffmpeg (Debian's 5.1), as pure logic. The container comes from
// -f, or else from the destination's extension; codec names, kbit/s values and
// the removed options are translated (see FfmpegMapping.cpp and README.md).
#pragma once

#include "LegacyOptions.h"

#include <string>
#include <vector>

namespace avf {

struct MappedCommand {
    bool ok = false;
    std::string error;              // why the request cannot be converted
    std::string container;          // ffmpeg muxer name actually written
    std::string videoEncoder;       // empty for audio-only output
    std::string audioEncoder;       // empty: the container's default
    std::vector<std::string> args;  // ffmpeg's arguments, program name excluded
};

// sourcePath and destPath are the paths as the converter process sees them
// (Linux paths under Wine); the request keeps the names it was given.
MappedCommand MapToFfmpeg(const LegacyRequest& request, const std::string& sourcePath,
                          const std::string& destPath);

// Container for a destination extension (".avi" -> "avi"), empty if unknown.
std::string ContainerForExtension(const std::string& extension);

}  // namespace avf

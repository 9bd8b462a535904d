// Where avformat.dll looks for a Windows ffmpeg.exe: in its own folder
// first, then in each folder of the PATH, in the PATH's order. Only absolute
// folders of the PATH count ("C:\x", "C:/x", "\\server\share\x"): an entry
// that depends on the current folder or drive ("bin", ".", "C:bin",
// "\tools") or that was never expanded ("%SystemRoot%\x") could name a
// different program from one run to the next, and is passed over.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace avf {

inline constexpr char kFfmpegExe[] = "ffmpeg.exe";

// The places to try, in order: `ownFolder`\ffmpeg.exe, then each absolute
// PATH folder's ffmpeg.exe (surrounding quotes taken off, one backslash
// between folder and name).
std::vector<std::string> FfmpegCandidates(std::string_view ownFolder, std::string_view pathVariable);

// Whether a PATH entry (quotes already off) names a folder independently of
// the current folder and drive.
bool IsAbsoluteFolder(std::string_view entry);

// The message for a Windows system where no candidate exists.
std::string NoFfmpegMessage(std::string_view ownFolder);

}  // namespace avf

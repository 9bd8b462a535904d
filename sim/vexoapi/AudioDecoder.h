// MP3 and WMA sources of audio tracks, decoded to CD audio (44.1 kHz 16-bit
// stereo little-endian PCM, no header) by the machine's Linux ffmpeg, run
// from Wine through sim/winebridge.
#pragma once

#include <string>

namespace vexosim {

// Decodes `source` into the raw PCM file `target` (both Windows paths).
// False with why set: not under Wine, a path Wine cannot turn into a Linux
// one, the bridge failing, or ffmpeg ending with an error (its last line).
bool DecodeToCdAudio(const std::string& source, const std::string& target, std::string& why);

}  // namespace vexosim

// RIFF/WAVE files as the engine takes them for audio tracks: the chunks are
// walked to find "fmt " and "data"; only 44.1 kHz 16-bit stereo PCM is CD
// audio.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace vexosim {

struct WavLayout {
    std::uint16_t format = 0;  // 1 PCM (also for WAVE_FORMAT_EXTENSIBLE with the PCM sub-format)
    std::uint16_t channels = 0;
    std::uint32_t sampleRate = 0;
    std::uint16_t bitsPerSample = 0;
    std::uint64_t dataOffset = 0;  // the first PCM byte in the file
    std::uint64_t dataBytes = 0;   // cut to what the file holds
};

// Reads `bytes` bytes at `offset`; false when they are not all there.
using ReadAt = std::function<bool(std::uint64_t offset, void* buffer, std::size_t bytes)>;

// The layout of a WAVE file of `fileSize` bytes, or nullopt with `why` set
// (not RIFF/WAVE, no "fmt " or "data" chunk, a chunk cut short).
std::optional<WavLayout> ParseWav(const ReadAt& readAt, std::uint64_t fileSize, std::string& why);

// Empty when the layout is CD audio (PCM, 44100 Hz, 16 bits, 2 channels),
// else what it is instead, e.g. "22050 Hz 16-bit 1-channel PCM".
std::string NotCdAudio(const WavLayout& layout);

}  // namespace vexosim

// The 44-byte RIFF/WAVE header of CD audio: 44100 Hz, 16-bit, stereo PCM.
// Only the two sizes depend on the audio that follows.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace WavHeader {

constexpr std::size_t Size = 44;
constexpr std::size_t RiffSizeOffset = 4;   // length + 36
constexpr std::size_t DataSizeOffset = 40;  // length

// The largest audio length whose RIFF size still fits a signed 32-bit value.
constexpr uint32_t MaxLength = 0x7FFFFFFFu - 36;

using Bytes = std::array<uint8_t, Size>;

// The header announcing `length` bytes of audio data. A length above
// MaxLength is announced as MaxLength.
Bytes Build(uint32_t length);

}  // namespace WavHeader

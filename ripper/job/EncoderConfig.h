// EncoderConfig: the 331-byte configuration record handed to the LAME stream
// interface's beInitStream, kept as a byte array with fixed offsets (packed,
// little-endian) so that it is the same on 32- and 64-bit builds. Also the
// "Bitrate" and "Quality" lists of the main window, from which the record is
// built. Pure logic: no Win32 calls.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace EncoderConfigLayout {
constexpr std::size_t Size = 331;

// Offsets of the fields (widths in the comments).
constexpr std::size_t ConfigKind = 0;       // 4: 256 = LAME layout
constexpr std::size_t StructVersion = 4;    // 4
constexpr std::size_t StructSize = 8;       // 4
constexpr std::size_t SampleRate = 12;      // 4: input rate
constexpr std::size_t ReSampleRate = 16;    // 4: 0 = encoder decides
constexpr std::size_t Mode = 20;            // 4: channel mode
constexpr std::size_t Bitrate = 24;         // 4: kbit/s
constexpr std::size_t MaxBitrate = 28;      // 4
constexpr std::size_t Preset = 32;          // 4: quality preset number
constexpr std::size_t MpegVersion = 36;     // 4
constexpr std::size_t PsyModel = 40;        // 4
constexpr std::size_t Emphasis = 44;        // 4
constexpr std::size_t PrivateBit = 48;      // 4
constexpr std::size_t Crc = 52;             // 4
constexpr std::size_t Copyright = 56;       // 4: rights-reserved bit
constexpr std::size_t Original = 60;        // 4: original/copy bit
constexpr std::size_t WriteVbrHeader = 64;  // 4
constexpr std::size_t EnableVbr = 68;       // 4
constexpr std::size_t VbrQuality = 72;      // 4
constexpr std::size_t AbrBitrate = 76;      // 4
constexpr std::size_t VbrMethod = 80;       // 4: -1 = none
constexpr std::size_t NoReservoir = 84;     // 4
constexpr std::size_t StrictIso = 88;       // 4
constexpr std::size_t Quality = 92;         // 2
constexpr std::size_t Reserved = 94;        // 237, up to the end
constexpr std::size_t ReservedSize = Size - Reserved;

// Values the ripper stores.
constexpr uint32_t KindLame = 256;
constexpr uint32_t Version = 1;
constexpr uint32_t CdSampleRate = 44100;
constexpr uint32_t ModeJointStereo = 1;
constexpr uint32_t Mpeg1 = 1;
constexpr int32_t VbrMethodNone = -1;
}  // namespace EncoderConfigLayout

struct EncoderConfig {
    std::array<uint8_t, EncoderConfigLayout::Size> bytes{};

    // The record for a constant-bitrate MPEG-1 joint-stereo stream of CD
    // audio at `bitrateKbps` with quality preset `preset`; every field not
    // named in the layout stays zero.
    static EncoderConfig Build(uint32_t bitrateKbps, int32_t preset);

    // The record from the window's selections: the bitrate list item's text
    // read as a number, and the quality list position (-1 = nothing selected).
    static EncoderConfig FromSelection(std::string_view bitrateText, int qualityIndex);

    uint32_t U32(std::size_t offset) const;
    int32_t I32(std::size_t offset) const { return static_cast<int32_t>(U32(offset)); }
    uint16_t U16(std::size_t offset) const;
    void SetU32(std::size_t offset, uint32_t value);
    void SetI32(std::size_t offset, int32_t value) { SetU32(offset, static_cast<uint32_t>(value)); }
    void SetU16(std::size_t offset, uint16_t value);

    uint8_t* data() { return bytes.data(); }
    const uint8_t* data() const { return bytes.data(); }
    static constexpr std::size_t size() { return EncoderConfigLayout::Size; }
};

namespace EncoderLists {
struct QualityItem {
    std::string_view text;
    int32_t preset;
};

// "Bitrate" list, kbit/s, in list order.
inline constexpr std::array<uint32_t, 14> Bitrates = {32,  40,  48,  56,  64,  80,  96,
                                                      112, 128, 160, 192, 224, 256, 320};
inline constexpr int DefaultBitrateIndex = 9;  // 160

// "Quality" list, in list order, with the encoder's preset number per item.
inline constexpr std::array<QualityItem, 10> Qualities = {{
    {"Low", 1},
    {"Normal", 0},
    {"High", 2},
    {"Voice", 3},
    {"Phone", 1000},
    {"Radio", 6000},
    {"Tape", 7000},
    {"Hifi", 8000},
    {"CD", 9000},
    {"Studio", 10000},
}};
inline constexpr int DefaultQualityIndex = 1;  // "Normal"

// Preset number for a quality list position; 0 when nothing (or no valid
// item) is selected.
int32_t PresetForQuality(int qualityIndex);

// A bitrate item's text read as a number the way the window reads it: an
// optional run of leading blanks, then decimal digits up to the first other
// character; 0 when there are none. Saturates instead of overflowing.
uint32_t BitrateFromText(std::string_view text);

// Position of `text` in the quality list, -1 when absent.
int QualityIndexOf(std::string_view text);
}  // namespace EncoderLists

#include "EncoderConfig.h"

using namespace EncoderConfigLayout;

uint32_t EncoderConfig::U32(std::size_t offset) const {
    if (offset > Size - 4) return 0;
    return static_cast<uint32_t>(bytes[offset]) | static_cast<uint32_t>(bytes[offset + 1]) << 8 |
           static_cast<uint32_t>(bytes[offset + 2]) << 16 | static_cast<uint32_t>(bytes[offset + 3]) << 24;
}

uint16_t EncoderConfig::U16(std::size_t offset) const {
    if (offset > Size - 2) return 0;
    return static_cast<uint16_t>(bytes[offset] | bytes[offset + 1] << 8);
}

void EncoderConfig::SetU32(std::size_t offset, uint32_t value) {
    if (offset > Size - 4) return;
    for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

void EncoderConfig::SetU16(std::size_t offset, uint16_t value) {
    if (offset > Size - 2) return;
    bytes[offset] = static_cast<uint8_t>(value);
    bytes[offset + 1] = static_cast<uint8_t>(value >> 8);
}

EncoderConfig EncoderConfig::Build(uint32_t bitrateKbps, int32_t preset) {
    EncoderConfig c;  // zero-filled
    c.SetU32(ConfigKind, KindLame);
    c.SetU32(StructVersion, Version);
    c.SetU32(StructSize, static_cast<uint32_t>(Size));
    c.SetU32(SampleRate, CdSampleRate);
    c.SetU32(ReSampleRate, 0);
    c.SetU32(Mode, ModeJointStereo);
    c.SetU32(Bitrate, bitrateKbps);
    c.SetU32(MaxBitrate, 0);
    c.SetI32(Preset, preset);
    c.SetU32(MpegVersion, Mpeg1);
    c.SetU32(PsyModel, 0);
    c.SetU32(Emphasis, 0);
    c.SetU32(PrivateBit, 1);
    c.SetU32(Crc, 1);
    c.SetU32(Copyright, 1);
    c.SetU32(Original, 1);
    c.SetU32(WriteVbrHeader, 0);
    c.SetU32(EnableVbr, 0);
    c.SetU32(VbrQuality, 0);
    c.SetU32(AbrBitrate, 0);
    c.SetI32(VbrMethod, VbrMethodNone);
    c.SetU32(NoReservoir, 0);
    c.SetU32(StrictIso, 0);
    c.SetU16(Quality, 0);
    return c;
}

EncoderConfig EncoderConfig::FromSelection(std::string_view bitrateText, int qualityIndex) {
    return Build(EncoderLists::BitrateFromText(bitrateText), EncoderLists::PresetForQuality(qualityIndex));
}

namespace EncoderLists {

int32_t PresetForQuality(int qualityIndex) {
    if (qualityIndex < 0 || qualityIndex >= static_cast<int>(Qualities.size())) return 0;
    return Qualities[static_cast<std::size_t>(qualityIndex)].preset;
}

uint32_t BitrateFromText(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    uint64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + static_cast<uint64_t>(text[i] - '0');
        if (value > UINT32_MAX) return UINT32_MAX;
    }
    return static_cast<uint32_t>(value);
}

int QualityIndexOf(std::string_view text) {
    for (std::size_t i = 0; i < Qualities.size(); ++i)
        if (Qualities[i].text == text) return static_cast<int>(i);
    return -1;
}

}  // namespace EncoderLists

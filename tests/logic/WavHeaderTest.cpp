// The 44-byte RIFF/WAVE header of CD audio.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "WavHeader.h"

namespace {

uint32_t Le32(const WavHeader::Bytes& h, size_t at) {
    return uint32_t{h[at]} | uint32_t{h[at + 1]} << 8 | uint32_t{h[at + 2]} << 16 | uint32_t{h[at + 3]} << 24;
}
uint16_t Le16(const WavHeader::Bytes& h, size_t at) { return static_cast<uint16_t>(h[at] | h[at + 1] << 8); }
std::string Tag(const WavHeader::Bytes& h, size_t at) { return std::string(reinterpret_cast<const char*>(&h[at]), 4); }

}  // namespace

TEST(WavHeaderBytes, EmptyAudioIsAValidEmptyWave) {
    const unsigned char expected[44] = {
        'R', 'I', 'F', 'F', 36, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ',
        16, 0, 0, 0, 1, 0, 2, 0, 0x44, 0xAC, 0, 0, 0x10, 0xB1, 0x02, 0,
        4, 0, 16, 0, 'd', 'a', 't', 'a', 0, 0, 0, 0};
    WavHeader::Bytes h = WavHeader::Build(0);
    EXPECT_EQ(0, std::memcmp(h.data(), expected, 44));
}

TEST(WavHeaderBytes, SixtyThousandFramesAnnounce141120000Bytes) {
    WavHeader::Bytes h = WavHeader::Build(60000 * 2352);
    EXPECT_EQ(Le32(h, 4), 141120036u);
    EXPECT_EQ(Le32(h, 40), 141120000u);
}

TEST(WavHeaderBytes, FormatFieldsAreCdAudio) {
    WavHeader::Bytes h = WavHeader::Build(12345);
    EXPECT_EQ(Tag(h, 0), "RIFF");
    EXPECT_EQ(Tag(h, 8), "WAVE");
    EXPECT_EQ(Tag(h, 12), "fmt ");
    EXPECT_EQ(Tag(h, 36), "data");
    EXPECT_EQ(Le32(h, 16), 16u);
    EXPECT_EQ(Le16(h, 20), 1);
    EXPECT_EQ(Le16(h, 22), 2);
    EXPECT_EQ(Le32(h, 24), 44100u);
    EXPECT_EQ(Le32(h, 28), 176400u);
    EXPECT_EQ(Le16(h, 32), 4);
    EXPECT_EQ(Le16(h, 34), 16);
}

TEST(WavHeaderBytes, AnEightyMinuteDiscStillFits) {
    WavHeader::Bytes h = WavHeader::Build(846720000u);
    EXPECT_EQ(Le32(h, 4), 846720036u);
    EXPECT_EQ(Le32(h, 40), 846720000u);
}

TEST(WavHeaderBytes, LengthsBeyondASigned32BitRiffSizeAreCapped) {
    WavHeader::Bytes h = WavHeader::Build(0xFFFFFFFFu);
    EXPECT_EQ(Le32(h, 4), 0x7FFFFFFFu);
    EXPECT_EQ(Le32(h, 40), 0x7FFFFFFFu - 36);
}

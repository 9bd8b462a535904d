// The encoder configuration record as bytes, the window's bitrate and quality
// lists behind it, and the texts of the encoder's result codes.
#include <gtest/gtest.h>

#include <cstring>

#include "EncoderConfig.h"
#include "modLAME.h"

namespace {

namespace L = EncoderConfigLayout;

uint32_t Le32(const EncoderConfig& c, std::size_t at) {
    // Read independently of the record's own accessors.
    const uint8_t* p = c.bytes.data() + at;
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

TEST(EncoderConfigRecord, IsExactly331Bytes) {
    EXPECT_EQ(sizeof(EncoderConfig{}.bytes), 331u);
    EXPECT_EQ(EncoderConfig::size(), 331u);
}

TEST(EncoderConfigRecord, EveryFieldAtItsOffsetForNormal160) {
    const EncoderConfig c = EncoderConfig::Build(160, 0);
    struct Field {
        std::size_t at;
        uint32_t value;
    };
    const Field fields[] = {
        {0, 256},  {4, 1},  {8, 331}, {12, 44100}, {16, 0}, {20, 1}, {24, 160}, {28, 0},
        {32, 0},   {36, 1}, {40, 0},  {44, 0},     {48, 1}, {52, 1}, {56, 1},   {60, 1},
        {64, 0},   {68, 0}, {72, 0},  {76, 0},     {80, 0xFFFFFFFFu},  {84, 0}, {88, 0},
    };
    for (const Field& f : fields) EXPECT_EQ(Le32(c, f.at), f.value) << "offset " << f.at;
    EXPECT_EQ(c.bytes[92], 0);
    EXPECT_EQ(c.bytes[93], 0);
}

TEST(EncoderConfigRecord, ByteOrderIsLittleEndian) {
    const EncoderConfig c = EncoderConfig::Build(320, 10000);
    // 44100 = 0x0000AC44, 331 = 0x014B, 10000 = 0x2710
    EXPECT_EQ(c.bytes[12], 0x44);
    EXPECT_EQ(c.bytes[13], 0xAC);
    EXPECT_EQ(c.bytes[14], 0x00);
    EXPECT_EQ(c.bytes[8], 0x4B);
    EXPECT_EQ(c.bytes[9], 0x01);
    EXPECT_EQ(c.bytes[32], 0x10);
    EXPECT_EQ(c.bytes[33], 0x27);
    for (int i = 80; i < 84; ++i) EXPECT_EQ(c.bytes[i], 0xFF) << i;
}

TEST(EncoderConfigRecord, ReservedTailIsZero) {
    const EncoderConfig c = EncoderConfig::Build(320, 10000);
    ASSERT_EQ(L::Reserved + L::ReservedSize, 331u);
    EXPECT_EQ(L::ReservedSize, 237u);
    for (std::size_t i = 94; i < 331; ++i) ASSERT_EQ(c.bytes[i], 0) << "reserved byte " << i;
}

TEST(EncoderConfigRecord, OnlyBitrateAndPresetDependOnTheSelection) {
    const EncoderConfig a = EncoderConfig::Build(32, 1);
    const EncoderConfig b = EncoderConfig::Build(320, 10000);
    for (std::size_t i = 0; i < 331; ++i) {
        const bool variable = (i >= 24 && i < 28) || (i >= 32 && i < 36);
        if (!variable) {
            EXPECT_EQ(a.bytes[i], b.bytes[i]) << "byte " << i;
        }
    }
}

TEST(EncoderConfigRecord, AccessorsStayInsideTheRecord) {
    EncoderConfig c = EncoderConfig::Build(160, 0);
    const EncoderConfig before = c;
    c.SetU32(328, 0xFFFFFFFFu);  // would run past the end
    c.SetU16(330, 0xFFFF);
    c.SetU32(100000, 1);
    EXPECT_EQ(std::memcmp(c.bytes.data(), before.bytes.data(), 331), 0);
    EXPECT_EQ(c.U32(328), 0u);
    EXPECT_EQ(c.U32(327), 0u);  // last four bytes, all zero
    EXPECT_EQ(c.U16(330), 0u);
}

// --- from the window's selections ----------------------------------------

TEST(EncoderConfigSelection, QualityPositionsStoreTheirPresetNumbers) {
    struct Case {
        int position;
        const char* text;
        int32_t preset;
    };
    const Case cases[] = {{0, "Low", 1},      {1, "Normal", 0},  {2, "High", 2}, {3, "Voice", 3},
                          {4, "Phone", 1000}, {5, "Radio", 6000}, {6, "Tape", 7000}, {7, "Hifi", 8000},
                          {8, "CD", 9000},    {9, "Studio", 10000}};
    ASSERT_EQ(EncoderLists::Qualities.size(), 10u);
    for (const Case& k : cases) {
        EXPECT_EQ(EncoderLists::Qualities[k.position].text, k.text);
        const EncoderConfig c = EncoderConfig::FromSelection("160", k.position);
        EXPECT_EQ(Le32(c, 32), static_cast<uint32_t>(k.preset)) << k.text;
    }
}

TEST(EncoderConfigSelection, LowIsOneNormalIsZeroPhoneIsNotFour) {
    EXPECT_EQ(Le32(EncoderConfig::FromSelection("128", EncoderLists::QualityIndexOf("Low")), 32), 1u);
    EXPECT_EQ(Le32(EncoderConfig::FromSelection("128", EncoderLists::QualityIndexOf("Normal")), 32), 0u);
    EXPECT_EQ(Le32(EncoderConfig::FromSelection("128", EncoderLists::QualityIndexOf("Phone")), 32), 1000u);
}

TEST(EncoderConfigSelection, NoQualitySelectedStoresZero) {
    EXPECT_EQ(Le32(EncoderConfig::FromSelection("192", -1), 32), 0u);
    EXPECT_EQ(Le32(EncoderConfig::FromSelection("192", 10), 32), 0u);
    EXPECT_EQ(Le32(EncoderConfig::FromSelection("192", 1 << 30), 32), 0u);
    EXPECT_EQ(EncoderLists::QualityIndexOf("Ultra"), -1);
}

TEST(EncoderConfigSelection, Studio320StoresBitrate320AndPreset10000) {
    const EncoderConfig c = EncoderConfig::FromSelection("320", EncoderLists::QualityIndexOf("Studio"));
    EXPECT_EQ(Le32(c, 24), 320u);
    EXPECT_EQ(Le32(c, 32), 10000u);
    EXPECT_EQ(Le32(c, 52), 1u);  // still CRC-protected
    EXPECT_EQ(Le32(c, 68), 0u);  // and not VBR
}

TEST(EncoderConfigSelection, EveryBitrateItemTextIsStoredAsItsNumber) {
    for (uint32_t kbps : EncoderLists::Bitrates) {
        const EncoderConfig c = EncoderConfig::FromSelection(std::to_string(kbps), 1);
        EXPECT_EQ(Le32(c, 24), kbps);
    }
}

TEST(EncoderConfigSelection, BitrateTextReadsLeadingDigitsOnly) {
    EXPECT_EQ(EncoderLists::BitrateFromText("160"), 160u);
    EXPECT_EQ(EncoderLists::BitrateFromText("  96"), 96u);
    EXPECT_EQ(EncoderLists::BitrateFromText("128 kbit/s"), 128u);
    EXPECT_EQ(EncoderLists::BitrateFromText(""), 0u);
    EXPECT_EQ(EncoderLists::BitrateFromText("abc"), 0u);
    EXPECT_EQ(EncoderLists::BitrateFromText("-64"), 0u);
    EXPECT_EQ(EncoderLists::BitrateFromText("99999999999999999999"), UINT32_MAX);
}

TEST(EncoderLists, BitrateListAndDefaults) {
    const uint32_t expected[] = {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
    ASSERT_EQ(EncoderLists::Bitrates.size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) EXPECT_EQ(EncoderLists::Bitrates[i], expected[i]);
    EXPECT_EQ(EncoderLists::Bitrates[EncoderLists::DefaultBitrateIndex], 160u);
    EXPECT_EQ(EncoderLists::DefaultBitrateIndex, 9);  // the tenth item
    EXPECT_EQ(EncoderLists::Qualities[EncoderLists::DefaultQualityIndex].text, "Normal");
}

// --- result code texts ----------------------------------------------------

TEST(LameErrorText, KnownCodes) {
    EXPECT_EQ(modLAME::LameErrorText(0), "No Error");
    EXPECT_EQ(modLAME::LameErrorText(1), "Invalid format");
    EXPECT_EQ(modLAME::LameErrorText(2), "Invalid format parameters");
    EXPECT_EQ(modLAME::LameErrorText(3), "No more handles");
    EXPECT_EQ(modLAME::LameErrorText(4), "Invalid handle");
    EXPECT_EQ(modLAME::LameErrorText(5), "Buffer too small");
}

TEST(LameErrorText, AnyOtherCodeIsEmpty) {
    EXPECT_EQ(modLAME::LameErrorText(6), "");
    EXPECT_EQ(modLAME::LameErrorText(-1), "");
    EXPECT_EQ(modLAME::LameErrorText(0xFFFFFFFFll), "");
    EXPECT_EQ(modLAME::LameErrorText(1000), "");
}

}  // namespace

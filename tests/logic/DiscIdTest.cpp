// The disc identifiers from a table of contents. The expected identifiers
// were computed by Debian's libdiscid (discid_put) for the same TOCs;
// tests/e2e/rip_proof_check.py compares the demo disc's with it again.
#include <gtest/gtest.h>

#include <string>

#include "DiscId.h"
#include "Sha1.h"

TEST(Sha1, DigestsTheStandardExample) {
    const std::string abc = "abc";
    const auto digest = Sha1::Of({reinterpret_cast<const uint8_t*>(abc.data()), abc.size()});
    ASSERT_TRUE(digest);
    const Sha1::Digest expected = {0xa9, 0x99, 0x3e, 0x36, 0x47, 0x06, 0x81, 0x6a, 0xba, 0x3e,
                                   0x25, 0x71, 0x78, 0x50, 0xc2, 0x6c, 0x9c, 0xd0, 0xd8, 0x9d};
    EXPECT_EQ(*digest, expected);
}

struct KnownDisc {
    DiscId::Toc toc;
    const char* freedb;
    const char* musicBrainz;
};

class DiscIds : public ::testing::TestWithParam<KnownDisc> {};

TEST_P(DiscIds, EqualLibdiscidsForTheSameToc) {
    const KnownDisc& disc = GetParam();
    EXPECT_EQ(DiscId::FreedbText(DiscId::FreedbId(disc.toc)), disc.freedb);
    EXPECT_EQ(DiscId::MusicBrainzId(disc.toc), disc.musicBrainz);
}

INSTANTIATE_TEST_SUITE_P(
    Tocs, DiscIds,
    ::testing::Values(KnownDisc{{1, {0, 14400, 31500, 51000}, 73125}, "2803cf04", "FF7eL0Ys0LN2VkG6MvXXF4NQ8TQ-"},
                      KnownDisc{{1, {0}, 60000}, "02032001", "6xjKc3JXAKQ0OWQdkrzuIl63UfM-"},
                      KnownDisc{{1, {32, 60000, 120000}, 180000}, "15096003", "LPhMYzMolVHrmCxVUwgjqoyPxhA-"}));

TEST(DiscIdText, CountsFromTheLeadInAndFillsAbsentTracksWithZero) {
    const std::string text = DiscId::MusicBrainzText({1, {0, 100}, 300});
    EXPECT_EQ(text.size(), 4u + 8u * 100u);
    EXPECT_EQ(text.substr(0, 4 + 8 * 3), "0102000001C200000096000000FA");
    EXPECT_EQ(text.substr(4 + 8 * 3), std::string(8 * 97, '0'));
}

TEST(DiscIdText, AnEmptyTocHasNoIdentifier) {
    EXPECT_EQ(DiscId::MusicBrainzId({}), "");
    EXPECT_EQ(DiscId::FreedbId({}), 0u);
}

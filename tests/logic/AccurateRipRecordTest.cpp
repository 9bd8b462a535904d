// An AccurateRip record file as the database lays it out: its name from the
// disc's identifiers, reading it (also broken and foreign ones), and how a
// track's checksums compare with it.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "AccurateRipRecord.h"

namespace {

using AccurateRipRecord::DiscKey;
using AccurateRipRecord::Pressing;
using Result = AccurateRipRecord::TrackMatch::Result;

void Put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int k = 0; k < 4; ++k) out.push_back(static_cast<uint8_t>(v >> (8 * k)));
}

struct Entry {
    uint8_t confidence;
    uint32_t checksum;
};

void PutPressing(std::vector<uint8_t>& out, const DiscKey& disc, const std::vector<Entry>& tracks) {
    out.push_back(static_cast<uint8_t>(tracks.size()));
    Put32(out, disc.ids.id1);
    Put32(out, disc.ids.id2);
    Put32(out, disc.freedbId);
    for (const Entry& e : tracks) {
        out.push_back(e.confidence);
        Put32(out, e.checksum);
        Put32(out, 0x450450u);
    }
}

const DiscKey Disc{2, {0x1234, 0x56789}, 0x0a01b502};

std::vector<Pressing> Parsed(const std::vector<uint8_t>& bytes) {
    std::string error;
    auto pressings = AccurateRipRecord::Parse(bytes, error);
    EXPECT_TRUE(pressings) << error;
    return pressings ? *pressings : std::vector<Pressing>{};
}

}  // namespace

TEST(AccurateRipRecordName, FollowsTheDatabasesNaming) {
    EXPECT_EQ(AccurateRipRecord::FileName(Disc), "dBAR-002-00001234-00056789-0a01b502.bin");
    EXPECT_EQ(AccurateRipRecord::FileName({15, {0xABCDEF01u, 0x2u}, 0xFFFFFFFFu}),
              "dBAR-015-abcdef01-00000002-ffffffff.bin");
}

TEST(AccurateRipRecordParse, ReadsEveryPressingAndTrack) {
    std::vector<uint8_t> bytes;
    PutPressing(bytes, Disc, {{5, 0xAAAA0001u}, {7, 0xBBBB0002u}});
    PutPressing(bytes, Disc, {{200, 0xCCCC0001u}, {1, 0xDDDD0002u}});
    const std::vector<Pressing> p = Parsed(bytes);
    ASSERT_EQ(p.size(), 2u);
    EXPECT_EQ(p[0].id1, 0x1234u);
    EXPECT_EQ(p[0].id2, 0x56789u);
    EXPECT_EQ(p[0].freedbId, 0x0a01b502u);
    ASSERT_EQ(p[1].tracks.size(), 2u);
    EXPECT_EQ(p[1].tracks[0].confidence, 200);
    EXPECT_EQ(p[1].tracks[1].checksum, 0xDDDD0002u);
    EXPECT_EQ(p[1].tracks[1].frame450Checksum, 0x450450u);
}

TEST(AccurateRipRecordParse, RefusesEmptyCutShortAndTracklessFiles) {
    std::vector<uint8_t> whole;
    PutPressing(whole, Disc, {{5, 1}, {7, 2}});
    std::string error;
    EXPECT_FALSE(AccurateRipRecord::Parse({}, error));
    EXPECT_NE(error.find("empty"), std::string::npos);
    // Cut inside the second track's entry, and inside a following header.
    for (std::size_t cut : {whole.size() - 1, std::size_t{5}, std::size_t{13}}) {
        const std::vector<uint8_t> shortened(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut));
        error.clear();
        EXPECT_FALSE(AccurateRipRecord::Parse(shortened, error)) << cut;
        EXPECT_FALSE(error.empty());
    }
    std::vector<uint8_t> trailing = whole;
    trailing.push_back(2);
    EXPECT_FALSE(AccurateRipRecord::Parse(trailing, error));
    std::vector<uint8_t> noTracks;
    PutPressing(noTracks, Disc, {});
    EXPECT_FALSE(AccurateRipRecord::Parse(noTracks, error));
}

TEST(AccurateRipRecordMatch, AV1OrV2ChecksumMatchesWithItsConfidence) {
    std::vector<uint8_t> bytes;
    PutPressing(bytes, Disc, {{5, 0x1111u}, {7, 0x2222u}});
    PutPressing(bytes, Disc, {{12, 0x9999u}, {3, 0x2222u}});
    const auto p = Parsed(bytes);
    const auto v1 = AccurateRipRecord::Match(p, Disc, 1, 0x1111u, 0x5555u);
    EXPECT_EQ(v1.result, Result::Accurate);
    EXPECT_EQ(v1.version, 1);
    EXPECT_EQ(v1.confidence, 5);
    EXPECT_EQ(v1.pressings, 2);
    const auto v2 = AccurateRipRecord::Match(p, Disc, 1, 0x4444u, 0x9999u);
    EXPECT_EQ(v2.result, Result::Accurate);
    EXPECT_EQ(v2.version, 2);
    EXPECT_EQ(v2.confidence, 12);
    // Both pressings list track 2 with the same checksum: the higher confidence.
    EXPECT_EQ(AccurateRipRecord::Match(p, Disc, 2, 0x2222u, 0).confidence, 7);
}

TEST(AccurateRipRecordMatch, AChangedChecksumIsNotAccurate) {
    std::vector<uint8_t> bytes;
    PutPressing(bytes, Disc, {{5, 0x1111u}, {7, 0x2222u}});
    const auto p = Parsed(bytes);
    const auto m = AccurateRipRecord::Match(p, Disc, 2, 0x2223u, 0x2224u);
    EXPECT_EQ(m.result, Result::NotAccurate);
    EXPECT_EQ(m.confidence, 7);
    EXPECT_EQ(m.pressings, 1);
}

TEST(AccurateRipRecordMatch, PressingsOfAnotherDiscNeverCount) {
    DiscKey other = Disc;
    other.ids.id2 += 1;
    std::vector<uint8_t> bytes;
    PutPressing(bytes, other, {{50, 0x1111u}, {50, 0x2222u}});
    const auto p = Parsed(bytes);
    EXPECT_EQ(AccurateRipRecord::PressingsOf(p, Disc), 0);
    EXPECT_EQ(AccurateRipRecord::Match(p, Disc, 1, 0x1111u, 0x1111u).result, Result::NotPresent);
    // A pressing with another track count is another disc too.
    DiscKey threeTracks = Disc;
    threeTracks.audioTracks = 3;
    std::vector<uint8_t> more;
    PutPressing(more, threeTracks, {{50, 0x1111u}, {50, 0x2222u}, {50, 0x3333u}});
    EXPECT_EQ(AccurateRipRecord::Match(Parsed(more), Disc, 1, 0x1111u, 0).result, Result::NotPresent);
}

TEST(AccurateRipRecordMatch, ATrackBeyondTheRecordIsNotPresent) {
    std::vector<uint8_t> bytes;
    PutPressing(bytes, Disc, {{5, 0x1111u}, {7, 0x2222u}});
    const auto p = Parsed(bytes);
    EXPECT_EQ(AccurateRipRecord::Match(p, Disc, 3, 0, 0).result, Result::NotPresent);
    EXPECT_EQ(AccurateRipRecord::Match(p, Disc, 0, 0x1111u, 0).result, Result::NotPresent);
}

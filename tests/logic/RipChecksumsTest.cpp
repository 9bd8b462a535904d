// The checksums a rip log carries: CRC-32 of the PCM, the AccurateRip v1/v2
// sums with the first/last track exclusions, the AccurateRip disc
// identifiers. (The demo disc's sums are compared with Debian's own
// tools end to end in tests/e2e/rip_proof_check.py.)
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "AccurateRip.h"
#include "Crc32.h"

namespace {

std::vector<uint8_t> Words(const std::vector<uint32_t>& words) {
    std::vector<uint8_t> bytes;
    for (uint32_t w : words)
        for (int k = 0; k < 4; ++k) bytes.push_back(static_cast<uint8_t>(w >> (8 * k)));
    return bytes;
}

std::vector<uint8_t> Ones(uint32_t count) { return Words(std::vector<uint32_t>(count, 1u)); }

uint64_t SumOfPositions(uint64_t from, uint64_t to) { return (from + to) * (to - from + 1) / 2; }

}  // namespace

TEST(Crc32, MatchesTheStandardCheckValue) {
    const std::string text = "123456789";
    Crc32 crc;
    crc.Add({reinterpret_cast<const uint8_t*>(text.data()), text.size()});
    EXPECT_EQ(crc.Value(), 0xCBF43926u);
    EXPECT_EQ(Crc32().Value(), 0u);
}

TEST(Crc32, PiecesGiveTheSameValueAsTheWhole) {
    std::vector<uint8_t> bytes(10000);
    for (std::size_t k = 0; k < bytes.size(); ++k) bytes[k] = static_cast<uint8_t>(k * 7 + k / 300);
    Crc32 whole, pieces;
    whole.Add(bytes);
    const std::span<const uint8_t> all(bytes);
    pieces.Add(all.subspan(0, 1));
    pieces.Add(all.subspan(1, 4095));
    pieces.Add(all.subspan(4096));
    EXPECT_EQ(whole.Value(), pieces.Value());
}

TEST(AccurateRipSum, WeighsEveryWordByItsOneBasedPosition) {
    AccurateRip::TrackSum sum(3, false, false);
    sum.Add(Words({1, 2, 3}));
    EXPECT_EQ(sum.V1(), 14u);
    EXPECT_EQ(sum.V2(), 14u);
}

TEST(AccurateRipSum, TakesTheLeftChannelAsTheLowHalfOfEachWord) {
    // One sample pair: left 0x0001, right 0x0002 -> word 0x00020001.
    AccurateRip::TrackSum sum(1, false, false);
    sum.Add(std::vector<uint8_t>{0x01, 0x00, 0x02, 0x00});
    EXPECT_EQ(sum.V1(), 0x00020001u);
}

TEST(AccurateRipSum, V2AddsTheHighHalfOfEachProduct) {
    // 3 * 0xFFFFFFFF = 0x2'FFFFFFFD: low half 0xFFFFFFFD, high half 2.
    AccurateRip::TrackSum sum(3, false, false);
    sum.Add(Words({0, 0, 0xFFFFFFFFu}));
    EXPECT_EQ(sum.V1(), 0xFFFFFFFDu);
    EXPECT_EQ(sum.V2(), 0xFFFFFFFFu);
}

TEST(AccurateRipSum, SumsWrapAt32Bits) {
    AccurateRip::TrackSum sum(2, false, false);
    sum.Add(Words({0x80000000u, 0x80000000u}));
    // 1 * 2^31 + 2 * 2^31 = 3 * 2^31: low 0x80000000, high 1.
    EXPECT_EQ(sum.V1(), 0x80000000u);
    EXPECT_EQ(sum.V2(), 0x80000001u);
}

TEST(AccurateRipSum, TheFirstTrackLeavesOutTheWordsBeforePosition2940) {
    AccurateRip::TrackSum sum(3000, true, false);
    sum.Add(Ones(3000));
    EXPECT_EQ(sum.V1(), static_cast<uint32_t>(SumOfPositions(2940, 3000)));
}

TEST(AccurateRipSum, TheLastTrackLeavesOutItsLast2940Words) {
    AccurateRip::TrackSum sum(3000, false, true);
    sum.Add(Ones(3000));
    EXPECT_EQ(sum.V1(), static_cast<uint32_t>(SumOfPositions(1, 60)));
}

TEST(AccurateRipSum, AOneTrackDiscLeavesOutBothEnds) {
    AccurateRip::TrackSum sum(6000, true, true);
    sum.Add(Ones(6000));
    EXPECT_EQ(sum.V1(), static_cast<uint32_t>(SumOfPositions(2940, 3060)));
}

TEST(AccurateRipSum, ATrackShorterThanTheExclusionsSumsNothing) {
    AccurateRip::TrackSum sum(2000, true, true);
    sum.Add(Ones(2000));
    EXPECT_EQ(sum.V1(), 0u);
    EXPECT_EQ(sum.V2(), 0u);
}

TEST(AccurateRipSum, BlocksGiveTheSameSumsAsTheWholeTrack) {
    constexpr uint32_t words = 588 * 60;
    std::vector<uint32_t> values(words);
    for (uint32_t k = 0; k < words; ++k) values[k] = k * 2654435761u;
    const std::vector<uint8_t> bytes = Words(values);
    AccurateRip::TrackSum whole(words, true, true), blocks(words, true, true);
    whole.Add(bytes);
    // 26-frame blocks, as the rip reads them, and a short last one.
    const std::span<const uint8_t> all(bytes);
    for (std::size_t at = 0; at < all.size(); at += 26 * 2352) blocks.Add(all.subspan(at, std::min<std::size_t>(26 * 2352, all.size() - at)));
    EXPECT_EQ(blocks.Position(), words);
    EXPECT_EQ(whole.V1(), blocks.V1());
    EXPECT_EQ(whole.V2(), blocks.V2());
    EXPECT_NE(whole.V1(), whole.V2());
}

TEST(AccurateRipDiscIds, SumStartsAndWeighThemByTrackNumber) {
    const AccurateRip::DiscIds ids = AccurateRip::ComputeDiscIds({0, 100}, 300);
    EXPECT_EQ(ids.id1, 400u);
    // A track starting at sector 0 counts as 1 in the second sum.
    EXPECT_EQ(ids.id2, 1u * 1 + 100u * 2 + 300u * 3);
}

TEST(AccurateRipDiscIds, TheDemoDiscsLayout) {
    // Tracks of 192, 228, 260 and 295 seconds from sector 0.
    const AccurateRip::DiscIds ids = AccurateRip::ComputeDiscIds({0, 14400, 31500, 51000}, 73125);
    EXPECT_EQ(ids.id1, 0u + 14400 + 31500 + 51000 + 73125);
    EXPECT_EQ(ids.id2, 1u + 14400 * 2 + 31500 * 3 + 51000 * 4 + 73125 * 5);
}

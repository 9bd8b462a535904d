// The virtual drive's misreading frames (flaky.txt) as logic: which reads
// come back changed, that no two misreads are alike, and that every read
// covering a frame counts.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "FlakyFrames.h"

namespace {

using akrip::FlakyFrames;
using akrip::ParseFlaky;

constexpr uint32_t kFrame = 2352;

// Frames [first, first + count) of a made-up disc: every byte from its frame and place.
std::vector<uint8_t> TrueFrames(uint32_t first, uint32_t count) {
    std::vector<uint8_t> bytes(std::size_t{count} * kFrame);
    for (std::size_t k = 0; k < bytes.size(); ++k) bytes[k] = static_cast<uint8_t>((first + k / kFrame) * 31 + (k % kFrame) * 7);
    return bytes;
}

std::vector<uint8_t> Read(FlakyFrames& flaky, uint32_t first, uint32_t count) {
    std::vector<uint8_t> bytes = TrueFrames(first, count);
    flaky.Apply(first, count, bytes.data());
    return bytes;
}

std::vector<uint8_t> FrameOf(const std::vector<uint8_t>& bytes, uint32_t k) {
    return {bytes.begin() + std::ptrdiff_t(k) * kFrame, bytes.begin() + std::ptrdiff_t(k + 1) * kFrame};
}

}  // namespace

TEST(FlakyFrames, AFrameMisreadsOnItsFirstReadsOnlyThenReadsTrue) {
    FlakyFrames flaky(ParseFlaky("# frame 30, first read\n30 1\n", nullptr));
    const std::vector<uint8_t> first = Read(flaky, 26, 26);
    EXPECT_NE(FrameOf(first, 4), FrameOf(TrueFrames(26, 26), 4));
    // Only frame 30 changed.
    for (uint32_t k = 0; k < 26; ++k) {
        if (k == 4) continue;
        EXPECT_EQ(FrameOf(first, k), FrameOf(TrueFrames(26, 26), k)) << k;
    }
    EXPECT_EQ(Read(flaky, 26, 26), TrueFrames(26, 26));
    EXPECT_EQ(Read(flaky, 30, 1), TrueFrames(30, 1));
}

TEST(FlakyFrames, AnAlwaysFlakyFrameNeverReadsTheSameTwice) {
    FlakyFrames flaky(ParseFlaky("40-41 always\n", nullptr));
    std::set<std::vector<uint8_t>> seen;
    for (int read = 0; read < 40; ++read) {
        const std::vector<uint8_t> bytes = Read(flaky, 40, 1);
        EXPECT_NE(bytes, TrueFrames(40, 1));
        EXPECT_TRUE(seen.insert(bytes).second) << "read " << read << " repeats an earlier one";
    }
    // Counts are kept per frame: frame 41 is on its first read.
    EXPECT_NE(Read(flaky, 41, 1), TrueFrames(41, 1));
}

TEST(FlakyFrames, EveryReadCoveringAFrameCountsAndOverlappingRangesCountOnce) {
    FlakyFrames flaky(ParseFlaky("5 2\n3-7 2\n", nullptr));
    EXPECT_NE(Read(flaky, 0, 26), TrueFrames(0, 26));  // first read of frames 3..7
    EXPECT_NE(Read(flaky, 5, 1), TrueFrames(5, 1));    // second read of frame 5
    // Frame 5's third read is true; frames 3, 4, 6 and 7 are on their second.
    const std::vector<uint8_t> third = Read(flaky, 3, 5);
    EXPECT_EQ(FrameOf(third, 2), TrueFrames(5, 1));
    EXPECT_NE(FrameOf(third, 1), TrueFrames(4, 1));
    EXPECT_EQ(Read(flaky, 3, 5), TrueFrames(3, 5));
}

TEST(FlakyFrames, NoDirectivesChangeNothingAndBadLinesAreListed) {
    std::vector<std::string> rejected;
    FlakyFrames flaky(ParseFlaky("x\n9-3\n", &rejected));
    EXPECT_TRUE(flaky.Empty());
    EXPECT_EQ(rejected, (std::vector<std::string>{"x", "9-3"}));
    EXPECT_EQ(Read(flaky, 0, 26), TrueFrames(0, 26));
}

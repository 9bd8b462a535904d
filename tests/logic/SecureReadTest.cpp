// Secure reading's decisions: which frames of a test and a copy read differ,
// when a disputed frame is settled, what is written when it never is.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "SecureRead.h"

namespace {

using SecureRead::FrameBytes;

std::vector<uint8_t> Frame(uint8_t fill) { return std::vector<uint8_t>(FrameBytes, fill); }

std::vector<uint8_t> Frames(const std::vector<uint8_t>& fills) {
    std::vector<uint8_t> bytes;
    for (uint8_t f : fills) bytes.insert(bytes.end(), FrameBytes, f);
    return bytes;
}

}  // namespace

TEST(SecureReadCompare, FindsTheFramesWhoseBytesDiffer) {
    std::vector<uint8_t> test = Frames({1, 2, 3, 4});
    std::vector<uint8_t> copy = test;
    EXPECT_TRUE(SecureRead::DifferingFrames(test, copy, 4).empty());
    copy[FrameBytes * 1 + 17] ^= 1;           // one bit in frame 1
    copy[FrameBytes * 4 - 1] ^= 0x80;         // the last byte of frame 3
    EXPECT_EQ(SecureRead::DifferingFrames(test, copy, 4), (std::vector<uint32_t>{1, 3}));
    // Only the frames asked for are compared.
    EXPECT_EQ(SecureRead::DifferingFrames(test, copy, 2), (std::vector<uint32_t>{1}));
}

TEST(SecureReadDispute, ARereadAgreeingWithEitherEarlierReadSettlesIt) {
    SecureRead::DisputedFrame withCopy(Frame(9), Frame(1));
    EXPECT_FALSE(withCopy.Agreed());
    EXPECT_TRUE(withCopy.WantsAnotherRead());
    EXPECT_TRUE(withCopy.Offer(Frame(1)));
    EXPECT_TRUE(withCopy.Agreed());
    EXPECT_EQ(withCopy.Rereads(), 1);
    EXPECT_EQ(withCopy.Best()[0], 1);
    EXPECT_FALSE(withCopy.WantsAnotherRead());

    SecureRead::DisputedFrame withTest(Frame(1), Frame(9));
    EXPECT_FALSE(withTest.Offer(Frame(5)));
    EXPECT_TRUE(withTest.Offer(Frame(1)));
    EXPECT_EQ(withTest.Rereads(), 2);
    EXPECT_EQ(withTest.Best()[0], 1);
}

TEST(SecureReadDispute, TwoLaterReadsThatAgreeSettleIt) {
    SecureRead::DisputedFrame frame(Frame(1), Frame(2));
    EXPECT_FALSE(frame.Offer(Frame(3)));
    EXPECT_TRUE(frame.Offer(Frame(3)));
    EXPECT_EQ(frame.Best()[0], 3);
}

TEST(SecureReadDispute, AFrameThatNeverAgreesStopsAfterTheBoundAndKeepsTheMostFrequentRead) {
    SecureRead::DisputedFrame frame(Frame(1), Frame(2));
    int reads = 0;
    uint8_t fill = 10;
    while (frame.WantsAnotherRead()) {
        frame.Offer(Frame(fill++));
        ++reads;
    }
    EXPECT_EQ(reads, SecureRead::MaxRereads);
    EXPECT_FALSE(frame.Agreed());
    // Every read seen once: the earliest, the test read.
    EXPECT_EQ(frame.Best()[0], 1);
}

TEST(SecureReadDispute, FailedRereadsCountAgainstTheBound) {
    SecureRead::DisputedFrame frame(Frame(1), Frame(2));
    for (int k = 0; k < SecureRead::MaxRereads; ++k) EXPECT_FALSE(frame.Offer({}));
    EXPECT_FALSE(frame.WantsAnotherRead());
    EXPECT_FALSE(frame.Agreed());
}

TEST(SecureReadDispute, ReadsThatOnlyDifferInOneBitAreDifferentReads) {
    std::vector<uint8_t> a = Frame(7), b = Frame(7);
    b[FrameBytes - 1] ^= 1;
    SecureRead::DisputedFrame frame(a, b);
    std::vector<uint8_t> c = Frame(7);
    c[0] ^= 1;
    EXPECT_FALSE(frame.Offer(c));
    EXPECT_TRUE(frame.Offer(b));
    EXPECT_EQ(frame.Best()[FrameBytes - 1], b[FrameBytes - 1]);
}

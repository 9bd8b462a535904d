// The track list's Start column arithmetic and the library's name texts.
#include <gtest/gtest.h>

#include "TrackTimes.h"

using namespace TrackTimes;

TEST(TrackTimes, TheThreeTrackExampleCarriesFramesAndSeconds) {
    const char* lengths[] = {"04:10:50", "03:00:40", "05:00:00"};
    std::string start(FirstStart);
    std::vector<std::string> starts{start};
    for (int i = 0; i < 2; ++i) {
        auto next = AddTimes(start, lengths[i]);
        ASSERT_TRUE(next);
        start = *next;
        starts.push_back(start);
    }
    EXPECT_EQ(starts, (std::vector<std::string>{"00:02:00", "04:12:50", "07:13:15"}));
    EXPECT_EQ(AddTimes("00:59:10", "00:01:05"), "01:00:15");
    EXPECT_EQ(AddTimes("00:00:74", "00:00:01"), "00:01:00");
    EXPECT_EQ(AddTimes("00:00:00", "00:00:00"), "00:00:00");
    EXPECT_EQ(AddTimes("99:59:74", "00:00:01"), "100:00:00");
}

TEST(TrackTimes, TextsThatAreNoTimeGiveNothing) {
    EXPECT_FALSE(AddTimes("00:02:00", "no_tracks"));
    EXPECT_FALSE(AddTimes("device_not_open", "03:00:40"));
    EXPECT_FALSE(ParseMsf(""));
    EXPECT_FALSE(ParseMsf("01:02"));
    EXPECT_FALSE(ParseMsf("01:02:03:04"));
    EXPECT_FALSE(ParseMsf("01::03"));
    EXPECT_FALSE(ParseMsf("01:02:"));
    EXPECT_FALSE(ParseMsf("0a:02:03"));
    EXPECT_FALSE(ParseMsf("99999999999:00:00"));
    auto t = ParseMsf("4:10:50");
    ASSERT_TRUE(t);
    EXPECT_EQ(FormatMsf(*t), "04:10:50");
}

TEST(TrackTimes, AddressTimesCountTheLeadIn) {
    EXPECT_EQ(AddressTime(0), "00:02:00");
    EXPECT_EQ(AddressTime(18787), "04:12:37");
    EXPECT_EQ(AddressTime(75 * 60 - 150), "01:00:00");
}

TEST(BytesToString, SkipsZeroBytesRatherThanEnding) {
    const uint8_t bytes[] = {'0', ':', 0, '1', 0, 0, 'C', 'D'};
    EXPECT_EQ(BytesToString(bytes, sizeof bytes), "0:1CD");
    EXPECT_EQ(BytesToString(nullptr, 5), "");
}

// Reading the MCI device's status replies.
#include <gtest/gtest.h>

#include <string>

#include "CD_Library.h"

using namespace std::string_literals;

TEST(TrackCountReply, FirstTwoCharactersAsANumber) {
    EXPECT_EQ(CD_Library::LeadingTwoDigits("12"), 12);
    EXPECT_EQ(CD_Library::LeadingTwoDigits("3"), 3);
    EXPECT_EQ(CD_Library::LeadingTwoDigits("3\0"s), 3);
    EXPECT_EQ(CD_Library::LeadingTwoDigits("99"), 99);
    EXPECT_EQ(CD_Library::LeadingTwoDigits("123"), 12);  // only two characters count
    EXPECT_EQ(CD_Library::LeadingTwoDigits("07"), 7);
}

TEST(TrackCountReply, NoLeadingDigitIsZero) {
    EXPECT_EQ(CD_Library::LeadingTwoDigits(""), 0);
    EXPECT_EQ(CD_Library::LeadingTwoDigits("ab"), 0);
    EXPECT_EQ(CD_Library::LeadingTwoDigits("-5"), 0);
    EXPECT_EQ(CD_Library::LeadingTwoDigits("5x"), 5);
}

TEST(MediaPresentReply, TrueOnlyForTrue) {
    EXPECT_TRUE(CD_Library::ReplyAsBoolean("true"));
    EXPECT_TRUE(CD_Library::ReplyAsBoolean("TRUE"));
    EXPECT_TRUE(CD_Library::ReplyAsBoolean(" True "));
    EXPECT_TRUE(CD_Library::ReplyAsBoolean("1"));
    EXPECT_FALSE(CD_Library::ReplyAsBoolean("false"));
    EXPECT_FALSE(CD_Library::ReplyAsBoolean(""));
    EXPECT_FALSE(CD_Library::ReplyAsBoolean("0"));
    EXPECT_FALSE(CD_Library::ReplyAsBoolean("truest"));
}

TEST(ReplyBuffer, TextEndsAtTheFirstNulOrTheBufferEnd) {
    const char buf[6] = {'1', '3', ':', '2', '0', '\0'};
    EXPECT_EQ(CD_Library::ReplyText(buf, 6), "13:20");
    const char full[4] = {'a', 'b', 'c', 'd'};
    EXPECT_EQ(CD_Library::ReplyText(full, 4), "abcd");
    EXPECT_EQ(CD_Library::ReplyText(nullptr, 4), "");
}

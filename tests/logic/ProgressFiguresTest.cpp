// The rip progress window's figures: the percentage with its two-decimal
// step and halves to even, the file name from the job's text, the labels.
#include <gtest/gtest.h>

#include <limits>

#include "ProgressFigures.h"

using namespace ProgressFigures;

TEST(PercentShown, HalvesGoToTheEvenNeighbour) {
    EXPECT_EQ(PercentShown(1, 8), 12);   // 12.50
    EXPECT_EQ(PercentShown(3, 8), 38);   // 37.50
    EXPECT_EQ(PercentShown(5, 8), 62);   // 62.50
    EXPECT_EQ(PercentShown(7, 8), 88);   // 87.50
    EXPECT_EQ(PercentShown(1, 200), 0);  // 0.50
    EXPECT_EQ(PercentShown(3, 200), 2);  // 1.50
}

TEST(PercentShown, RoundsFromTheTwoDecimalText) {
    EXPECT_EQ(PercentShown(1, 3), 33);      // 33.33
    EXPECT_EQ(PercentShown(2, 3), 67);      // 66.67
    // 49.996 is written "50.00"; 12.504 is written "12.50" and goes to 12,
    // where rounding the unformatted value would give 13.
    EXPECT_EQ(PercentShown(49996, 100000), 50);
    EXPECT_EQ(PercentShown(12504, 100000), 12);
}

TEST(PercentShown, EndsAndOddInput) {
    EXPECT_EQ(PercentShown(0, 8), 0);
    EXPECT_EQ(PercentShown(8, 8), 100);
    EXPECT_EQ(PercentShown(26, 100), 26);
    EXPECT_EQ(PercentShown(1, 0), 0);
    EXPECT_EQ(PercentShown(1, -5), 0);
    EXPECT_EQ(PercentShown(std::numeric_limits<double>::quiet_NaN(), 8), 0);
}

TEST(ProgressTexts, NameAndLabels) {
    EXPECT_EQ(LastPathPiece("Extracting track C:\\Music\\Track 3.wav"), "Track 3.wav");
    EXPECT_EQ(LastPathPiece("no backslash"), "no backslash");
    EXPECT_EQ(LastPathPiece("ends\\"), "");
    EXPECT_EQ(StatusText("Extracting track C:\\Music\\Track 3.wav"), "Extracting Track 3.wav....");
    EXPECT_EQ(CompleteText(46), "46 % complete");
    EXPECT_EQ(CompleteText(100), "100 % complete");
}

TEST(FilledWidth, FractionOfTheInnerWidth) {
    EXPECT_EQ(FilledWidth(0, 8, 352), 0);
    EXPECT_EQ(FilledWidth(4, 8, 352), 176);
    EXPECT_EQ(FilledWidth(8, 8, 352), 352);
    EXPECT_EQ(FilledWidth(9, 8, 352), 352);
    EXPECT_EQ(FilledWidth(-1, 8, 352), 0);
    EXPECT_EQ(FilledWidth(1, 0, 352), 0);
}

// The converter tab's texts: the open dialog's result split into paths, the
// "Type" and "Size" columns, and the output names of the job.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ConverterFiles.h"

using namespace std::string_literals;
using Paths = std::vector<std::string>;

TEST(DialogResult, ReadsUpToTheDoubleNulAndAppendsOne) {
    const char single[] = "C:\\m\\a.avi\0\0junk";
    EXPECT_EQ(ConverterFiles::DialogResult(single, sizeof single), "C:\\m\\a.avi\0"s);
    const char several[] = "C:\\m\0a.avi\0b.mpg\0\0";
    EXPECT_EQ(ConverterFiles::DialogResult(several, sizeof several), "C:\\m\0a.avi\0b.mpg\0"s);
    const char cancelled[4] = {};
    EXPECT_EQ(ConverterFiles::DialogResult(cancelled, sizeof cancelled), "");
    EXPECT_EQ(ConverterFiles::DialogResult(nullptr, 0), "");
}

TEST(DialogResult, AFullBufferWithoutTerminatorStaysInside) {
    const char full[4] = {'a', 'b', 'c', 'd'};
    EXPECT_EQ(ConverterFiles::DialogResult(full, sizeof full), "abc\0"s);
}

TEST(SplitSelection, OneFile) {
    EXPECT_EQ(ConverterFiles::SplitSelection("C:\\media\\clips\\a.avi\0"s), (Paths{"C:\\media\\clips\\a.avi"}));
}

TEST(SplitSelection, OneFileInADrivesRootKeepsTheRootBackslash) {
    EXPECT_EQ(ConverterFiles::SplitSelection("D:\\clip.avi\0"s), (Paths{"D:\\\\clip.avi"}));
}

TEST(SplitSelection, SeveralFilesInTheDialogsOrder) {
    EXPECT_EQ(ConverterFiles::SplitSelection("C:\\m\0b.mpg\0a.mpg\0"s), (Paths{"C:\\m\\b.mpg", "C:\\m\\a.mpg"}));
}

TEST(SplitSelection, CancelledGivesNothing) {
    EXPECT_TRUE(ConverterFiles::SplitSelection("").empty());
    EXPECT_TRUE(ConverterFiles::SplitSelection("\0"s).empty());
}

TEST(TypeColumn, SecondPieceUpperCased) {
    EXPECT_EQ(ConverterFiles::TypeText("clip.avi"), "AVI");
    EXPECT_EQ(ConverterFiles::TypeText("clip.one.avi"), "ONE");
    EXPECT_EQ(ConverterFiles::TypeText("clip."), "");
    EXPECT_EQ(ConverterFiles::TypeText("README"), "");
}

TEST(SizeColumn, MegabytesWithTwoDecimals) {
    EXPECT_EQ(ConverterFiles::SizeText(1234567), "1.23 MB");
    EXPECT_EQ(ConverterFiles::SizeText(0), "0.00 MB");
    EXPECT_EQ(ConverterFiles::SizeText(4999), "0.00 MB");
    EXPECT_EQ(ConverterFiles::SizeText(5000), "0.01 MB");
    EXPECT_EQ(ConverterFiles::SizeText(1995000), "2.00 MB");
    EXPECT_EQ(ConverterFiles::SizeText(5000000000ull), "5000.00 MB");
}

TEST(OutputName, DotsVanishAndThePresetExtensionFollows) {
    EXPECT_EQ(ConverterFiles::OutputName("C:\\m\\clip.one.avi", ".wmv"), "clipone.wmv");
    EXPECT_EQ(ConverterFiles::OutputName("C:\\m\\my.clip.avi", ".avi"), "myclip.avi");
    EXPECT_EQ(ConverterFiles::OutputName("C:\\m\\a.mpg", ".avi"), "a.avi");
    EXPECT_EQ(ConverterFiles::OutputName("C:\\m.d\\noext", ".mp3"), ".mp3");
}

TEST(OutputName, DestinationJoinsTheFolderOnce) {
    EXPECT_EQ(ConverterFiles::JoinPath("C:\\out", "a.avi"), "C:\\out\\a.avi");
    EXPECT_EQ(ConverterFiles::JoinPath("C:\\", "a.avi"), "C:\\a.avi");
}

// The headless conversion mode's command line, parsed without the system.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ConversionPresets.h"
#include "HeadlessConvert.h"

namespace {

using HeadlessConvert::Parse;

TEST(HeadlessConvertParse, FilesInOrderWithPresetAndFolder) {
    const auto r = Parse({"/convert", "a.avi", "-PRESET=Zune WMV", "b c.mpg", "/Out:C:\\out"});
    ASSERT_TRUE(r) << r.error;
    EXPECT_EQ(r.command->files, (std::vector<std::string>{"a.avi", "b c.mpg"}));
    EXPECT_EQ(r.command->preset, "Zune WMV");
    EXPECT_EQ(r.command->outFolder, "C:\\out");
}

TEST(HeadlessConvertParse, WithoutAPresetTheTabsDefaultFormatIsUsed) {
    const auto r = Parse({"-convert", "a.avi", "/out:x"});
    ASSERT_TRUE(r) << r.error;
    EXPECT_EQ(r.command->preset, ConversionPresets::DefaultCaption);
}

struct Refused {
    std::vector<std::string> args;
    std::string reason;
};

class HeadlessConvertRefuses : public ::testing::TestWithParam<Refused> {};

TEST_P(HeadlessConvertRefuses, WithAOneLineReason) {
    const auto r = Parse(GetParam().args);
    EXPECT_FALSE(r);
    EXPECT_NE(r.error.find(GetParam().reason), std::string::npos) << r.error;
}

INSTANTIATE_TEST_SUITE_P(
    BadRequests, HeadlessConvertRefuses,
    ::testing::Values(Refused{{"/convert", "/out:x"}, "no file"}, Refused{{"/convert", "a.avi"}, "no output folder"},
                      Refused{{"/convert", "a.avi", "/out:"}, "/out:"},
                      Refused{{"/convert", "a.avi", "/out"}, "needs a value"},
                      Refused{{"/convert", "a.avi", "/out:x", "/out:y"}, "given twice"},
                      Refused{{"/convert", "a.avi", "/out:x", "/bitrate:3"}, "not known"}));

}  // namespace

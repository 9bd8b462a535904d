// The converter's command line: option names, their fixed order, the flags,
// the quoting of the two file names, and the texts of the early checks.
#include <gtest/gtest.h>

#include "AvcCommandLine.h"

using avc::Properties;
using avc::Property;

TEST(CommandLine, NoOptionsLeaveOneBlankBetweenTheQuotedNames) {
    Properties p;
    p.SourceFile = "C:\\in\\a b.avi";
    p.DestFile = "C:\\out\\a.mpg";
    EXPECT_EQ(avc::BuildCommandLine("C:\\PROG~1\\avformat.dll", p, false),
              "C:\\PROG~1\\avformat.dll -i \"C:\\in\\a b.avi\" \"C:\\out\\a.mpg\"");
}

TEST(CommandLine, OverWriteAloneGivesOnlyMinusY) {
    Properties p;
    p.SourceFile = "s";
    p.DestFile = "d";
    EXPECT_EQ(avc::BuildCommandLine("conv", p, true), "conv -i \"s\" -y \"d\"");
}

TEST(CommandLine, ExampleWithBitrateFrameRateAndChannels) {
    Properties p;
    p.SourceFile = "s";
    p.DestFile = "d";
    p.AudioChannels = "2";
    p.VideoFrameRate = "29.97";
    p.VideoBitrate = "360";
    EXPECT_EQ(avc::BuildCommandLine("conv", p, true), "conv -i \"s\" -y -b 360 -r 29.97 -ac 2 \"d\"");
}

TEST(CommandLine, EveryOptionInItsFixedOrder) {
    Properties p;
    // Set in reverse order of the output on purpose.
    p.AudioChannels = "ac";
    p.AudioSamples = "ar";
    p.AudioBitrate = "ab";
    p.AudioFourCCTag = "atag";
    p.AudioCodec = "acodec";
    p.SameQuality = true;
    p.DeInterlace = true;
    p.MaxVideoBitrate = "maxrate";
    p.VideoQuantiserScale = "qscale";
    p.GroupOfPictureSize = "g";
    p.RateControlBuffer = "bufsize";
    p.TargetFormat = "target";
    p.ForceFormat = "f";
    p.VideoBitrateTolerance = "bt";
    p.VideoAspectRatio = "aspect";
    p.VideoFourCCTag = "vtag";
    p.VideoCodec = "vcodec";
    p.VideoSize = "s";
    p.VideoFrameRate = "r";
    p.VideoBitrate = "b";
    EXPECT_EQ(avc::BuildOptions(p, true),
              "-y -b b -r r -s s -vcodec vcodec -vtag vtag -aspect aspect -bt bt -f f -target target "
              "-bufsize bufsize -g g -qscale qscale -maxrate maxrate -deinterlace -sameq -acodec acodec "
              "-atag atag -ab ab -ar ar -ac ac ");
}

TEST(CommandLine, BitrateComesBeforeSizeAndChannelsLast) {
    Properties p;
    p.VideoBitrate = "1500";
    p.AudioChannels = "2";
    p.VideoSize = "320x240";
    p.AudioCodec = "aac";
    EXPECT_EQ(avc::BuildOptions(p, false), "-b 1500 -s 320x240 -acodec aac -ac 2 ");
}

TEST(CommandLine, BothFlagsStandBetweenMaxrateAndAcodec) {
    Properties p;
    p.SameQuality = true;
    p.DeInterlace = true;
    p.AudioCodec = "mp3";
    p.MaxVideoBitrate = "1500";
    EXPECT_EQ(avc::BuildOptions(p, false), "-maxrate 1500 -deinterlace -sameq -acodec mp3 ");
}

TEST(CommandLine, EachFlagOnItsOwn) {
    Properties p;
    p.DeInterlace = true;
    EXPECT_EQ(avc::BuildOptions(p, false), "-deinterlace ");
    p = {};
    p.SameQuality = true;
    EXPECT_EQ(avc::BuildOptions(p, false), "-sameq ");
}

TEST(CommandLine, ValuesPassVerbatim) {
    Properties p;
    p.VideoSize = "a b\"c";
    EXPECT_EQ(avc::BuildOptions(p, false), "-s a b\"c ");
}

TEST(CommandLine, EmptySourceAndDestinationGiveOnlyTheSourceMessage) {
    Properties p;
    EXPECT_EQ(avc::MissingNameMessage(p), "No source filename defined");
    p.SourceFile = "x";
    EXPECT_EQ(avc::MissingNameMessage(p), "No destination filename defined");
    p.DestFile = "y";
    EXPECT_EQ(avc::MissingNameMessage(p), "");
    p.SourceFile.clear();
    EXPECT_EQ(avc::MissingNameMessage(p), "No source filename defined");
}

TEST(CommandLine, MissingConverterText) { EXPECT_EQ(avc::MissingConverterMessage(), "Unable to locate avformat.dll"); }

TEST(CommandLine, ConverterPathDoesNotDoubleARootBackslash) {
    EXPECT_EQ(avc::ConverterPath("C:\\Program Files\\Cadrel"), "C:\\Program Files\\Cadrel\\avformat.dll");
    EXPECT_EQ(avc::ConverterPath("C:\\"), "C:\\avformat.dll");
}

TEST(CommandLine, SetByNameReachesTheRightField) {
    Properties p;
    p.Set(Property::VideoQuantiserScale, "25");
    p.Set(Property::DeInterlace, "True");
    p.Set(Property::SameQuality, "False");
    EXPECT_EQ(p.VideoQuantiserScale, "25");
    EXPECT_TRUE(p.DeInterlace);
    EXPECT_FALSE(p.SameQuality);
    EXPECT_EQ(avc::BuildOptions(p, false), "-qscale 25 -deinterlace ");
}

TEST(ProcessNames, MatchTheEndCaseInsensitivelyAndStopAtNul) {
    EXPECT_TRUE(avc::ProcessNameMatches("avformat.dll", "avformat.dll"));
    EXPECT_TRUE(avc::ProcessNameMatches("AVFORMAT.DLL", "avformat.dll"));
    EXPECT_TRUE(avc::ProcessNameMatches("myavformat.dll", "avformat.dll"));
    EXPECT_TRUE(avc::ProcessNameMatches(std::string_view("avformat.dll\0garbage", 20), "avformat.dll"));
    EXPECT_FALSE(avc::ProcessNameMatches("avformat.dll.exe", "avformat.dll"));
    EXPECT_FALSE(avc::ProcessNameMatches("format.dll", "avformat.dll"));
    EXPECT_FALSE(avc::ProcessNameMatches("", "avformat.dll"));
}

// The rip job's pure pieces: output folder names, the headless command line,
// the job report.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "RipCommandLine.h"
#include "modGeneral.h"

using modGeneral::AddBackslash;
using RipCommandLine::Parse;

// --- AddBackslash ---------------------------------------------------------------

TEST(AddBackslash, AddsOneBackslashOnlyWhenMissing) {
    EXPECT_EQ(AddBackslash("C:\\Music"), "C:\\Music\\");
    EXPECT_EQ(AddBackslash("C:\\Music\\"), "C:\\Music\\");
    EXPECT_EQ(AddBackslash("C:\\"), "C:\\");
    EXPECT_EQ(AddBackslash("C:"), "C:\\");
    EXPECT_EQ(AddBackslash(""), "\\");
    EXPECT_EQ(AddBackslash("\\"), "\\");
    // Only a backslash counts: a forward slash still gets one.
    EXPECT_EQ(AddBackslash("C:/Music/"), "C:/Music/\\");
    // A doubled backslash is left as it stands.
    EXPECT_EQ(AddBackslash("C:\\Music\\\\"), "C:\\Music\\\\");
}

// --- The job report ---------------------------------------------------------------

TEST(RipCdReport, CompleteOnlyWhenStartedAndEveryTrackComplete) {
    modGeneral::RipCdReport report;
    EXPECT_FALSE(report.AllComplete()) << "a job that never started";
    report.started = true;
    EXPECT_TRUE(report.AllComplete()) << "started with nothing selected";
    report.tracks.push_back({1, "a", modGeneral::TrackOutcome::Complete, 10, 10, {}});
    report.tracks.push_back({3, "b", modGeneral::TrackOutcome::Complete, 5, 5, {}});
    EXPECT_TRUE(report.AllComplete());
    EXPECT_EQ(report.CompleteCount(), 2);
    for (auto outcome : {modGeneral::TrackOutcome::Abandoned, modGeneral::TrackOutcome::Cancelled,
                         modGeneral::TrackOutcome::NotWritten, modGeneral::TrackOutcome::Failed,
                         modGeneral::TrackOutcome::NotStarted, modGeneral::TrackOutcome::DataTrack}) {
        report.tracks[1].outcome = outcome;
        EXPECT_FALSE(report.AllComplete()) << modGeneral::TrackOutcomeText(outcome);
        EXPECT_EQ(report.CompleteCount(), 1);
    }
}

TEST(RipCdMessages, DataTracksAreNamedInOrder) {
    EXPECT_EQ(modGeneral::DataTracksMessage({1}), "Track 1 is a data track, not audio. It was left out of the rip.");
    EXPECT_EQ(modGeneral::DataTracksMessage({1, 12}),
              "Tracks 1 and 12 are data tracks, not audio. They were left out of the rip.");
    EXPECT_EQ(modGeneral::DataTracksMessage({2, 3, 9}),
              "Tracks 2, 3 and 9 are data tracks, not audio. They were left out of the rip.");
}

// --- Command line: accepted forms ---------------------------------------------------

TEST(RipCommandLine, NoSwitchesGiveTheProgramDefaults) {
    for (const auto& args : {std::vector<std::string>{}, std::vector<std::string>{"/rip"},
                             std::vector<std::string>{"/RIP"}}) {
        const auto r = Parse(args);
        ASSERT_TRUE(r) << r.error;
        EXPECT_TRUE(r.command->allTracks);
        EXPECT_EQ(OutputFormatText(r.command->format), "MP3");
        EXPECT_EQ(r.command->bitrateText, "160");
        EXPECT_EQ(r.command->qualityIndex, 1);
        EXPECT_FALSE(r.command->outFolder.has_value());
        EXPECT_EQ(r.command->drive, 0);
    }
}

TEST(RipCommandLine, EverySwitchTakesItsValue) {
    const auto r = Parse({"/rip", "/tracks:2,4-6", "/format:WAV", "/bitrate:320", "/quality:Studio",
                          "/out:C:\\Music\\Rips", "/drive:1"});
    ASSERT_TRUE(r) << r.error;
    const auto& c = *r.command;
    EXPECT_FALSE(c.allTracks);
    EXPECT_EQ(c.tracks, (std::vector<int>{2, 4, 5, 6}));
    EXPECT_EQ(OutputFormatText(c.format), "WAV");
    EXPECT_EQ(c.bitrateText, "320");
    EXPECT_EQ(c.qualityIndex, 9);
    EXPECT_EQ(c.outFolder.value(), "C:\\Music\\Rips");
    EXPECT_EQ(c.drive, 1);
}

TEST(RipCommandLine, SwitchesAndValuesIgnoreLetterCase) {
    const auto r = Parse({"/RIP", "/Tracks:ALL", "/FORMAT:wav", "/Quality:phone", "-BitRate=64", "/DRIVE:0"});
    ASSERT_TRUE(r) << r.error;
    EXPECT_TRUE(r.command->allTracks);
    EXPECT_EQ(OutputFormatText(r.command->format), "WAV");
    EXPECT_EQ(r.command->qualityIndex, 4);  // "Phone"
    EXPECT_EQ(r.command->bitrateText, "64");
}

TEST(RipCommandLine, OutFolderKeepsColonsAndLosesSurroundingQuotes) {
    const auto r = Parse({"/out:\"D:\\My Music\\a:b\""});
    ASSERT_TRUE(r) << r.error;
    EXPECT_EQ(r.command->outFolder.value(), "D:\\My Music\\a:b");
}

struct TrackListCase {
    const char* text;
    std::vector<int> tracks;
};

class TrackLists : public ::testing::TestWithParam<TrackListCase> {};

TEST_P(TrackLists, GiveTheNumbersAscendingWithoutRepeats) {
    std::string error;
    const auto sel = RipCommandLine::ParseTrackList(GetParam().text, error);
    ASSERT_TRUE(sel.has_value()) << error;
    EXPECT_FALSE(sel->all);
    EXPECT_EQ(sel->tracks, GetParam().tracks);
}

INSTANTIATE_TEST_SUITE_P(Accepted, TrackLists,
                         ::testing::Values(TrackListCase{"1", {1}}, TrackListCase{"1,3-5", {1, 3, 4, 5}},
                                           TrackListCase{"5,1,3", {1, 3, 5}}, TrackListCase{"3-3", {3}},
                                           TrackListCase{"2-4,3-6,4", {2, 3, 4, 5, 6}},
                                           TrackListCase{" 7 , 9 - 10 ", {7, 9, 10}},
                                           TrackListCase{"99", {99}}, TrackListCase{"01", {1}}));

TEST(RipCommandLine, WantsFollowsTheSelection) {
    const auto some = Parse({"/tracks:1,3"});
    ASSERT_TRUE(some);
    EXPECT_TRUE(some.command->Wants(1));
    EXPECT_FALSE(some.command->Wants(2));
    EXPECT_TRUE(some.command->Wants(3));
    EXPECT_FALSE(some.command->Wants(4));
    const auto all = Parse({});
    EXPECT_TRUE(all.command->Wants(1));
    EXPECT_TRUE(all.command->Wants(99));
    EXPECT_FALSE(all.command->Wants(0));
}

TEST(RipCommandLine, EveryListedBitrateAndQualityIsAccepted) {
    for (uint32_t b : EncoderLists::Bitrates) {
        const auto r = Parse({"/bitrate:" + std::to_string(b)});
        ASSERT_TRUE(r) << r.error;
        EXPECT_EQ(r.command->bitrateText, std::to_string(b));
    }
    for (std::size_t q = 0; q < EncoderLists::Qualities.size(); ++q) {
        const auto r = Parse({"/quality:" + std::string(EncoderLists::Qualities[q].text)});
        ASSERT_TRUE(r) << r.error;
        EXPECT_EQ(r.command->qualityIndex, static_cast<int>(q));
    }
}

// --- Command line: refused forms -----------------------------------------------------

struct Refused {
    std::vector<std::string> args;
    const char* reasonPart;  // a piece the one-line reason must contain
};

class RefusedCommandLines : public ::testing::TestWithParam<Refused> {};

TEST_P(RefusedCommandLines, GiveAOneLineReason) {
    const auto r = Parse(GetParam().args);
    EXPECT_FALSE(r);
    EXPECT_FALSE(r.command.has_value());
    EXPECT_NE(r.error.find(GetParam().reasonPart), std::string::npos) << r.error;
    EXPECT_EQ(r.error.find('\n'), std::string::npos) << "one line";
}

INSTANTIATE_TEST_SUITE_P(
    Table, RefusedCommandLines,
    ::testing::Values(Refused{{"/format:ogg"}, "MP3 or WAV"}, Refused{{"/format:"}, "MP3 or WAV"},
                      Refused{{"/bitrate:161"}, "/bitrate"}, Refused{{"/bitrate:abc"}, "/bitrate"},
                      Refused{{"/bitrate:0"}, "/bitrate"}, Refused{{"/quality:best"}, "/quality"},
                      Refused{{"/tracks:"}, "/tracks"}, Refused{{"/tracks:0"}, "1 to 99"},
                      Refused{{"/tracks:100"}, "1 to 99"}, Refused{{"/tracks:1,,2"}, "empty entry"},
                      Refused{{"/tracks:1,"}, "empty entry"}, Refused{{"/tracks:5-3"}, "backwards"},
                      Refused{{"/tracks:1-"}, "not a track number"}, Refused{{"/tracks:x"}, "not a track number"},
                      Refused{{"/tracks:1-2-3"}, "not a track number"}, Refused{{"/drive:8"}, "/drive"},
                      Refused{{"/drive:-1"}, "/drive"}, Refused{{"/out:"}, "/out"}, Refused{{"/out"}, "needs a value"},
                      Refused{{"/tracks"}, "needs a value"}, Refused{{"/speed:4"}, "unknown switch"},
                      Refused{{"track1"}, "unexpected argument"}, Refused{{"/rip", "/rip"}, "twice"},
                      Refused{{"/format:MP3", "/FORMAT:WAV"}, "/format given twice"},
                      // Values longer than a command line can carry (32767 characters).
                      Refused{{"/tracks:" + std::string(40000, '1')}, "not a track number"},
                      Refused{{"/tracks:" + std::string(40000, ',')}, "empty entry"},
                      Refused{{"/bitrate:" + std::string(40000, '9')}, "/bitrate"},
                      Refused{{"/quality:" + std::string(40000, 'q')}, "/quality"},
                      Refused{{"/" + std::string(40000, 's') + ":1"}, "unknown switch"}));

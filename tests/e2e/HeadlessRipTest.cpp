// The headless rip mode end to end: cadrel-rip.exe started as a child
// process on discs in the virtual drive, its output lines read through a
// pipe, its exit code and the files it leaves checked.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "ConsoleRun.h"
#include "ModuleFolder.h"
#include "RipJobSupport.h"
#include "VirtualDisc.h"
#include "support/DeepFolder.h"
#include "modGeneral.h"
#include "modSettings.h"

namespace {

using namespace ripjobtest;

constexpr uint32_t FrameBytes = 2352;

using consolerun::RunResult;

RunResult RunRipper(const std::vector<std::string>& args, const std::string& directory = win::ProgramFolder()) {
    return consolerun::Run("cadrel-rip.exe", args, directory);
}

class HeadlessRip : public ::testing::Test {
protected:
    void TearDown() override { testdisc::Eject(); }
};

}  // namespace

TEST_F(HeadlessRip, AGoodDiscIsRippedCompletelyWithExitCode0) {
    testdisc::Insert({{100}, {60}});
    const std::string folder = FreshFolder("headless-out", "good-wav");
    const RunResult r = RunRipper({"/rip", "/format:WAV", "/out:" + folder});
    EXPECT_EQ(r.exitCode, 0u) << r.output;
    EXPECT_EQ(Entries(folder), (std::vector<std::string>{"Track 1.wav", "Track 2.wav"}));
    EXPECT_EQ(std::filesystem::file_size(folder + "\\Track 1.wav"), 44u + 100u * FrameBytes);
    EXPECT_TRUE(ReadAll(folder + "\\Track 2.wav").substr(44) == testdisc::PatternFrames(100, 60));
    EXPECT_TRUE(r.Has("Extracting track " + folder + "\\Track 1.wav: 26 of 100 frames (26 %)")) << r.output;
    EXPECT_TRUE(r.Has("Extracting track " + folder + "\\Track 2.wav: 60 of 60 frames (100 %)")) << r.output;
    EXPECT_TRUE(r.Has("2 of 2 tracks written completely")) << r.output;
}

// An output folder deeper than MAX_PATH exists: the tracks are written into it.
TEST_F(HeadlessRip, AnOutputFolderLongerThanMaxPathIsUsed) {
    testdisc::Insert({{60}});
    const std::string base = win::ProgramFolder() + "\\headless-out\\deep";
    testing_support::RemoveDeepFolder(base);
    const std::string deep = testing_support::MakeDeepFolder(base);
    ASSERT_GT(deep.size(), 260u);
    const RunResult r = RunRipper({"/rip", "/format:WAV", "/out:" + deep});
    EXPECT_EQ(r.exitCode, 0u) << r.output;
    unsigned long long size = 0;
    EXPECT_TRUE(testing_support::DeepFileSize(deep + "\\Track 1.wav", size)) << r.output;
    EXPECT_EQ(size, 44u + 60u * FrameBytes);
    testing_support::RemoveDeepFolder(base);
}

TEST_F(HeadlessRip, ChosenTracksBitrateAndQualityReachTheMp3) {
    testdisc::Insert({{60}, {80}, {40}});
    const std::string folder = FreshFolder("headless-out", "mp3-subset");
    const RunResult r = RunRipper({"/tracks:2", "/bitrate:128", "/quality:high", "/out:" + folder});
    EXPECT_EQ(r.exitCode, 0u) << r.output;
    EXPECT_EQ(Entries(folder), (std::vector<std::string>{"Track 2.mp3"}));
    const std::string kept = win::ProgramFolder() + "\\ripjob-e2e";
    std::filesystem::create_directories(kept);
    EXPECT_TRUE(CopyFileA((folder + "\\Track 2.mp3").c_str(), (kept + "\\headless-128-80.mp3").c_str(), FALSE));
}

TEST_F(HeadlessRip, UnreadableSectorsGiveExitCode1AndTheOtherTracksAreWritten) {
    testdisc::Insert({{100}, {30}});
    testdisc::SetUnreadable("60\n");
    const std::string folder = FreshFolder("headless-out", "unreadable");
    const RunResult r = RunRipper({"/rip", "/format:wav", "/out:" + folder});
    EXPECT_EQ(r.exitCode, 1u) << r.output;
    EXPECT_EQ(r.Count(std::string(modGeneral::ApplicationTitle) + ": "), 1u) << "the library's text, once\n"
                                                                               << r.output;
    EXPECT_EQ(std::filesystem::file_size(folder + "\\Track 1.wav"), 44u + 52u * FrameBytes);
    EXPECT_EQ(std::filesystem::file_size(folder + "\\Track 2.wav"), 44u + 30u * FrameBytes);
    EXPECT_TRUE(r.Has("Track 1.wav: abandoned")) << r.output;
    EXPECT_TRUE(r.Has("1 of 2 tracks written completely")) << r.output;
}

TEST_F(HeadlessRip, BadArgumentsGiveExitCode2WithAReason) {
    testdisc::Insert({{30}});
    const std::string folder = FreshFolder("headless-out", "bad-args");
    for (const auto& args : {std::vector<std::string>{"/rip", "/format:ogg", "/out:" + folder},
                             std::vector<std::string>{"/rip", "/volume:11", "/out:" + folder}}) {
        const RunResult r = RunRipper(args);
        EXPECT_EQ(r.exitCode, 2u) << r.output;
        EXPECT_TRUE(r.Has("cadrel: ")) << r.output;
        EXPECT_TRUE(r.Has("usage: /rip")) << r.output;
    }
    EXPECT_TRUE(Entries(folder).empty());
}

TEST_F(HeadlessRip, NoDiscGivesExitCode2) {
    testdisc::Eject();
    const std::string folder = FreshFolder("headless-out", "no-disc");
    const RunResult r = RunRipper({"/rip", "/out:" + folder});
    EXPECT_EQ(r.exitCode, 2u) << r.output;
    EXPECT_TRUE(r.Has("no disc in drive 0")) << r.output;
}

TEST_F(HeadlessRip, AMissingDriveOrTrackGivesExitCode2) {
    testdisc::Insert({{30}, {30}});
    const std::string folder = FreshFolder("headless-out", "missing-drive");
    const RunResult drive = RunRipper({"/rip", "/drive:7", "/out:" + folder});
    EXPECT_EQ(drive.exitCode, 2u) << drive.output;
    EXPECT_TRUE(drive.Has("no drive 7")) << drive.output;
    const RunResult track = RunRipper({"/rip", "/tracks:2-3", "/out:" + folder});
    EXPECT_EQ(track.exitCode, 2u) << track.output;
    EXPECT_TRUE(track.Has("no track 3")) << track.output;
    EXPECT_TRUE(Entries(folder).empty());
}

TEST_F(HeadlessRip, AMissingOutputFolderGivesExitCode2) {
    testdisc::Insert({{30}});
    const std::string missing = win::ProgramFolder() + "\\headless-out\\not-there";
    std::filesystem::remove_all(missing);
    const RunResult r = RunRipper({"/rip", "/out:" + missing});
    EXPECT_EQ(r.exitCode, 2u) << r.output;
    EXPECT_TRUE(r.Has(missing)) << "the reason names the folder\n" << r.output;
    EXPECT_FALSE(Exists(missing));
}

TEST_F(HeadlessRip, ARelativeOutputFolderIsTakenFromTheStartingDirectory) {
    testdisc::Insert({{30}});
    const std::string folder = FreshFolder("headless-out", "relative");
    const RunResult r = RunRipper({"/rip", "/format:WAV", "/out:relative"}, win::ProgramFolder() + "\\headless-out");
    EXPECT_EQ(r.exitCode, 0u) << r.output;
    EXPECT_EQ(Entries(folder), (std::vector<std::string>{"Track 1.wav"}));
}

TEST_F(HeadlessRip, WithoutOutTheSavedOutputFolderIsUsed) {
    testdisc::Insert({{30}});
    const std::string folder = FreshFolder("headless-out", "saved");
    const std::string marker = "\x01<absent>";
    const std::string before = modSettings::GetSetting("CADREL", "Path1", "txtOutPath", marker);
    ASSERT_TRUE(modSettings::SaveRipOutputFolder(folder));
    const RunResult r = RunRipper({"/rip", "/format:WAV"});
    if (before == marker) {
        HKEY k = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, modSettings::SectionKey("CADREL", "Path1").c_str(), 0, KEY_SET_VALUE,
                          &k) == ERROR_SUCCESS) {
            RegDeleteValueA(k, "txtOutPath");
            RegCloseKey(k);
        }
    } else {
        modSettings::SaveRipOutputFolder(before);
    }
    EXPECT_EQ(r.exitCode, 0u) << r.output;
    EXPECT_EQ(Entries(folder), (std::vector<std::string>{"Track 1.wav"}));
}

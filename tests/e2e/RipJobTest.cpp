// The rip job against the CD access library and the encoder of the test
// prefix, with images in the virtual drive: block sizes and progress, which
// rows are written, the audio of a WAV file, Cancel in both formats,
// unreadable blocks, a refused encoder configuration, unusable output
// folders and files. MP3 files worth decoding are kept in ripjob-e2e\ for the
// host-side checks.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

#include "ModuleFolder.h"
#include "AkripRecords.h"
#include "RipJobState.h"
#include "RipJobSupport.h"
#include "VirtualDisc.h"
#include "support/DeepFolder.h"
#include "modAKRip32.h"
#include "modGeneral.h"

namespace {

using namespace ripjobtest;
using modGeneral::TrackOutcome;

constexpr uint32_t FrameBytes = 2352;

class RipJob : public ::testing::Test {
protected:
    void TearDown() override {
        modAKRip32::CloseDrive();
        testdisc::Eject();
    }

    // Puts the tracks in the drive and reads the TOC as the window does.
    // The drive takes its unreadable frames from `unreadable` (directives)
    // when it opens the disc.
    void InsertAndRead(const std::vector<testdisc::TrackSpec>& tracks, const std::string& unreadable = {}) {
        testdisc::Insert(tracks);
        if (!unreadable.empty()) testdisc::SetUnreadable(unreadable);
        ASSERT_TRUE(modAKRip32::OpenDriveAndReadToc(0));
        ASSERT_EQ(AkripRecords::TrackCount(modAKRip32::Toc), static_cast<int>(tracks.size()));
    }

    // The job's inputs for the disc just read, with the given rows checked.
    modGeneral::RipCdInputs Inputs(const std::string& format, const std::string& folder,
                                   const std::vector<bool>& checked) {
        modGeneral::RipCdInputs in;
        in.format = OutputFormatFromText(format);
        in.outputFolder = folder;
        in.bitrateText = "160";
        in.qualityIndex = 1;
        for (std::size_t i = 0; i < checked.size(); ++i)
            in.trackList.push_back({"Track " + std::to_string(i + 1), checked[i]});
        in.toc = modAKRip32::Toc;
        in.cdHandle = modAKRip32::CdHandle;
        in.pumpMessages = [this] { pumps++; };
        return in;
    }

    // Keeps an MP3 for the host-side decode check.
    static void Keep(const std::string& path, const std::string& name) {
        const std::string dir = win::ProgramFolder() + "\\ripjob-e2e";
        std::filesystem::create_directories(dir);
        ASSERT_TRUE(CopyFileA(path.c_str(), (dir + "\\" + name).c_str(), FALSE)) << path;
    }

    RipJobState state;
    RecordingProgress progress;
    RecordingNotice notice{&progress};
    int pumps = 0;
};

}  // namespace

// --- Blocks and progress ----------------------------------------------------------

TEST_F(RipJob, AHundredFrameTrackIsReadIn26FrameBlocksWithProgressPerBlock) {
    InsertAndRead({{100}});
    for (const char* format : {"WAV", "MP3"}) {
        SCOPED_TRACE(format);
        progress = {};
        pumps = 0;
        const std::string folder = FreshFolder("ripjob-out", std::string("blocks-") + format);
        const auto report = modGeneral::RipCd(Inputs(format, folder, {true}), state, progress, notice);

        EXPECT_EQ(progress.Done(), (std::vector<float>{26, 52, 78, 100}));
        const std::string path = folder + "\\Track 1." + (format == std::string("WAV") ? "wav" : "mp3");
        for (const auto& c : progress.calls) {
            EXPECT_EQ(c.total, 100.0f);
            EXPECT_EQ(c.text, "Extracting track " + path);
        }
        EXPECT_EQ(pumps, 4) << "messages are pumped after every block";
        EXPECT_EQ(progress.shows, 1);
        EXPECT_EQ(progress.closes, 1);
        EXPECT_EQ(progress.orderErrors, 0);
        EXPECT_TRUE(notice.notices.empty());
        ASSERT_EQ(report.tracks.size(), 1u);
        EXPECT_EQ(report.tracks[0].outcome, TrackOutcome::Complete);
        EXPECT_EQ(report.tracks[0].framesDone, 100u);
        EXPECT_TRUE(report.AllComplete());
        EXPECT_EQ(JobStateText(state.JobState()), "START");
    }
}

namespace {
int postedSeen = 0;
LRESULT CALLBACK CountingProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_APP) {
        ++postedSeen;
        return 0;
    }
    return DefWindowProcA(h, msg, wp, lp);
}
}  // namespace

TEST_F(RipJob, PendingWindowMessagesAreDispatchedAfterEveryBlock) {
    InsertAndRead({{100}});
    WNDCLASSA wc{};
    wc.lpfnWndProc = CountingProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "RipJobPumpTest";
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(window, nullptr);
    postedSeen = 0;

    // Every report posts one message; by the next report it has been handled.
    std::vector<int> seenAtReport;
    progress.onChange = [&](int) {
        seenAtReport.push_back(postedSeen);
        PostMessageA(window, WM_APP, 0, 0);
    };
    auto in = Inputs("WAV", FreshFolder("ripjob-out", "pump"), {true});
    in.pumpMessages = nullptr;  // the job's own pump
    modGeneral::RipCd(in, state, progress, notice);
    EXPECT_EQ(seenAtReport, (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(postedSeen, 4);
    DestroyWindow(window);
}

// --- Which rows, which files ------------------------------------------------------------

TEST_F(RipJob, CheckedTracksOneAndThreeWriteTheirFilesAndNothingElse) {
    InsertAndRead({{30}, {40}, {50}});
    const std::string folder = FreshFolder("ripjob-out", "rows");
    const auto report = modGeneral::RipCd(Inputs("MP3", folder, {true, false, true}), state, progress, notice);

    EXPECT_EQ(Entries(folder), (std::vector<std::string>{"Track 1.mp3", "Track 3.mp3"}));
    ASSERT_EQ(report.tracks.size(), 2u);
    EXPECT_EQ(report.tracks[0].row, 1);
    EXPECT_EQ(report.tracks[1].row, 3);
    EXPECT_EQ(report.tracks[1].framesTotal, 50u) << "row 3 spans TOC entries 2 to 3";
    EXPECT_TRUE(report.AllComplete());
    EXPECT_EQ(progress.shows, 2) << "one progress display per track";
    EXPECT_EQ(progress.closes, 2);
    EXPECT_EQ(progress.calls.back().text, "Extracting track " + folder + "\\Track 3.mp3");
    EXPECT_GT(std::filesystem::file_size(folder + "\\Track 3.mp3"), 0u);
}

TEST_F(RipJob, WithNoRowCheckedNothingHappens) {
    InsertAndRead({{30}, {40}});
    const std::string folder = FreshFolder("ripjob-out", "none");
    const auto report = modGeneral::RipCd(Inputs("MP3", folder, {false, false}), state, progress, notice);
    EXPECT_TRUE(Entries(folder).empty());
    EXPECT_EQ(progress.shows, 0);
    EXPECT_TRUE(progress.calls.empty());
    EXPECT_TRUE(notice.notices.empty());
    EXPECT_TRUE(report.started);
    EXPECT_TRUE(report.tracks.empty());
}

TEST_F(RipJob, AFolderEndingInABackslashGivesTheSameFileNames) {
    InsertAndRead({{30}});
    const std::string folder = FreshFolder("ripjob-out", "slash");
    modGeneral::RipCd(Inputs("WAV", folder + "\\", {true}), state, progress, notice);
    ASSERT_FALSE(progress.calls.empty());
    EXPECT_EQ(progress.calls[0].text, "Extracting track " + folder + "\\Track 1.wav");
    EXPECT_EQ(Entries(folder), (std::vector<std::string>{"Track 1.wav"}));
}

TEST_F(RipJob, TheFormatIsReadAgainForEveryRow) {
    InsertAndRead({{30}, {30}});
    const std::string folder = FreshFolder("ripjob-out", "format-change");
    auto in = Inputs("WAV", folder, {true, true});
    // The user picks another format while the first track runs.
    progress.onChange = [&](int) { in.format = OutputFormatFromText("MP3"); };
    const auto report = modGeneral::RipCd(in, state, progress, notice);
    // The second row follows the new choice. (The job began as WAV, so its
    // encoder record was never built; what the encoder makes of the all-zero
    // record is its own affair.)
    ASSERT_EQ(report.tracks.size(), 2u);
    EXPECT_EQ(report.tracks[0].path, folder + "\\Track 1.wav");
    EXPECT_EQ(report.tracks[1].path, folder + "\\Track 2.mp3");
    EXPECT_TRUE(Exists(folder + "\\Track 1.wav"));
    EXPECT_FALSE(Exists(folder + "\\Track 2.wav"));
}

// --- What a WAV file holds --------------------------------------------------------------

TEST_F(RipJob, AWavFileIsTheHeaderThenTheTracksFramesByteForByte) {
    InsertAndRead({{60}, {57}});
    const std::string folder = FreshFolder("ripjob-out", "wav-bytes");
    modGeneral::RipCd(Inputs("WAV", folder, {false, true}), state, progress, notice);
    const std::string bytes = ReadAll(folder + "\\Track 2.wav");
    ASSERT_EQ(bytes.size(), 44u + 57u * FrameBytes);
    EXPECT_EQ(bytes.substr(0, 4), "RIFF");
    EXPECT_EQ(Le32(bytes, 4), 57u * FrameBytes + 36u);
    EXPECT_EQ(bytes.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(bytes.substr(36, 4), "data");
    EXPECT_EQ(Le32(bytes, 40), 57u * FrameBytes);
    EXPECT_TRUE(bytes.substr(44) == testdisc::PatternFrames(60, 57)) << "frames 60..116 of the image";
    EXPECT_EQ(uint8_t(bytes[44]), testdisc::PatternByte(60, 0));
    EXPECT_EQ(uint8_t(bytes.back()), testdisc::PatternByte(116, 2351));
}

// --- Cancel ---------------------------------------------------------------------------------

TEST_F(RipJob, CancelDuringAnMp3TrackEndsItAtABlockAndStartsNoFurtherTrack) {
    InsertAndRead({{200}, {100}});
    const std::string folder = FreshFolder("ripjob-out", "cancel-mp3");
    progress.onChange = [&](int n) {
        if (n == 2) state.Cancel();
    };
    const auto report = modGeneral::RipCd(Inputs("MP3", folder, {true, true}), state, progress, notice);

    EXPECT_EQ(Entries(folder), (std::vector<std::string>{"Track 1.mp3"}));
    // The block read while Cancel came in is still encoded; then the stream is finished.
    EXPECT_EQ(progress.Done(), (std::vector<float>{26, 52}));
    ASSERT_EQ(report.tracks.size(), 2u);
    EXPECT_EQ(report.tracks[0].outcome, TrackOutcome::Cancelled);
    EXPECT_EQ(report.tracks[0].framesDone, 78u);
    EXPECT_EQ(report.tracks[1].outcome, TrackOutcome::NotStarted);
    EXPECT_FALSE(report.AllComplete());
    EXPECT_EQ(progress.shows, 1);
    EXPECT_EQ(progress.closes, 1);
    EXPECT_EQ(JobStateText(state.JobState()), "STOP");
    EXPECT_TRUE(notice.notices.empty());
    // 78 frames at 160 kbit/s: about 21 kB where the whole track would be about 54 kB.
    const auto size = std::filesystem::file_size(folder + "\\Track 1.mp3");
    EXPECT_GT(size, 15000u);
    EXPECT_LT(size, 30000u);
    Keep(folder + "\\Track 1.mp3", "cancelled-78.mp3");
}

TEST_F(RipJob, CancelDuringAWavTrackLetsItFinishAndStartsNoFurtherTrack) {
    InsertAndRead({{100}, {30}});
    const std::string folder = FreshFolder("ripjob-out", "cancel-wav");
    progress.onChange = [&](int n) {
        if (progress.shows == 1 && n == 2) state.Cancel();
    };
    const auto report = modGeneral::RipCd(Inputs("WAV", folder, {true, true}), state, progress, notice);

    EXPECT_EQ(Entries(folder), (std::vector<std::string>{"Track 1.wav"}));
    EXPECT_EQ(std::filesystem::file_size(folder + "\\Track 1.wav"), 44u + 100u * FrameBytes);
    EXPECT_EQ(progress.Done(), (std::vector<float>{26, 52, 78, 100}));
    ASSERT_EQ(report.tracks.size(), 2u);
    EXPECT_EQ(report.tracks[0].outcome, TrackOutcome::Complete);
    EXPECT_EQ(report.tracks[1].outcome, TrackOutcome::NotStarted);
    EXPECT_TRUE(state.CancelRip());
    EXPECT_EQ(JobStateText(state.JobState()), "STOP");
}

TEST_F(RipJob, ANewJobAfterACancelStartsAgain) {
    InsertAndRead({{30}});
    state.Cancel();
    const std::string folder = FreshFolder("ripjob-out", "after-cancel");
    const auto report = modGeneral::RipCd(Inputs("MP3", folder, {true}), state, progress, notice);
    EXPECT_EQ(JobStateText(state.JobState()), "START");
    EXPECT_FALSE(state.CancelRip()) << "cleared when the track began";
    EXPECT_TRUE(report.AllComplete());
}

// --- Unreadable blocks ---------------------------------------------------------------------

TEST_F(RipJob, AnUnreadableThirdBlockOfAWavTrackShowsTheTextOnceAndTheJobGoesOn) {
    InsertAndRead({{100}, {30}}, "60\n");  // inside the third block (52..77)
    const std::string folder = FreshFolder("ripjob-out", "unreadable-wav");
    const auto report = modGeneral::RipCd(Inputs("WAV", folder, {true, true}), state, progress, notice);

    ASSERT_EQ(notice.notices.size(), 1u);
    EXPECT_FALSE(notice.notices[0].text.empty());
    EXPECT_EQ(notice.notices[0].title, modGeneral::ApplicationTitle);
    EXPECT_EQ(notice.notices[0].icon, NoticeIcon::None);
    EXPECT_TRUE(notice.notices[0].progressOpen);

    const std::string first = ReadAll(folder + "\\Track 1.wav");
    ASSERT_EQ(first.size(), 44u + 52u * FrameBytes) << "two blocks of audio";
    EXPECT_TRUE(first.substr(44) == testdisc::PatternFrames(0, 52));
    EXPECT_EQ(std::filesystem::file_size(folder + "\\Track 2.wav"), 44u + 30u * FrameBytes);

    ASSERT_EQ(report.tracks.size(), 2u);
    EXPECT_EQ(report.tracks[0].outcome, TrackOutcome::Abandoned);
    EXPECT_EQ(report.tracks[0].framesDone, 52u);
    EXPECT_EQ(report.tracks[1].outcome, TrackOutcome::Complete);
    EXPECT_EQ(progress.shows, 2);
    EXPECT_EQ(progress.closes, 2);
    EXPECT_EQ(progress.Done(), (std::vector<float>{26, 52, 26, 30}));
}

TEST_F(RipJob, AnUnreadableThirdBlockOfAnMp3TrackLeavesAFinishedShorterFile) {
    InsertAndRead({{200}, {30}}, "52-77\n");
    const std::string folder = FreshFolder("ripjob-out", "unreadable-mp3");
    const auto report = modGeneral::RipCd(Inputs("MP3", folder, {true, true}), state, progress, notice);

    ASSERT_EQ(notice.notices.size(), 1u);
    EXPECT_EQ(notice.notices[0].title, modGeneral::ApplicationTitle);
    ASSERT_EQ(report.tracks.size(), 2u);
    EXPECT_EQ(report.tracks[0].outcome, TrackOutcome::Abandoned);
    EXPECT_EQ(report.tracks[0].framesDone, 52u);
    EXPECT_EQ(report.tracks[1].outcome, TrackOutcome::Complete);
    EXPECT_EQ(Entries(folder), (std::vector<std::string>{"Track 1.mp3", "Track 2.mp3"}));
    Keep(folder + "\\Track 1.mp3", "abandoned-52.mp3");
}

TEST_F(RipJob, ABlockThatReadsOnTheThirdAttemptIsNotAnError) {
    InsertAndRead({{60}}, "30 2\n");  // fails twice, then reads
    const std::string folder = FreshFolder("ripjob-out", "third-attempt");
    const auto report = modGeneral::RipCd(Inputs("WAV", folder, {true}), state, progress, notice);
    EXPECT_TRUE(notice.notices.empty());
    EXPECT_TRUE(report.AllComplete());
    EXPECT_TRUE(ReadAll(folder + "\\Track 1.wav").substr(44) == testdisc::PatternFrames(0, 60));
}

TEST_F(RipJob, ABlockThatFailsThreeAttemptsAbandonsTheTrack) {
    InsertAndRead({{60}}, "30 3\n");  // would read on a fourth attempt
    const std::string folder = FreshFolder("ripjob-out", "three-failures");
    const auto report = modGeneral::RipCd(Inputs("WAV", folder, {true}), state, progress, notice);
    EXPECT_EQ(notice.notices.size(), 1u);
    ASSERT_EQ(report.tracks.size(), 1u);
    EXPECT_EQ(report.tracks[0].outcome, TrackOutcome::Abandoned);
    EXPECT_EQ(report.tracks[0].framesDone, 26u);
}

// --- Errors inside the MP3 routine -----------------------------------------------------------

TEST_F(RipJob, ARefusedEncoderConfigurationIsACriticalErrorAndTheNextTrackRuns) {
    InsertAndRead({{30}, {30}});
    const std::string folder = FreshFolder("ripjob-out", "encoder-refused");
    modGeneral::RipContext context{state, progress, notice, modAKRip32::CdHandle, nullptr, [] {}};

    EncoderConfig refused = EncoderConfig::FromSelection("160", 1);
    refused.SetU32(EncoderConfigLayout::Mode, 7);
    const auto failed = modGeneral::RipTrackToMp3(context, folder + "\\Track 1.mp3", 0, 30, refused);
    EXPECT_EQ(failed.outcome, TrackOutcome::Failed);
    ASSERT_EQ(notice.notices.size(), 1u);
    EXPECT_EQ(notice.notices[0].text, "Invalid format parameters");
    EXPECT_EQ(notice.notices[0].title, "Critical error...");
    EXPECT_EQ(notice.notices[0].icon, NoticeIcon::Critical);
    EXPECT_TRUE(notice.notices[0].progressOpen) << "shown before the progress closes";
    EXPECT_FALSE(progress.open);
    EXPECT_EQ(progress.closes, 1);
    EXPECT_FALSE(Exists(folder + "\\Track 1.mp3")) << "nothing is opened before the encoder starts";

    const auto next =
        modGeneral::RipTrackToMp3(context, folder + "\\Track 2.mp3", 30, 60, EncoderConfig::FromSelection("160", 1));
    EXPECT_EQ(next.outcome, TrackOutcome::Complete);
    EXPECT_EQ(notice.notices.size(), 1u);
    EXPECT_EQ(Entries(folder), (std::vector<std::string>{"Track 2.mp3"}));
}

// --- Data tracks ----------------------------------------------------------------

TEST_F(RipJob, ADataTrackIsLeftOutWithOneMessageAndTheAudioTracksAreRipped) {
    InsertAndRead({{30, true}, {40}, {30, true}, {20}});
    EXPECT_TRUE(AkripRecords::IsDataTrack(modAKRip32::Toc, 1));
    EXPECT_FALSE(AkripRecords::IsDataTrack(modAKRip32::Toc, 2));
    const std::string folder = FreshFolder("ripjob-out", "data-tracks");
    const auto report = modGeneral::RipCd(Inputs("WAV", folder, {true, true, true, false}), state, progress, notice);
    ASSERT_EQ(notice.notices.size(), 1u);
    EXPECT_EQ(notice.notices[0].text, modGeneral::DataTracksMessage({1, 3}));
    ASSERT_EQ(report.tracks.size(), 3u);
    EXPECT_EQ(report.tracks[0].outcome, TrackOutcome::DataTrack);
    EXPECT_EQ(report.tracks[1].outcome, TrackOutcome::Complete);
    EXPECT_EQ(report.tracks[2].outcome, TrackOutcome::DataTrack);
    EXPECT_FALSE(report.AllComplete());
    EXPECT_EQ(Entries(folder), (std::vector<std::string>{"Track 2.wav"}));
    EXPECT_EQ(progress.Done(), (std::vector<float>{26, 40}));
}

// --- Output folders and files that cannot be used ----------------------------------------------

TEST_F(RipJob, AMissingOutputFolderIsReportedAndNoTrackStarts) {
    InsertAndRead({{30}});
    const std::string missing = win::ProgramFolder() + "\\ripjob-out\\no-such-folder";
    std::filesystem::remove_all(missing);
    for (const std::string& folder : {missing, std::string()}) {
        SCOPED_TRACE("folder \"" + folder + "\"");
        notice.notices.clear();
        RipJobState fresh;
        const auto report = modGeneral::RipCd(Inputs("MP3", folder, {true}), fresh, progress, notice);
        EXPECT_FALSE(report.started);
        EXPECT_TRUE(report.tracks.empty());
        EXPECT_FALSE(report.AllComplete());
        EXPECT_EQ(progress.shows, 0);
        EXPECT_EQ(JobStateText(fresh.JobState()), "") << "the job never reached START";
        ASSERT_EQ(notice.notices.size(), 1u);
        EXPECT_EQ(notice.notices[0].text, modGeneral::OutputFolderMessage(folder));
        if (!folder.empty()) {
            EXPECT_NE(notice.notices[0].text.find(folder), std::string::npos);
        }
    }
    EXPECT_FALSE(Exists(missing));
}

// A folder deeper than MAX_PATH exists and takes the files.
TEST_F(RipJob, AnOutputFolderLongerThanMaxPathIsUsed) {
    InsertAndRead({{30}, {30}});
    const std::string base = win::ProgramFolder() + "\\ripjob-out\\deep";
    testing_support::RemoveDeepFolder(base);
    const std::string deep = testing_support::MakeDeepFolder(base);
    ASSERT_GT(deep.size(), 260u);
    const auto report = modGeneral::RipCd(Inputs("WAV", deep, {true, false}), state, progress, notice);
    EXPECT_TRUE(notice.notices.empty()) << notice.notices.front().text;
    EXPECT_TRUE(report.started);
    EXPECT_TRUE(report.AllComplete());
    unsigned long long size = 0;
    EXPECT_TRUE(testing_support::DeepFileSize(deep + "\\Track 1.wav", size));
    EXPECT_EQ(size, 44u + 30u * FrameBytes);
    testing_support::RemoveDeepFolder(base);
}

TEST_F(RipJob, AFileThatCannotBeOpenedStopsItsTrackWithAMessageAndTheJobGoesOn) {
    InsertAndRead({{60}, {30}});
    const std::string folder = FreshFolder("ripjob-out", "blocked-file");
    std::filesystem::create_directory(folder + "\\Track 1.wav");  // a folder where the file should go
    const auto report = modGeneral::RipCd(Inputs("WAV", folder, {true, true}), state, progress, notice);
    ASSERT_EQ(notice.notices.size(), 1u);
    EXPECT_EQ(notice.notices[0].text, modGeneral::WriteFailedMessage(folder + "\\Track 1.wav"));
    EXPECT_EQ(notice.notices[0].icon, NoticeIcon::Exclamation);
    EXPECT_TRUE(notice.notices[0].progressOpen) << "shown before the progress closes";
    ASSERT_EQ(report.tracks.size(), 2u);
    EXPECT_EQ(report.tracks[0].outcome, TrackOutcome::NotWritten);
    EXPECT_EQ(report.tracks[0].framesDone, 0u) << "nothing is read for a file that cannot be opened";
    EXPECT_EQ(report.tracks[1].outcome, TrackOutcome::Complete);
    EXPECT_EQ(progress.Done(), (std::vector<float>{26, 30}));
}

TEST_F(RipJob, AnMp3FileThatCannotBeOpenedStopsItsTrackBeforeAnyRead) {
    InsertAndRead({{60}, {30}});
    const std::string folder = FreshFolder("ripjob-out", "blocked-mp3");
    std::filesystem::create_directory(folder + "\\Track 1.mp3");
    const auto report = modGeneral::RipCd(Inputs("MP3", folder, {true, true}), state, progress, notice);
    ASSERT_EQ(notice.notices.size(), 1u);
    EXPECT_EQ(notice.notices[0].text, modGeneral::WriteFailedMessage(folder + "\\Track 1.mp3"));
    ASSERT_EQ(report.tracks.size(), 2u);
    EXPECT_EQ(report.tracks[0].outcome, TrackOutcome::NotWritten);
    EXPECT_EQ(report.tracks[0].framesDone, 0u);
    EXPECT_EQ(report.tracks[1].outcome, TrackOutcome::Complete);
    EXPECT_EQ(progress.closes, 2);
}

// A disk that takes nothing (the host's /dev/full behind the Z: drive): the
// track ends at the first write that fails, in both formats.
TEST_F(RipJob, AWriteThatFailsStopsTheTrackThereWithAMessage) {
    InsertAndRead({{200}});
    const std::string full = "Z:\\dev\\full";
    modGeneral::RipContext context{state, progress, notice, modAKRip32::CdHandle, nullptr, [] {}};

    const auto wav = modGeneral::RipTrackToWav(context, full, 0, 200);
    EXPECT_EQ(wav.outcome, TrackOutcome::NotWritten);
    EXPECT_EQ(wav.framesDone, 0u) << "the header's write already failed";
    ASSERT_EQ(notice.notices.size(), 1u);
    EXPECT_EQ(notice.notices[0].text, modGeneral::WriteFailedMessage(full));

    const auto mp3 = modGeneral::RipTrackToMp3(context, full, 0, 200, EncoderConfig::FromSelection("160", 1));
    EXPECT_EQ(mp3.outcome, TrackOutcome::NotWritten);
    EXPECT_EQ(mp3.framesDone, 26u) << "one block, whose write failed";
    ASSERT_EQ(notice.notices.size(), 2u);
    EXPECT_EQ(notice.notices[1].text, modGeneral::WriteFailedMessage(full));
    EXPECT_EQ(progress.closes, 2);
}

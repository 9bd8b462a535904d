// Built into a folder of its own, where no lame_enc.dll lies: an MP3 job then
// reports the missing encoder library under "Critical error..." for every
// checked row and goes on; nothing is written. WAV needs no encoder.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "ModuleFolder.h"
#include "RipJobState.h"
#include "RipJobSupport.h"
#include "VirtualDisc.h"
#include "modAKRip32.h"
#include "modGeneral.h"

namespace {

using namespace ripjobtest;
using modGeneral::TrackOutcome;

// The folder above this program's: where the CD access library lies.
std::string ParentFolder() {
    const std::string own = win::ProgramFolder();
    return own.substr(0, own.find_last_of('\\'));
}

class RipJobWithoutEncoder : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(Exists(win::ProgramFolder() + "\\lame_enc.dll"));
        modAKRip32::RebindLibrary((ParentFolder() + "\\akrip32.dll").c_str());
        testdisc::Insert({{30}, {40}});
        ASSERT_TRUE(modAKRip32::OpenDriveAndReadToc(0));
    }
    void TearDown() override {
        modAKRip32::CloseDrive();
        testdisc::Eject();
    }

    modGeneral::RipCdInputs Inputs(const std::string& format, const std::string& folder) {
        modGeneral::RipCdInputs in;
        in.format = OutputFormatFromText(format);
        in.outputFolder = folder;
        in.bitrateText = "160";
        in.qualityIndex = 1;
        in.trackList = {{"Track 1", true}, {"Track 2", true}};
        in.toc = modAKRip32::Toc;
        in.cdHandle = modAKRip32::CdHandle;
        return in;
    }

    RipJobState state;
    RecordingProgress progress;
    RecordingNotice notice{&progress};
};

}  // namespace

TEST_F(RipJobWithoutEncoder, EveryMp3RowReportsTheMissingLibraryAndTheJobGoesOn) {
    const std::string folder = FreshFolder("out", "mp3");
    const auto report = modGeneral::RipCd(Inputs("MP3", folder), state, progress, notice);

    ASSERT_EQ(notice.notices.size(), 2u) << "one message per checked row";
    for (const Notice& n : notice.notices) {
        EXPECT_EQ(n.title, "Critical error...");
        EXPECT_EQ(n.icon, NoticeIcon::Critical);
        EXPECT_NE(n.text.find("lame_enc.dll"), std::string::npos) << n.text;
        EXPECT_TRUE(n.progressOpen);
    }
    EXPECT_EQ(progress.shows, 2);
    EXPECT_EQ(progress.closes, 2);
    EXPECT_EQ(progress.orderErrors, 0);
    EXPECT_TRUE(progress.calls.empty()) << "nothing was read";
    EXPECT_TRUE(Entries(folder).empty());
    ASSERT_EQ(report.tracks.size(), 2u);
    EXPECT_EQ(report.tracks[0].outcome, TrackOutcome::Failed);
    EXPECT_EQ(report.tracks[1].outcome, TrackOutcome::Failed);
    EXPECT_FALSE(report.AllComplete());
}

TEST_F(RipJobWithoutEncoder, WavNeedsNoEncoder) {
    const std::string folder = FreshFolder("out", "wav");
    const auto report = modGeneral::RipCd(Inputs("WAV", folder), state, progress, notice);
    EXPECT_TRUE(notice.notices.empty());
    EXPECT_TRUE(report.AllComplete());
    EXPECT_EQ(Entries(folder), (std::vector<std::string>{"Track 1.wav", "Track 2.wav"}));
}

// The conversion job without a window: a recording progress display and
// notice sink, and a converter component that cannot start its converter
// (there is no converter file in its folder) or that is asked for a format
// no preset has.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "AVC.h"
#include "ConversionJob.h"
#include "ModuleFolder.h"

namespace fs = std::filesystem;

namespace {

struct RecordingProgress : ConversionProgress {
    std::vector<std::string> events;
    void FileStarted(const std::string& outputName) override { events.push_back("started " + outputName); }
    void Converting() override { events.push_back("converting"); }
    void FileEnded() override { events.push_back("ended"); }
    void FileFailed(const std::string& reason) override { events.push_back("failed: " + reason); }
    void NotStarted(const std::string& reason) override { events.push_back("not started: " + reason); }
    bool Shown() const override { return true; }
};

struct Notice {
    std::string text, title;
    NoticeIcon icon;
};

struct RecordingNotice : UserNotice {
    std::vector<Notice> notices;
    void Show(const std::string& text, const std::string& title, NoticeIcon icon) override {
        notices.push_back({text, title, icon});
    }
};

class ConversionJobTest : public ::testing::Test {
protected:
    void SetUp() override {
        empty = fs::path(win::ProgramFolder()) / "conversion-job-empty";
        fs::create_directories(empty);
        fs::remove(empty / "avformat.dll");
        converter = std::make_unique<AVC>(nullptr, 0, empty.string());
        converter->Converting = [this] { job.Converting(); };
        converter->Complete = [this] { job.Complete(); };
        converter->ErrorEvent = [this](std::string& message) { job.ErrorEvent(message); };
        inputs.outputFolder = "C:\\out";
        inputs.paths = {"C:\\media\\a.mpg", "C:\\media\\my.clip.avi", "C:\\media\\c.mpg"};
        inputs.selected = {false, true, true};
    }

    fs::path empty;
    RecordingProgress progress;
    RecordingNotice notice;
    int pumps = 0;
    ConversionJob job{progress, notice, [this] { ++pumps; }};
    std::unique_ptr<AVC> converter;
    ConversionJob::Inputs inputs;
};

TEST_F(ConversionJobTest, AConverterThatCannotStartEndsTheJobWithItsMessage) {
    inputs.caption = "Zune WMV";
    const ConversionJob::Report report = job.Run(*converter, inputs);

    ASSERT_TRUE(report.started);
    ASSERT_EQ(report.files.size(), 1u) << "the job stops at the first file that cannot start";
    EXPECT_EQ(report.files[0].source, "C:\\media\\my.clip.avi");
    EXPECT_EQ(report.files[0].destination, "C:\\out\\myclip.wmv");
    EXPECT_EQ(report.files[0].outcome, ConversionJob::FileOutcome::NotStarted);
    const std::string text = "Unable to locate avformat.dll";
    EXPECT_EQ(progress.events, (std::vector<std::string>{"started myclip.wmv", "not started: " + text}));
    ASSERT_EQ(notice.notices.size(), 1u);
    EXPECT_EQ(notice.notices[0].text, text);
    EXPECT_EQ(notice.notices[0].title, "CadrelConverter");
    EXPECT_EQ(notice.notices[0].icon, NoticeIcon::Exclamation);
    EXPECT_EQ(pumps, 0) << "nothing to wait for";
    EXPECT_FALSE(job.Running());
}

// The converter overwrites its destination: a file whose converted name in
// the output folder is its own (letter case aside, however the folder is
// written) is left alone with a reason, and the job goes on with the next.
TEST_F(ConversionJobTest, AFileThatWouldBeWrittenOverItselfIsLeftAloneAndTheJobGoesOn) {
    inputs.caption = "WAVE Sound (WAV)";
    inputs.outputFolder = "C:\\Media\\";
    inputs.paths = {"C:\\media\\song.WAV", "C:\\media\\clip.mpg"};
    inputs.selected = {true, true};
    const ConversionJob::Report report = job.Run(*converter, inputs);

    ASSERT_TRUE(report.started);
    ASSERT_EQ(report.files.size(), 2u);
    EXPECT_EQ(report.files[0].outcome, ConversionJob::FileOutcome::Refused);
    const std::string why =
        "The file C:\\media\\song.WAV is not converted: converting it to \"WAVE Sound (WAV)\" in C:\\Media\\ would "
        "write over the file itself. Choose another output folder.";
    EXPECT_EQ(report.files[0].failure, why);
    // The next file is converted as usual (here its converter cannot start).
    EXPECT_EQ(report.files[1].destination, "C:\\Media\\clip.wav");
    EXPECT_EQ(report.files[1].outcome, ConversionJob::FileOutcome::NotStarted);
    ASSERT_GE(progress.events.size(), 3u);
    EXPECT_EQ(progress.events[0], "started song.wav");
    EXPECT_EQ(progress.events[1], "not started: " + why);
    EXPECT_EQ(progress.events[2], "started clip.wav");
    ASSERT_EQ(notice.notices.size(), 2u);
    EXPECT_EQ(notice.notices[0].text, why);
    EXPECT_EQ(notice.notices[0].icon, NoticeIcon::Exclamation);
}

TEST_F(ConversionJobTest, AnUnknownFormatIsNotSupportedAndStartsNothing) {
    inputs.caption = "zune wmv";
    const ConversionJob::Report report = job.Run(*converter, inputs);

    EXPECT_FALSE(report.started);
    EXPECT_TRUE(report.files.empty());
    EXPECT_TRUE(progress.events.empty());
    ASSERT_EQ(notice.notices.size(), 1u);
    EXPECT_EQ(notice.notices[0].text, "Error: zune wmv is not defined.");
    EXPECT_EQ(notice.notices[0].title, "Not Supported");
    EXPECT_EQ(notice.notices[0].icon, NoticeIcon::Exclamation);
}

TEST_F(ConversionJobTest, TheEndOfAFileComesFromTheComponentsCompleteEvent) {
    // The component's events reach the job without any window: Complete
    // ends the wait, whatever a display shows.
    job.Converting();
    job.Complete();
    EXPECT_EQ(progress.events, (std::vector<std::string>{"converting", "ended"}));
    EXPECT_TRUE(notice.notices.empty());
}

}  // namespace

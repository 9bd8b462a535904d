// The headless conversion mode through cadrel-convert.exe: a real conversion
// of the prepared clip with a preset through the converter stand-in, and the
// requests it refuses with exit code 2.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/ConsoleRun.h"
#include "ModuleFolder.h"
#include "WinHandles.h"
#include "support/DeepFolder.h"

namespace fs = std::filesystem;

namespace {

// Runs cadrel-convert.exe with `args` and gives its exit code.
int RunConverter(const std::vector<std::string>& args) {
    return static_cast<int>(consolerun::Run("cadrel-convert.exe", args).exitCode);
}

class HeadlessConvert : public ::testing::Test {
protected:
    void SetUp() override {
        program = win::ProgramFolder();
        clip = program / "avformat-e2e" / "clip.mkv";
        out = program / "headless-convert";
        fs::remove_all(out);
        fs::create_directories(out);
    }
    fs::path program, clip, out;
};

TEST_F(HeadlessConvert, ConvertsASampleWithAPresetAndExitsZero) {
    ASSERT_TRUE(fs::exists(program / "avformat.dll"));
    ASSERT_TRUE(fs::exists(clip)) << "the clip is made by avformat_prepare";
    EXPECT_EQ(RunConverter({"/convert", clip.string(), "/preset:WAVE Sound (WAV)", "/out:" + out.string()}), 0);
    ASSERT_TRUE(fs::exists(out / "clip.wav"));
    EXPECT_GT(fs::file_size(out / "clip.wav"), 1000u);
}

// Files the converter cannot read: the mode says so, writes nothing under
// the output names and exits 1.
TEST_F(HeadlessConvert, GarbageAndEmptyFilesExitOneAndWriteNothing) {
    ASSERT_TRUE(fs::exists(program / "avformat.dll"));
    const fs::path inputs = program / "headless-convert-inputs";
    fs::remove_all(inputs);
    fs::create_directories(inputs);
    {
        std::ofstream garbage(inputs / "garbage.avi", std::ios::binary);
        for (int i = 0; i < 4096; ++i) garbage.put(static_cast<char>((i * 7919 + 13) & 0xff));
        std::ofstream empty(inputs / "empty.mpg", std::ios::binary);
    }
    EXPECT_EQ(RunConverter({"/convert", (inputs / "garbage.avi").string(), (inputs / "empty.mpg").string(),
                            "/preset:WAVE Sound (WAV)", "/out:" + out.string()}),
              1);
    EXPECT_FALSE(fs::exists(out / "garbage.wav"));
    EXPECT_FALSE(fs::exists(out / "empty.wav"));
    fs::remove_all(inputs);
}

// An output folder deeper than MAX_PATH exists: the file is converted into it.
TEST_F(HeadlessConvert, AnOutputFolderLongerThanMaxPathIsUsed) {
    ASSERT_TRUE(fs::exists(clip)) << "the clip is made by avformat_prepare";
    const std::string base = (program / "headless-convert-deep").string();
    testing_support::RemoveDeepFolder(base);
    const std::string deep = testing_support::MakeDeepFolder(base);
    ASSERT_GT(deep.size(), 260u);
    EXPECT_EQ(RunConverter({"/convert", clip.string(), "/preset:WAVE Sound (WAV)", "/out:" + deep}), 0);
    unsigned long long size = 0;
    EXPECT_TRUE(testing_support::DeepFileSize(deep + "\\clip.wav", size));
    EXPECT_GT(size, 1000u);
    testing_support::RemoveDeepFolder(base);
}

TEST_F(HeadlessConvert, AnUnknownPresetExitsTwoAndWritesNothing) {
    EXPECT_EQ(RunConverter({"/convert", clip.string(), "/preset:No Such Format", "/out:" + out.string()}), 2);
    EXPECT_TRUE(fs::is_empty(out));
}

TEST_F(HeadlessConvert, AMissingFileExitsTwoAndWritesNothing) {
    EXPECT_EQ(RunConverter({"/convert", (program / "no-such-clip.mkv").string(), "/preset:WAVE Sound (WAV)",
                            "/out:" + out.string()}),
              2);
    EXPECT_TRUE(fs::is_empty(out));
}

}  // namespace

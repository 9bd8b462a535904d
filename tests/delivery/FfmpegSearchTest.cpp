// Where the converter stand-in finds a Windows ffmpeg.exe: the search order
// as logic, and copies of avformat.dll run beside, or with a PATH leading
// to, the tests' own ffmpeg.exe (fake-ffmpeg/ffmpeg.exe in the program
// folder). What that ffmpeg prints and its exit code reach the caller, and
// the headless conversion reports a failing one.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "support/ConsoleRun.h"
#include "FfmpegLocator.h"
#include "ModuleFolder.h"
#include "WinHandles.h"

namespace {

namespace fs = std::filesystem;
using avf::FfmpegCandidates;

// ---- the search order ----

TEST(FfmpegCandidates, OwnFolderFirstThenPathInOrder) {
    const auto c = FfmpegCandidates("C:\\Program Files\\Velmora", "C:\\tools;D:\\media\\bin\\");
    ASSERT_EQ(c.size(), 3u);
    EXPECT_EQ(c[0], "C:\\Program Files\\Velmora\\ffmpeg.exe");
    EXPECT_EQ(c[1], "C:\\tools\\ffmpeg.exe");
    EXPECT_EQ(c[2], "D:\\media\\bin\\ffmpeg.exe");
}

TEST(FfmpegCandidates, QuotedBlankAndEmptyEntries) {
    const auto c = FfmpegCandidates("C:\\app", ";;\"C:\\Program Files\\ffmpeg\\bin\"; ;  C:/x/y  ;");
    ASSERT_EQ(c.size(), 3u);
    EXPECT_EQ(c[1], "C:\\Program Files\\ffmpeg\\bin\\ffmpeg.exe");
    EXPECT_EQ(c[2], "C:/x/y\\ffmpeg.exe");
}

TEST(FfmpegCandidates, EntriesThatDependOnTheCurrentFolderArePassedOver) {
    const auto c = FfmpegCandidates("C:\\app", ".;bin;..\\tools;C:bin;\\tools;%SystemRoot%\\bin;\\\\;\\\\server\\share\\ff");
    ASSERT_EQ(c.size(), 2u);
    EXPECT_EQ(c[1], "\\\\server\\share\\ff\\ffmpeg.exe");
}

TEST(FfmpegCandidates, NoOwnFolderNoPath) {
    EXPECT_TRUE(FfmpegCandidates("", "").empty());
    EXPECT_EQ(FfmpegCandidates("", "E:\\").front(), "E:\\ffmpeg.exe");
}

TEST(FfmpegCandidates, MessageNamesTheFolderAndThePath) {
    const std::string m = avf::NoFfmpegMessage("C:\\app");
    EXPECT_NE(m.find("ffmpeg.exe"), std::string::npos);
    EXPECT_NE(m.find("C:\\app"), std::string::npos);
    EXPECT_NE(m.find("PATH"), std::string::npos);
}

// ---- copies of the stand-in with the tests' ffmpeg.exe ----

using Outcome = consolerun::RunResult;

// Sets an environment variable for the children this test starts and puts
// the old value back at the end of the scope.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const std::optional<std::string>& value) : name_(name) {
        char buffer[32768];
        const DWORD n = GetEnvironmentVariableA(name, buffer, sizeof buffer);
        if (n > 0 && n < sizeof buffer) old_ = std::string(buffer, n);
        SetEnvironmentVariableA(name, value ? value->c_str() : nullptr);
    }
    ~ScopedVariable() { SetEnvironmentVariableA(name_, old_ ? old_->c_str() : nullptr); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

// Runs `program` with `args` in `folder`; what it printed without carriage returns.
Outcome RunProgram(const fs::path& program, const std::vector<std::string>& args, const fs::path& folder) {
    Outcome run = consolerun::RunPathLine(program.string(), consolerun::Join(args), folder.string());
    std::erase(run.output, '\r');
    return run;
}

class FfmpegSearch : public ::testing::Test {
protected:
    void SetUp() override {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        root_ = fs::path(temp) / ("ffmpeg-search-" + std::to_string(GetCurrentProcessId()));
        fs::remove_all(root_);
        fs::create_directories(root_ / "in");
        fs::create_directories(root_ / "out");
        source_ = root_ / "in" / "My Clip.wav";
        std::ofstream(source_, std::ios::binary) << "not really audio";
        bin_ = fs::path(win::ProgramFolder());
        ASSERT_TRUE(fs::exists(bin_ / "fake-ffmpeg" / "ffmpeg.exe"));
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }

    // A folder holding a copy of avformat.dll and, when asked, the fake ffmpeg.exe.
    fs::path Converter(const std::string& name, bool withFfmpeg) {
        const fs::path folder = root_ / name;
        fs::create_directories(folder);
        fs::copy_file(bin_ / "avformat.dll", folder / "avformat.dll");
        if (withFfmpeg) Ffmpeg(folder);
        return folder;
    }
    void Ffmpeg(const fs::path& folder) {
        fs::create_directories(folder);
        fs::copy_file(bin_ / "fake-ffmpeg" / "ffmpeg.exe", folder / "ffmpeg.exe");
    }
    Outcome Convert(const fs::path& converter, const fs::path& dest) {
        return RunProgram(converter / "avformat.dll", {"-i", source_.string(), "-y", dest.string()}, root_);
    }

    fs::path root_, source_, bin_;
};

TEST_F(FfmpegSearch, BesideTheStandInItIsUsedWithWindowsPaths) {
    const fs::path conv = Converter("beside", true);
    const fs::path dest = root_ / "out" / "clip.mp3";
    const Outcome run = Convert(conv, dest);
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_TRUE(run.Has("fake ffmpeg at " + (conv / "ffmpeg.exe").string())) << run.output;
    EXPECT_TRUE(run.Has("arg: " + source_.string() + "\n")) << run.output;
    EXPECT_TRUE(run.Has("arg: -nostdin\n")) << run.output;
    EXPECT_TRUE(run.Has("arg: " + dest.string() + "\n")) << run.output;
    EXPECT_TRUE(fs::exists(dest));
}

TEST_F(FfmpegSearch, OnThePathWhenNoneIsBeside) {
    const fs::path conv = Converter("alone", false);
    const fs::path tools = root_ / "my tools";
    Ffmpeg(tools);
    ScopedVariable path("PATH", "C:\\no such folder;\"" + tools.string() + "\";C:\\windows\\system32;C:\\windows");
    const Outcome run = Convert(conv, root_ / "out" / "clip.mp3");
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_TRUE(run.Has("fake ffmpeg at " + (tools / "ffmpeg.exe").string())) << run.output;
}

TEST_F(FfmpegSearch, BesideComesBeforeThePath) {
    const fs::path conv = Converter("both", true);
    const fs::path tools = root_ / "tools";
    Ffmpeg(tools);
    ScopedVariable path("PATH", tools.string() + ";C:\\windows\\system32;C:\\windows");
    const Outcome run = Convert(conv, root_ / "out" / "clip.mp3");
    EXPECT_TRUE(run.Has("fake ffmpeg at " + (conv / "ffmpeg.exe").string())) << run.output;
    EXPECT_FALSE(run.Has("fake ffmpeg at " + (tools / "ffmpeg.exe").string())) << run.output;
}

TEST_F(FfmpegSearch, ARelativePathEntryDoesNotReachTheCurrentFolder) {
    // The run's current folder holds an ffmpeg.exe; "." on the PATH must not
    // find it, so under Wine the Linux ffmpeg is used instead (and fails on
    // this source, which is no audio).
    const fs::path conv = Converter("relative", false);
    Ffmpeg(root_);
    ScopedVariable path("PATH", ".;tools;C:\\windows\\system32;C:\\windows");
    const Outcome run = Convert(conv, root_ / "out" / "clip.mp3");
    EXPECT_FALSE(run.Has("fake ffmpeg")) << run.output;
    EXPECT_TRUE(run.Has("avformat: ffmpeg '-nostdin'")) << run.output;
    EXPECT_NE(run.exitCode, 0u);
}

TEST_F(FfmpegSearch, ItsOutputAndExitCodeReachTheCaller) {
    const fs::path conv = Converter("failing", true);
    ScopedVariable exitCode("FAKE_FFMPEG_EXIT", "5");
    const fs::path dest = root_ / "out" / "clip.mp3";
    const Outcome run = Convert(conv, dest);
    EXPECT_EQ(run.exitCode, 5u) << run.output;
    EXPECT_TRUE(run.Has("fake ffmpeg fails with 5")) << run.output;
    EXPECT_FALSE(fs::exists(dest));
}

TEST_F(FfmpegSearch, TheHeadlessConversionReportsAFailingFfmpeg) {
    const fs::path conv = Converter("program", true);
    fs::copy_file(bin_ / "cadrel-convert.exe", conv / "cadrel-convert.exe");
    ScopedVariable exitCode("FAKE_FFMPEG_EXIT", "7");
    const Outcome run = RunProgram(conv / "cadrel-convert.exe",
                               {"/convert", source_.string(), "/out:" + (root_ / "out").string()}, conv);
    EXPECT_EQ(run.exitCode, 1u) << run.output;
    EXPECT_TRUE(run.Has("ended with code 7")) << run.output;
    EXPECT_TRUE(run.Has("0 of 1 files converted")) << run.output;
}

TEST_F(FfmpegSearch, TheHeadlessConversionSucceedsWithIt) {
    const fs::path conv = Converter("program-ok", true);
    fs::copy_file(bin_ / "cadrel-convert.exe", conv / "cadrel-convert.exe");
    const Outcome run = RunProgram(conv / "cadrel-convert.exe",
                               {"/convert", source_.string(), "/out:" + (root_ / "out").string()}, conv);
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_TRUE(run.Has("1 of 1 files converted")) << run.output;
}

}  // namespace

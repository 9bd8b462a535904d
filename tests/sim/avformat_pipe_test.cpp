// avformat.dll started the way the converter component starts it: a hidden
// child whose standard output and error are the write end of an anonymous
// pipe, from one command line whose first token is the short path of the
// program; the parent drains the pipe until it reports its end. The clip and
// the never-ending input (a FIFO nobody writes) come from the host fixture
// (avformat_convert.sh prepare) in avformat-e2e/ of the program folder.
#include "WinHandles.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace {

std::string ProgramFolder() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string p(path);
    return p.substr(0, p.find_last_of('\\'));
}

std::string ShortPath(const std::string& path) {
    char buf[256] = {};
    DWORD n = GetShortPathNameA(path.c_str(), buf, sizeof(buf));
    return n > 0 && n < sizeof(buf) ? std::string(buf, n) : path;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

struct Child {
    win::unique_handle process;
    win::unique_handle readEnd;
    DWORD pid = 0;
};

// The component's start: inheritable pipe, STARTF_USESTDHANDLES |
// STARTF_USESHOWWINDOW with SW_HIDE, no application name.
Child Start(const std::string& options, const std::string& source, const std::string& dest) {
    Child c;
    SECURITY_ATTRIBUTES sa{sizeof(sa), nullptr, TRUE};
    HANDLE r = nullptr, w = nullptr;
    if (!CreatePipe(&r, &w, &sa, 0)) return c;
    c.readEnd.reset(r);
    win::unique_handle writeEnd(w);
    STARTUPINFOA si{};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_HIDE;
    si.hStdOutput = w;
    si.hStdError = w;
    std::string line = ShortPath(ProgramFolder() + "\\avformat.dll") + " -i \"" + source + "\" " + options + "\"" + dest + "\"";
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, line.data(), &sa, &sa, TRUE, NORMAL_PRIORITY_CLASS, nullptr, nullptr, &si, &pi)) return c;
    CloseHandle(pi.hThread);
    c.process.reset(pi.hProcess);
    c.pid = pi.dwProcessId;
    return c;
}

// Reads until the pipe reports its end; returns everything read.
std::string Drain(HANDLE readEnd) {
    std::string all;
    char buf[256];
    DWORD got = 0;
    while (ReadFile(readEnd, buf, sizeof(buf), &got, nullptr)) all.append(buf, got);
    return all;
}

DWORD ExitCode(HANDLE process) {
    WaitForSingleObject(process, 30000);
    DWORD code = 12345;
    GetExitCodeProcess(process, &code);
    return code;
}

class ConverterPipe : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = ProgramFolder() + "\\avformat-e2e";
        clip_ = dir_ + "\\clip.mkv";
        ASSERT_TRUE(Exists(clip_)) << "no clip: the host fixture avformat_prepare makes " << clip_;
    }
    std::string dir_, clip_;
};

TEST_F(ConverterPipe, RelaysTheConversionAndEndsThePipe) {
    std::string dest = dir_ + "\\pipe out.avi";
    DeleteFileA(dest.c_str());
    Child c = Start("-y -b 360 -r 29.97 -s 320x240 -vcodec mpeg4 -deinterlace -sameq -ab 48 -ar 22050 -ac 2 ", clip_, dest);
    ASSERT_TRUE(c.process) << GetLastError();
    std::string out = Drain(c.readEnd.get());
    EXPECT_EQ(ExitCode(c.process.get()), 0u) << out;
    EXPECT_NE(out.find("Output #0"), std::string::npos) << out;
    EXPECT_NE(out.find("Stream"), std::string::npos);
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ASSERT_TRUE(GetFileAttributesExA(dest.c_str(), GetFileExInfoStandard, &data));
    EXPECT_GT(data.nFileSizeLow, 1000u);
}

TEST_F(ConverterPipe, RefusedLineIsReportedThroughThePipe) {
    std::string dest = dir_ + "\\refused.avi";
    DeleteFileA(dest.c_str());
    Child c = Start("-b 360k ", clip_, dest);
    ASSERT_TRUE(c.process);
    std::string out = Drain(c.readEnd.get());
    EXPECT_EQ(ExitCode(c.process.get()), 2u);
    EXPECT_NE(out.find("invalid value \"360k\" for -b"), std::string::npos) << out;
    EXPECT_FALSE(Exists(dest));
}

TEST_F(ConverterPipe, WithoutOverwriteAnExistingDestinationStays) {
    std::string dest = dir_ + "\\kept.wav";
    {
        win::unique_handle f(CreateFileA(dest.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        ASSERT_TRUE(f);
        DWORD n = 0;
        WriteFile(f.get(), "keep", 4, &n, nullptr);
    }
    Child c = Start("-f wav -acodec pcm_s16le ", clip_, dest);
    ASSERT_TRUE(c.process);
    Drain(c.readEnd.get());
    EXPECT_NE(ExitCode(c.process.get()), 0u);
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ASSERT_TRUE(GetFileAttributesExA(dest.c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ(data.nFileSizeLow, 4u);
}

// Terminating avformat.dll (what CancelConvert does) ends the pipe, and the
// conversion behind it stops too: its job removes its work folder once
// ffmpeg has ended.
TEST_F(ConverterPipe, TerminatedConverterStopsTheConversion) {
    // Wine shows no attributes for a FIFO, so the fixture's word is taken.
    std::string stall = dir_ + "\\stall.fifo";
    Child c = Start("-y -f wav -acodec pcm_s16le ", stall, dir_ + "\\stalled.wav");
    ASSERT_TRUE(c.process);
    // Wait for ffmpeg's own banner: the job is running.
    std::string seen;
    char buf[256];
    DWORD got = 0;
    while (seen.find("ffmpeg version") == std::string::npos &&
           ReadFile(c.readEnd.get(), buf, sizeof(buf), &got, nullptr)) {
        seen.append(buf, got);
    }
    ASSERT_NE(seen.find("ffmpeg version"), std::string::npos) << seen;

    char temp[MAX_PATH + 1] = {};
    GetTempPathA(sizeof(temp), temp);
    std::string pattern = std::string(temp) + "avformat-" + std::to_string(c.pid) + "-*";
    WIN32_FIND_DATAA fd{};
    HANDLE find = FindFirstFileA(pattern.c_str(), &fd);
    ASSERT_NE(find, INVALID_HANDLE_VALUE) << "no work folder " << pattern;
    FindClose(find);
    std::string work = std::string(temp) + fd.cFileName;

    ASSERT_TRUE(TerminateProcess(c.process.get(), 0));
    Drain(c.readEnd.get());
    EXPECT_EQ(ExitCode(c.process.get()), 0u);
    // The job notices the missing heartbeat after a few seconds.
    for (int i = 0; i < 600 && Exists(work); ++i) Sleep(100);
    EXPECT_FALSE(Exists(work)) << work << " is still there: the conversion did not stop";
}

}  // namespace

// The converter component against a stand-in converter ("avformat.dll" in
// the test's own program folder): the early checks, a run to its end, the
// command line the converter receives, the properties cleared after each
// conversion, and cancelling, which ends every process of that name.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "ModuleFolder.h"
#include "MessagePump.h"
#include "AVC.h"

namespace fs = std::filesystem;

namespace {

AVC* ticking = nullptr;

LRESULT CALLBACK TimerWindowProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_TIMER && wp == 1 && ticking) {
        ticking->Timer1_Timer();
        return 0;
    }
    return ::DefWindowProcA(h, msg, wp, lp);
}

HWND MakeTimerWindow() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = TimerWindowProc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = "ConverterComponentTestTimer";
    ::RegisterClassA(&wc);
    return ::CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
}

std::string ReadFile(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

// Pumps messages until `done` holds; false when it never does (a hang guard,
// far beyond any expected duration).
template <class Pred>
bool PumpUntil(Pred done) {
    const ULONGLONG give_up = ::GetTickCount64() + 60000;
    while (!done()) {
        if (::GetTickCount64() > give_up) return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
        win::PumpPendingMessages();
    }
    return true;
}

class Component : public ::testing::Test {
protected:
    void SetUp() override {
        folder = win::ProgramFolder();
        ASSERT_TRUE(fs::exists(fs::path(folder) / "avformat.dll"));
        fs::remove(fs::path(folder) / "calls.txt");
        fs::remove(fs::path(folder) / "pid.txt");
        work = fs::path(folder) / "component-work";
        fs::remove_all(work);
        fs::create_directories(work);
        ::SetEnvironmentVariableA("FAKE_AVFORMAT_SILENCE_MS", nullptr);
        window = MakeTimerWindow();
        ASSERT_NE(window, nullptr);
        Attach(std::make_unique<AVC>(window, 1));
    }
    void TearDown() override {
        ticking = nullptr;
        avc.reset();
        ::DestroyWindow(window);
        ::SetEnvironmentVariableA("FAKE_AVFORMAT_SILENCE_MS", nullptr);
        ::SetEnvironmentVariableA("FAKE_AVFORMAT_OUTPUT_BYTES", nullptr);
        ::SetEnvironmentVariableA("FAKE_AVFORMAT_EXIT_CODE", nullptr);
        ::SetEnvironmentVariableA("FAKE_AVFORMAT_NO_OUTPUT", nullptr);
    }
    void Attach(std::unique_ptr<AVC> instance) {
        avc = std::move(instance);
        ticking = avc.get();
        avc->Converting = [this] { events.push_back("Converting"); };
        avc->Complete = [this] { events.push_back("Complete"); };
        avc->ErrorEvent = [this](std::string& m) { events.push_back("Error:" + m); };
    }
    int Count(const std::string& e) const { return static_cast<int>(std::count(events.begin(), events.end(), e)); }
    std::string Win(const fs::path& p) const { return p.string(); }
    std::vector<std::string> Calls() const {
        std::vector<std::string> lines;
        std::istringstream s(ReadFile(fs::path(folder) / "calls.txt"));
        for (std::string l; std::getline(s, l);) lines.push_back(l);
        return lines;
    }
    // The part of a command line after the converter's path.
    static std::string Tail(const std::string& line) {
        const auto at = line.find(" -i ");
        return at == std::string::npos ? line : line.substr(at);
    }
    void ConvertAndWait(bool overWrite = true) {
        avc->ConvertMedia(overWrite);
        ASSERT_TRUE(avc->Running());
        ASSERT_TRUE(PumpUntil([&] { return Count("Complete") > 0; }));
    }

    std::string folder;
    fs::path work;
    HWND window = nullptr;
    std::unique_ptr<AVC> avc;
    std::vector<std::string> events;
};

}  // namespace

TEST_F(Component, EmptySourceAndDestinationRaiseOnlyTheSourceError) {
    bool overWrite = true;
    avc->ConvertMedia(overWrite);
    EXPECT_EQ(events, (std::vector<std::string>{"Error:No source filename defined"}));
    EXPECT_FALSE(avc->Running());
    EXPECT_TRUE(overWrite);
    avc->SetSourceFile("x");
    events.clear();
    avc->ConvertMedia(overWrite);
    EXPECT_EQ(events, (std::vector<std::string>{"Error:No destination filename defined"}));
    EXPECT_TRUE(Calls().empty());
}

TEST_F(Component, AMissingConverterIsReportedAndNothingStarts) {
    fs::create_directories(work / "empty");
    Attach(std::make_unique<AVC>(window, 1, Win(work / "empty")));
    avc->SetSourceFile(Win(work / "in.avi"));
    avc->SetDestFile(Win(work / "out.avi"));
    bool overWrite = false;
    avc->ConvertMedia(overWrite);
    EXPECT_EQ(events, (std::vector<std::string>{"Error:Unable to locate avformat.dll"}));
    EXPECT_FALSE(avc->Running());
    EXPECT_TRUE(Calls().empty());
    EXPECT_FALSE(fs::exists(work / "out.avi"));
}

TEST_F(Component, ARunEndsWithCompleteAfterItsOutputEnds) {
    const std::string source = Win(work / "in file.avi"), dest = Win(work / "out file.mpg");
    avc->SetAudioChannels("2");
    avc->SetVideoBitrate("360");
    avc->SetDeInterlace(true);
    avc->SetSourceFile(source);
    avc->SetDestFile(dest);
    ConvertAndWait();
    EXPECT_EQ(Count("Complete"), 1);
    EXPECT_GE(Count("Converting"), 1);
    EXPECT_EQ(events.back(), "Complete");
    EXPECT_EQ(Count("Converting") + 1, static_cast<int>(events.size())) << "no error for a converter that succeeded";
    EXPECT_FALSE(avc->Running());
    const auto calls = Calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0], avc->LastCommandLine());
    EXPECT_EQ(Tail(calls[0]), " -i \"" + source + "\" -y -b 360 -deinterlace -ac 2 \"" + dest + "\"");
    // The converter's short path needs no quotes.
    EXPECT_EQ(calls[0].find('"'), calls[0].find(" -i ") + 4);
    EXPECT_TRUE(fs::exists(dest));
}

// A converter that writes much more than a pipe holds is drained as fast as
// it writes: its output does not pile up for one small read per tick.
// A converter that fails is not a conversion that ended well: its reason is
// raised just before Complete, and what it wrote under the destination name
// is gone.
TEST_F(Component, AFailingConverterRaisesItsExitCodeBeforeCompleteAndLeavesNoFile) {
    ::SetEnvironmentVariableA("FAKE_AVFORMAT_EXIT_CODE", "1");
    const std::string source = Win(work / "garbage.avi"), dest = Win(work / "garbage.mpg");
    avc->SetSourceFile(source);
    avc->SetDestFile(dest);
    ConvertAndWait();
    ASSERT_GE(events.size(), 2u);
    EXPECT_EQ(events[events.size() - 2], "Error:Unable to convert " + source + ": avformat.dll ended with code 1");
    EXPECT_EQ(events.back(), "Complete");
    EXPECT_EQ(Count("Complete"), 1);
    EXPECT_FALSE(avc->Running());
    EXPECT_FALSE(fs::exists(dest)) << "the failed converter's file is removed";
}

TEST_F(Component, AConverterThatWritesNothingFails) {
    ::SetEnvironmentVariableA("FAKE_AVFORMAT_NO_OUTPUT", "1");
    const std::string source = Win(work / "empty.avi"), dest = Win(work / "none.mpg");
    avc->SetSourceFile(source);
    avc->SetDestFile(dest);
    ConvertAndWait();
    EXPECT_EQ(Count("Error:Unable to convert " + source + ": avformat.dll wrote no output file"), 1);
    EXPECT_EQ(events.back(), "Complete");
    EXPECT_FALSE(fs::exists(dest));
}

TEST_F(Component, AFailedConverterLeavesAnOlderFileItDidNotTouch) {
    ::SetEnvironmentVariableA("FAKE_AVFORMAT_NO_OUTPUT", "1");
    ::SetEnvironmentVariableA("FAKE_AVFORMAT_EXIT_CODE", "1");
    const std::string source = Win(work / "garbage.avi"), dest = Win(work / "kept.mpg");
    std::ofstream(dest, std::ios::binary) << "an older file";
    avc->SetSourceFile(source);
    avc->SetDestFile(dest);
    ConvertAndWait(false);
    EXPECT_EQ(Count("Error:Unable to convert " + source + ": avformat.dll ended with code 1"), 1);
    EXPECT_EQ(events.back(), "Complete");
    EXPECT_EQ(ReadFile(dest), "an older file") << "a file the converter did not write is not removed";
}

TEST_F(Component, AChattyConverterIsDrainedWithoutBeingHeldBack) {
    ::SetEnvironmentVariableA("FAKE_AVFORMAT_OUTPUT_BYTES", "400000");
    avc->SetSourceFile(Win(work / "in.avi"));
    avc->SetDestFile(Win(work / "out.avi"));
    ConvertAndWait();
    EXPECT_EQ(Count("Complete"), 1);
    // 400 kB at 256 bytes a tick would take over 1500 ticks.
    EXPECT_LT(Count("Converting"), 100);
}

TEST_F(Component, ASecondConversionCarriesNoOldProperty) {
    avc->SetVideoBitrate("1500");
    avc->SetSameQuality(true);
    avc->SetSourceFile(Win(work / "a.avi"));
    avc->SetDestFile(Win(work / "a.mpg"));
    ConvertAndWait();
    events.clear();
    avc->SetSourceFile(Win(work / "b.avi"));
    avc->SetDestFile(Win(work / "b.mpg"));
    ConvertAndWait(false);
    const auto calls = Calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(Tail(calls[1]), " -i \"" + Win(work / "b.avi") + "\" \"" + Win(work / "b.mpg") + "\"");
    // And nothing at all is left after that one.
    events.clear();
    bool overWrite = true;
    avc->ConvertMedia(overWrite);
    EXPECT_EQ(events, (std::vector<std::string>{"Error:No source filename defined"}));
}

TEST_F(Component, CancelEndsASilentConverterAndCompleteFollows) {
    ::SetEnvironmentVariableA("FAKE_AVFORMAT_SILENCE_MS", "120000");
    avc->SetVideoCodec("wmv2");
    avc->SetSourceFile(Win(work / "long.avi"));
    avc->SetDestFile(Win(work / "long.wmv"));
    bool overWrite = true;
    avc->ConvertMedia(overWrite);
    ASSERT_TRUE(avc->Running());
    // Ticks keep coming while the converter says nothing: the window thread
    // is not held by the read.
    ASSERT_TRUE(PumpUntil([&] { return Count("Converting") >= 4 && fs::exists(fs::path(folder) / "pid.txt"); }));
    EXPECT_EQ(Count("Complete"), 0);
    const DWORD pid = static_cast<DWORD>(std::stoul(ReadFile(fs::path(folder) / "pid.txt")));
    HANDLE process = ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    ASSERT_NE(process, nullptr);
    events.clear();
    avc->CancelConvert();
    ASSERT_TRUE(PumpUntil([&] { return Count("Complete") > 0; }));
    EXPECT_EQ(events.front(), "Converting");
    EXPECT_EQ(events.back(), "Complete");
    EXPECT_EQ(::WaitForSingleObject(process, 30000), WAIT_OBJECT_0);
    DWORD code = 99;
    EXPECT_TRUE(::GetExitCodeProcess(process, &code));
    EXPECT_EQ(code, 0u);
    ::CloseHandle(process);
    events.clear();
    avc->ConvertMedia(overWrite);
    EXPECT_EQ(events, (std::vector<std::string>{"Error:No source filename defined"}));
}

TEST_F(Component, CancelWhileIdleEndsConvertersStartedElsewhere) {
    ::SetEnvironmentVariableA("FAKE_AVFORMAT_SILENCE_MS", "120000");
    std::string line = "\"" + folder + "\\avformat.dll\" -i \"x\" \"" + Win(work / "elsewhere.bin") + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                                 &si, &pi));
    ::CloseHandle(pi.hThread);
    ASSERT_TRUE(PumpUntil([&] { return fs::exists(work / "elsewhere.bin"); }));
    avc->CancelConvert();
    EXPECT_EQ(::WaitForSingleObject(pi.hProcess, 30000), WAIT_OBJECT_0);
    DWORD code = 99;
    ::GetExitCodeProcess(pi.hProcess, &code);
    EXPECT_EQ(code, 0u);
    ::CloseHandle(pi.hProcess);
    win::PumpPendingMessages();
    EXPECT_TRUE(events.empty());
}

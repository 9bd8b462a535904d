// CadrelConverter.exe as a user starts it:
//  - a rip without a window (/rip) loads none of the window libraries it
//    does not use (the common controls, their visual style, the file
//    dialogs), so it does not wait for the desktop to start; the DLLs it
//    loads are seen through the debugging interface, from the first to the
//    last;
//  - with its window, the same libraries are there when they are first
//    used: the track list shows its icons, and "Add Files" on the converter
//    tab opens the file dialog, which is cancelled; closing the window ends
//    the program with exit code 0.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "ModuleFolder.h"
#include "RipJobSupport.h"
#include "VirtualDisc.h"
#include "WinHandles.h"
#include "support/ConsoleRun.h"

namespace {

using namespace ripjobtest;
using Clock = std::chrono::steady_clock;

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return s;
}

std::string ProgramPath() { return win::ProgramFolder() + "\\CadrelConverter.exe"; }

struct DebuggedRun {
    DWORD exitCode = 0xFFFFFFFF;
    std::set<std::string> dlls;  // file names, in lower case
    bool finished = false;
};

// Runs the program with `tail` as a debugger would and names every DLL it
// maps, until it ends (at most `limit`).
DebuggedRun RunDebugged(const std::string& tail, std::chrono::seconds limit) {
    DebuggedRun run;
    std::string line = consolerun::Quote(ProgramPath()) + " " + tail;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, DEBUG_ONLY_THIS_PROCESS | CREATE_NO_WINDOW,
                        nullptr, win::ProgramFolder().c_str(), &si, &pi)) {
        ADD_FAILURE() << "cannot start " << line << " (error " << GetLastError() << ")";
        return run;
    }
    win::unique_handle process(pi.hProcess), thread(pi.hThread);
    const auto deadline = Clock::now() + limit;
    while (Clock::now() < deadline) {
        DEBUG_EVENT event{};
        if (!WaitForDebugEvent(&event, 500)) continue;
        DWORD status = DBG_CONTINUE;
        switch (event.dwDebugEventCode) {
            case LOAD_DLL_DEBUG_EVENT: {
                wchar_t name[MAX_PATH * 2] = {};
                if (GetMappedFileNameW(process.get(), event.u.LoadDll.lpBaseOfDll, name, MAX_PATH * 2) > 0) {
                    std::wstring path(name);
                    std::wstring file = path.substr(path.find_last_of(L"\\/") + 1);
                    run.dlls.insert(Lower(std::string(file.begin(), file.end())));
                }
                if (event.u.LoadDll.hFile) CloseHandle(event.u.LoadDll.hFile);
                break;
            }
            case CREATE_PROCESS_DEBUG_EVENT:
                if (event.u.CreateProcessInfo.hFile) CloseHandle(event.u.CreateProcessInfo.hFile);
                break;
            case EXCEPTION_DEBUG_EVENT:
                // The loader's first breakpoint is ours to pass; anything
                // else is the program's own to handle.
                if (event.u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT)
                    status = DBG_EXCEPTION_NOT_HANDLED;
                break;
            case EXIT_PROCESS_DEBUG_EVENT:
                run.exitCode = event.u.ExitProcess.dwExitCode;
                run.finished = true;
                break;
            default:
                break;
        }
        ContinueDebugEvent(event.dwProcessId, event.dwThreadId, status);
        if (run.finished) break;
    }
    if (!run.finished) {
        TerminateProcess(process.get(), 99);
        ADD_FAILURE() << "the program did not end within " << limit.count() << " s";
    }
    DebugActiveProcessStop(pi.dwProcessId);
    return run;
}

struct WindowSearch {
    DWORD pid = 0;  // top-level windows of this process, or
    HWND parent = nullptr;  // descendants of this window
    std::string cls;
    int id = 0;  // any id when 0
    std::vector<HWND> found;
};

bool Matches(HWND w, const WindowSearch& s) {
    char name[64] = {};
    GetClassNameA(w, name, sizeof name);
    return s.cls == name && (s.id == 0 || GetDlgCtrlID(w) == s.id);
}

BOOL CALLBACK CollectTopLevel(HWND w, LPARAM p) {
    auto& s = *reinterpret_cast<WindowSearch*>(p);
    DWORD owner = 0;
    GetWindowThreadProcessId(w, &owner);
    if (owner == s.pid && IsWindowVisible(w) && Matches(w, s)) s.found.push_back(w);
    return TRUE;
}

BOOL CALLBACK CollectChild(HWND w, LPARAM p) {
    auto& s = *reinterpret_cast<WindowSearch*>(p);
    if (Matches(w, s)) s.found.push_back(w);
    return TRUE;
}

// The visible top-level windows of process `pid` whose class is `cls`.
std::vector<HWND> WindowsOf(DWORD pid, const std::string& cls) {
    WindowSearch search{pid, nullptr, cls, 0, {}};
    EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The first descendant of `parent` with class `cls` (and id `id` unless 0).
HWND Descendant(HWND parent, const std::string& cls, int id = 0) {
    WindowSearch search{0, parent, cls, id, {}};
    EnumChildWindows(parent, CollectChild, reinterpret_cast<LPARAM>(&search));
    return search.found.empty() ? nullptr : search.found.front();
}

template <class F>
auto WaitFor(F&& probe, std::chrono::seconds limit) {
    const auto deadline = Clock::now() + limit;
    auto value = probe();
    while (!value && Clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        value = probe();
    }
    return value;
}

class ProgramStart : public ::testing::Test {
protected:
    void TearDown() override { testdisc::Eject(); }
};

}  // namespace

TEST_F(ProgramStart, ARipWithoutAWindowLoadsNoWindowLibraries) {
    testdisc::Insert({{100}, {60}});
    const std::string folder = FreshFolder("program-start", "headless");
    const DebuggedRun run = RunDebugged("/rip /format:WAV " + consolerun::Quote("/out:" + folder), std::chrono::seconds(60));
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(Entries(folder), (std::vector<std::string>{"Track 1.wav", "Track 2.wav"}));
    // Seen at all: the run's own libraries.
    EXPECT_TRUE(run.dlls.count("akrip32.dll")) << "the DLLs were not seen";
    EXPECT_TRUE(run.dlls.count("user32.dll"));
    for (const char* unused : {"comctl32.dll", "uxtheme.dll", "comdlg32.dll"})
        EXPECT_FALSE(run.dlls.count(unused)) << unused << " was loaded by a rip without a window";
}

TEST_F(ProgramStart, TheWindowHasItsCommonControlsAndFileDialog) {
    testdisc::Insert({{100}, {60}, {80}});
    std::string line = consolerun::Quote(ProgramPath());
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               win::ProgramFolder().c_str(), &si, &pi));
    win::unique_handle process(pi.hProcess), thread(pi.hThread);
    const DWORD pid = pi.dwProcessId;
    struct Ender {  // a failed check leaves no program running
        HANDLE process;
        ~Ender() {
            if (WaitForSingleObject(process, 0) == WAIT_TIMEOUT) TerminateProcess(process, 99);
        }
    } ender{process.get()};

    const HWND main = WaitFor(
        [&]() -> HWND {
            auto found = WindowsOf(pid, "CadrelMainWindow");
            return found.empty() ? nullptr : found.front();
        },
        std::chrono::seconds(60));
    ASSERT_TRUE(main) << "no main window";

    // The track list is a list view with the disc's three tracks and its icons.
    const HWND list = WaitFor(
        [&]() -> HWND {
            HWND l = Descendant(main, "SysListView32");
            return l && SendMessageA(l, LVM_GETITEMCOUNT, 0, 0) == 3 ? l : nullptr;
        },
        std::chrono::seconds(30));
    ASSERT_TRUE(list) << "no track list with three tracks";
    EXPECT_NE(SendMessageA(list, LVM_GETIMAGELIST, LVSIL_SMALL, 0), 0) << "the track list has no icons";

    // "Add Files" on the converter tab: the file dialog opens, and is cancelled.
    const HWND add = Descendant(main, "CandyButton", 1101);
    ASSERT_TRUE(add) << "no Add Files button";
    PostMessageA(GetParent(add), WM_COMMAND, MAKEWPARAM(1101, BN_CLICKED), reinterpret_cast<LPARAM>(add));
    const HWND dialog = WaitFor(
        [&]() -> HWND {
            auto found = WindowsOf(pid, "#32770");
            return found.empty() ? nullptr : found.front();
        },
        std::chrono::seconds(30));
    ASSERT_TRUE(dialog) << "the file dialog did not open";
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(WaitFor([&] { return WindowsOf(pid, "#32770").empty(); }, std::chrono::seconds(30)));

    PostMessageA(main, WM_CLOSE, 0, 0);
    ASSERT_EQ(WaitForSingleObject(process.get(), 30000), WAIT_OBJECT_0) << "the program did not end";
    DWORD code = 0;
    GetExitCodeProcess(process.get(), &code);
    EXPECT_EQ(code, 0u);
}

// The main window as a user meets it: the track list read from the virtual
// drive, the selection button, the status texts, the drawer, the settings
// kept between runs, and a rip of checked tracks. Message boxes the window
// shows are recorded and answered by a hook of the test's own.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "CD_Library.h"
#include "Cadrel.h"
#include "CandyButton.h"
#include "VirtualDisc.h"
#include "modSettings.h"
#include "support/WindowTesting.h"

namespace fs = std::filesystem;

namespace {

using testing_support::MessageBoxRecorder;
using testing_support::Pump;

std::string TextOf(HWND h) {
    char buf[1024] = {};
    ::GetWindowTextA(h, buf, sizeof buf);
    return buf;
}

std::string Cell(HWND list, int row, int column) {
    char buf[256] = {};
    ListView_GetItemText(list, row, column, buf, sizeof buf);
    return buf;
}

std::string StatusPanel(const Cadrel& w, int panel) {
    char buf[256] = {};
    ::SendMessageA(w.Control(Cadrel::IdStatus), SB_GETTEXTA, panel - 1, reinterpret_cast<LPARAM>(buf));
    return buf;
}

void Click(const Cadrel& w, int id) {
    // Through the button itself, as the mouse does it.
    HWND b = w.Control(id);
    ::SendMessageA(b, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    ::SendMessageA(b, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
    Pump();
}

uint32_t Frames(int m, int s, int f) { return static_cast<uint32_t>((m * 60 + s) * 75 + f); }

void ClearSettings() {
    ::RegDeleteTreeA(HKEY_CURRENT_USER, modSettings::SectionKey(modSettings::AppName, "").c_str());
}

class MainWindow : public ::testing::Test {
protected:
    void Open() {
        ASSERT_TRUE(window.Create(SW_SHOWNORMAL));
        Pump();
    }
    void TearDown() override {
        if (window.hWnd()) ::SendMessageA(window.hWnd(), WM_CLOSE, 0, 0);
        Pump();
        testdisc::Eject();
    }
    MessageBoxRecorder boxes;
    Cadrel window;
};

}  // namespace

TEST_F(MainWindow, ListsTheTracksWithTheirStartTimes) {
    testdisc::Insert({{Frames(4, 10, 50)}, {Frames(3, 0, 40)}, {Frames(5, 0, 0)}});
    ASSERT_NO_FATAL_FAILURE(Open());
    EXPECT_EQ(TextOf(window.hWnd()), "Velmora Cadrel");
    HWND list = window.Control(Cadrel::IdListView1);
    ASSERT_EQ(ListView_GetItemCount(list), 3);
    EXPECT_EQ(Cell(list, 0, 0), "Track 1");
    EXPECT_EQ(Cell(list, 0, 1), "Unknown");
    EXPECT_EQ(Cell(list, 0, 2), "00:02:00");
    EXPECT_EQ(Cell(list, 1, 2), "04:12:50");
    EXPECT_EQ(Cell(list, 2, 2), "07:13:15");
    EXPECT_EQ(Cell(list, 0, 3), "04:10:50");
    EXPECT_EQ(window.TrackListRows(), (std::vector<std::string>{"Track 1", "Track 2", "Track 3"}));
    EXPECT_EQ(StatusPanel(window, 1), "Opened Successfully");
    EXPECT_EQ(StatusPanel(window, 2).rfind("length - ", 0), 0u);
    EXPECT_NE(StatusPanel(window, 2), "length - no_disc_present");
    EXPECT_TRUE(boxes.texts.empty());
}

// A data track keeps its row and title; the list says what it is where an
// audio track names its artist.
TEST_F(MainWindow, ADataTrackIsShownAsSuchInTheList) {
    testdisc::Insert({{Frames(0, 30, 0), true}, {Frames(3, 0, 0)}});
    ASSERT_NO_FATAL_FAILURE(Open());
    HWND list = window.Control(Cadrel::IdListView1);
    ASSERT_EQ(ListView_GetItemCount(list), 2);
    EXPECT_EQ(Cell(list, 0, 0), "Track 1");
    EXPECT_EQ(Cell(list, 0, 1), "Data track");
    EXPECT_EQ(Cell(list, 1, 0), "Track 2");
    EXPECT_EQ(Cell(list, 1, 1), "Unknown");
    EXPECT_EQ(window.TrackListRows(), (std::vector<std::string>{"Track 1", "Track 2"}));
}

TEST_F(MainWindow, AnEmptyDriveListsNothingAndSaysSo) {
    testdisc::Eject();
    ASSERT_NO_FATAL_FAILURE(Open());
    EXPECT_EQ(ListView_GetItemCount(window.Control(Cadrel::IdListView1)), 0);
    EXPECT_EQ(StatusPanel(window, 2), "length - no_disc_present");
    Click(window, Cadrel::IdCandyButton1);
    EXPECT_EQ(boxes.texts, (std::vector<std::string>{"Please insert a audio cd!!"}));
}

TEST_F(MainWindow, SelectAllThenOneByHandThenNone) {
    testdisc::Insert({{300}, {300}, {300}});
    ASSERT_NO_FATAL_FAILURE(Open());
    HWND list = window.Control(Cadrel::IdListView1);
    Click(window, Cadrel::IdCandyButton1);
    EXPECT_EQ(window.Button(Cadrel::IdCandyButton1)->Caption(), "Select None");
    EXPECT_EQ(window.TrackListSelected(), (std::vector<bool>{true, true, true}));
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(ListView_GetCheckState(list, i));
    // The user unticks row 2: the hidden list follows, the caption stays.
    ListView_SetCheckState(list, 1, FALSE);
    Pump();
    EXPECT_EQ(window.TrackListSelected(), (std::vector<bool>{true, false, true}));
    EXPECT_EQ(window.Button(Cadrel::IdCandyButton1)->Caption(), "Select None");
    Click(window, Cadrel::IdCandyButton1);
    EXPECT_EQ(window.TrackListSelected(), (std::vector<bool>{false, false, false}));
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(ListView_GetCheckState(list, i));
    EXPECT_EQ(window.Button(Cadrel::IdCandyButton1)->Caption(), "Select All");
}

TEST_F(MainWindow, TheDrawerButtonReportsInTheStatusBar) {
    testdisc::Insert({{300}});
    ASSERT_NO_FATAL_FAILURE(Open());
    Click(window, Cadrel::IdCandyButton7);
    EXPECT_EQ(StatusPanel(window, 1), "CD drawer open.");
    CD_Library::CloseCD();
    Click(window, Cadrel::IdCandyButton7);
    EXPECT_EQ(StatusPanel(window, 1), "Could not open CD drawer.");
}

TEST_F(MainWindow, ADiscInsertedLaterIsPickedUpByTheTimer) {
    testdisc::Eject();
    ASSERT_NO_FATAL_FAILURE(Open());
    EXPECT_EQ(ListView_GetItemCount(window.Control(Cadrel::IdListView1)), 0);
    testdisc::Insert({{300}, {300}});
    ::SendMessageA(window.hWnd(), WM_TIMER, Cadrel::Timer3, 0);
    Pump();
    EXPECT_EQ(ListView_GetItemCount(window.Control(Cadrel::IdListView1)), 2);
    // With tracks listed the timer leaves the list alone.
    ListView_SetCheckState(window.Control(Cadrel::IdListView1), 0, TRUE);
    ::SendMessageA(window.hWnd(), WM_TIMER, Cadrel::Timer3, 0);
    EXPECT_TRUE(ListView_GetCheckState(window.Control(Cadrel::IdListView1), 0));
}

TEST_F(MainWindow, SettingsAreSavedOnCloseAndRestoredOnStart) {
    ClearSettings();
    testdisc::Insert({{300}});
    ASSERT_NO_FATAL_FAILURE(Open());
    const std::string shown = TextOf(window.Control(Cadrel::IdTxtOutPath));
    EXPECT_EQ(shown, modSettings::DefaultMediaFolder());
    ::SendMessageA(window.hWnd(), WM_CLOSE, 0, 0);
    Pump();
    EXPECT_EQ(modSettings::GetSetting("CADREL", "Path1", "txtOutPath", "<none>"), shown);
    EXPECT_EQ(modSettings::GetSetting("CADREL", "Options", "Op1", "<none>"), "AVI (MPEG4-XviD-Best Quality)");
    EXPECT_EQ(modSettings::GetSetting("CADREL", "Path2", "text2", "<none>"), modSettings::DefaultMediaFolder());

    modSettings::SaveSetting("CADREL", "Path1", "txtOutPath", "C:\\Rips\\Kept");
    Cadrel second;
    ASSERT_TRUE(second.Create(SW_SHOWNORMAL));
    EXPECT_EQ(TextOf(second.Control(Cadrel::IdTxtOutPath)), "C:\\Rips\\Kept");
    ::SendMessageA(second.hWnd(), WM_CLOSE, 0, 0);
    Pump();
}

TEST_F(MainWindow, RipsTheCheckedTracksOnly) {
    testdisc::Insert({{120}, {90}, {100}});
    ASSERT_NO_FATAL_FAILURE(Open());
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    const fs::path out = fs::path(temp) / "cadrel-main-window-rip";
    fs::remove_all(out);
    fs::create_directories(out);
    HWND list = window.Control(Cadrel::IdListView1);
    ListView_SetCheckState(list, 0, TRUE);
    ListView_SetCheckState(list, 2, TRUE);
    Pump();
    ::SetWindowTextA(window.Control(Cadrel::IdTxtOutPath), out.string().c_str());
    Click(window, Cadrel::IdCandyButton3);
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(out)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Track 1.mp3", "Track 3.mp3"}));
    EXPECT_TRUE(boxes.texts.empty()) << boxes.texts.front();
    EXPECT_FALSE(window.JobRunning());
    fs::remove_all(out);
}

// Clicks that arrive while a job pumps messages: the drawer, the re-read and
// a second "Rip CD" are refused; the job's own tracks are unaffected.
TEST_F(MainWindow, WhileAJobRunsTheDrawerRereadAndASecondJobAreRefused) {
    testdisc::Insert({{200}, {200}});
    ASSERT_NO_FATAL_FAILURE(Open());
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    const fs::path out = fs::path(temp) / "cadrel-main-window-busy";
    fs::remove_all(out);
    fs::create_directories(out);
    HWND list = window.Control(Cadrel::IdListView1);
    ListView_SetCheckState(list, 0, TRUE);
    ListView_SetCheckState(list, 1, TRUE);
    Pump();
    // WAV: the format list is locked during the job, so it stays WAV.
    ::SendMessageA(window.Control(Cadrel::IdCmbOutFormat), CB_SETCURSEL, 1, 0);
    ::SetWindowTextA(window.Control(Cadrel::IdTxtOutPath), out.string().c_str());
    const auto command = [&](int id) {
        ::PostMessageA(window.hWnd(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                       reinterpret_cast<LPARAM>(window.Control(id)));
    };
    command(Cadrel::IdCandyButton7);
    command(Cadrel::IdCandyButton4);
    command(Cadrel::IdCandyButton3);
    ::PostMessageA(window.hWnd(), WM_TIMER, Cadrel::Timer3, 0);
    Click(window, Cadrel::IdCandyButton3);
    EXPECT_EQ(StatusPanel(window, 1), "Opened Successfully");
    EXPECT_EQ(ListView_GetItemCount(list), 2);
    EXPECT_TRUE(ListView_GetCheckState(list, 0)) << "the disc was read again during the job";
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(out)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Track 1.wav", "Track 2.wav"}));
    EXPECT_EQ(fs::file_size(out / "Track 2.wav"), 44u + 200u * 2352u);
    EXPECT_TRUE(::IsWindowEnabled(window.Control(Cadrel::IdDriveList)));
    EXPECT_TRUE(boxes.texts.empty());
    // The job made its output folder the current one.
    ::SetCurrentDirectoryA(temp);
    fs::remove_all(out);
}

// The rip progress window as a real window: its updates, its texts, its
// close box, and Cancel as the only way to react while a track runs.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "RipJobState.h"
#include "XP_ProgressBar.h"
#include "frmProgress.h"

namespace {

std::string TextOf(HWND h) {
    char buf[512] = {};
    ::GetWindowTextA(h, buf, sizeof buf);
    return buf;
}

void Pump() {
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
}

// A stand-in for the main window that owns the progress window.
HWND MakeOwner() {
    return ::CreateWindowExA(0, "STATIC", "owner", WS_OVERLAPPEDWINDOW, 0, 0, 640, 480, nullptr, nullptr,
                             ::GetModuleHandleA(nullptr), nullptr);
}

class ProgressWindow : public ::testing::Test {
protected:
    void SetUp() override {
        owner = MakeOwner();
        form.Show(owner);
        Pump();
        ASSERT_TRUE(form.IsOpen());
    }
    void TearDown() override {
        form.Close();
        if (owner) ::DestroyWindow(owner);
    }
    HWND owner = nullptr;
    RipJobState state;
    frmProgress form{state};
};

}  // namespace

TEST_F(ProgressWindow, StartsWithItsInitialTexts) {
    EXPECT_EQ(TextOf(form.Control(frmProgress::IdLblStatus)), "Extracting track");
    EXPECT_EQ(TextOf(form.Control(frmProgress::IdLabel1)), "0 % complete");
    EXPECT_EQ(::GetWindow(form.hWnd(), GW_OWNER), owner);
    EXPECT_TRUE(::IsWindowVisible(form.hWnd()));
}

TEST_F(ProgressWindow, UpdatesShowThePercentageHalvesToEven) {
    form.ChangeProgress("Extracting track C:\\Music\\Track 3.wav", 1, 8);
    EXPECT_EQ(TextOf(form.hWnd()), "Extracting....");
    EXPECT_EQ(TextOf(form.Control(frmProgress::IdLblStatus)), "Extracting Track 3.wav....");
    EXPECT_EQ(form.p1()->Value(), 12);
    EXPECT_EQ(TextOf(form.Control(frmProgress::IdLabel1)), "12 % complete");

    form.ChangeProgress("Extracting track C:\\Music\\Track 3.wav", 3, 8);
    EXPECT_EQ(form.p1()->Value(), 38);
    EXPECT_EQ(TextOf(form.Control(frmProgress::IdLabel1)), "38 % complete");
}

TEST_F(ProgressWindow, BothBarsShowTheSameFraction) {
    const int inner = form.PicProgress1InnerWidth();
    ASSERT_GT(inner, 100);
    form.ChangeProgress("Extracting track D:\\out\\Track 1.mp3", 4, 8);
    EXPECT_NEAR(form.PicProgress2Width(), inner / 2, 1);
    EXPECT_EQ(form.p1()->Value(), 50);

    form.ChangeProgress("Extracting track D:\\out\\Track 1.mp3", 8, 8);
    EXPECT_EQ(form.PicProgress2Width(), inner);
    EXPECT_EQ(form.p1()->Value(), 100);
    EXPECT_EQ(TextOf(form.Control(frmProgress::IdLabel1)), "100 % complete");
}

TEST_F(ProgressWindow, TheCloseBoxIsDisabledWhenItLoads) {
    HMENU menu = ::GetSystemMenu(form.hWnd(), FALSE);
    ASSERT_NE(menu, nullptr);
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STATE;
    EXPECT_FALSE(::GetMenuItemInfoA(menu, SC_CLOSE, FALSE, &info)) << "the Close item still carries SC_CLOSE";
    info = MENUITEMINFOA{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STATE;
    ASSERT_TRUE(::GetMenuItemInfoA(menu, static_cast<UINT>(-10), FALSE, &info));
    EXPECT_EQ(info.fState & 3u, 3u);
}

TEST_F(ProgressWindow, TheFrameCannotCloseIt) {
    ::SendMessageA(form.hWnd(), WM_CLOSE, 0, 0);
    ::SendMessageA(form.hWnd(), WM_SYSCOMMAND, SC_CLOSE, 0);
    ::PostMessageA(form.hWnd(), WM_CLOSE, 0, 0);
    Pump();
    EXPECT_TRUE(form.IsOpen());
    EXPECT_FALSE(state.CancelRip());
}

TEST_F(ProgressWindow, CancelSetsTheFlagsAndLeavesTheWindowOpen) {
    state.SetJobState(RipJobState::State::Start);
    std::string mirrored;
    state.OnJobStateChanged = [&](RipJobState::State s) { mirrored = JobStateText(s); };
    HWND cancel = form.Control(frmProgress::IdCandyButton1);
    ASSERT_NE(cancel, nullptr);
    // A real click on the button: down and up inside it.
    ::SendMessageA(cancel, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    ::SendMessageA(cancel, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    Pump();
    EXPECT_EQ(JobStateText(state.JobState()), "STOP");
    EXPECT_EQ(mirrored, "STOP");
    EXPECT_TRUE(state.CancelRip());
    EXPECT_TRUE(form.IsOpen());
    // Pressing it again only sets the flags again.
    ::SendMessageA(cancel, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    ::SendMessageA(cancel, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    Pump();
    EXPECT_TRUE(form.IsOpen());
}

// A track running on the window thread, pumping after every block as the rip
// job does: a close request from the frame is refused, the Cancel click
// reaches the job between blocks, and the routine closes the window itself.
TEST_F(ProgressWindow, CancelReachesARunningTrackBetweenBlocks) {
    state.SetJobState(RipJobState::State::Start);
    state.SetCancelRip(false);
    HWND cancel = form.Control(frmProgress::IdCandyButton1);
    const float total = 260;
    int blocks = 0;
    for (float done = 26; done <= total && !state.CancelRip(); done += 26) {
        ++blocks;
        form.ChangeProgress("Extracting track Z:\\tmp\\Track 2.mp3", done, total);
        if (blocks == 2) ::PostMessageA(form.hWnd(), WM_SYSCOMMAND, SC_CLOSE, 0);
        if (blocks == 3) {
            ::PostMessageA(cancel, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
            ::PostMessageA(cancel, WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
        }
        Pump();
        ASSERT_TRUE(form.IsOpen()) << "closed at block " << blocks;
    }
    EXPECT_EQ(blocks, 3);
    EXPECT_EQ(form.p1()->Value(), 30);
    EXPECT_EQ(JobStateText(state.JobState()), "STOP");
    form.Close();
    EXPECT_FALSE(form.IsOpen());
    // The same object shows a fresh window for the next track.
    form.Show(owner);
    EXPECT_TRUE(form.IsOpen());
    EXPECT_EQ(TextOf(form.Control(frmProgress::IdLabel1)), "0 % complete");
}

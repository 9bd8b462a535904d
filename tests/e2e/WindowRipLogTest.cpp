// The main window's rip with the settings for the proof: the log and the CUE
// sheet beside the tracks, and secure reading, only when the settings ask;
// the window's controls are the same either way.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "Cadrel.h"
#include "VirtualDisc.h"
#include "modSettings.h"
#include "support/WindowTesting.h"

namespace fs = std::filesystem;

namespace {

using testing_support::MessageBoxRecorder;
using testing_support::Pump;

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> Names(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class WindowRipLog : public ::testing::Test {
protected:
    void SetUp() override {
        for (Kept& k : kept_)
            if (const std::string v = modSettings::GetSetting("CADREL", "Options", k.key, "\x01"); v != "\x01") k.value = v;
        char temp[MAX_PATH] = {};
        ::GetTempPathA(MAX_PATH, temp);
        out = fs::path(temp) / "cadrel-window-rip-log";
        fs::remove_all(out);
        fs::create_directories(out);
    }
    void TearDown() override {
        if (window.hWnd()) ::SendMessageA(window.hWnd(), WM_CLOSE, 0, 0);
        Pump();
        testdisc::Eject();
        fs::remove_all(out);
        HKEY key = nullptr;
        if (::RegOpenKeyExA(HKEY_CURRENT_USER, modSettings::SectionKey("CADREL", "Options").c_str(), 0, KEY_SET_VALUE,
                            &key) == ERROR_SUCCESS) {
            for (const Kept& k : kept_) ::RegDeleteValueA(key, k.key);
            ::RegCloseKey(key);
        }
        for (const Kept& k : kept_)
            if (k.value) modSettings::SaveSetting("CADREL", "Options", k.key, *k.value);
    }

    // Opens the window, checks row 1, points the output folder at `out` and presses "Rip CD".
    void RipTrack1() {
        ASSERT_TRUE(window.Create(SW_SHOWNORMAL));
        Pump();
        ListView_SetCheckState(window.Control(Cadrel::IdListView1), 0, TRUE);
        Pump();
        ::SetWindowTextA(window.Control(Cadrel::IdTxtOutPath), out.string().c_str());
        HWND rip = window.Control(Cadrel::IdCandyButton3);
        ::SendMessageA(rip, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
        ::SendMessageA(rip, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
        Pump();
    }

    MessageBoxRecorder boxes;
    Cadrel window;
    fs::path out;

private:
    struct Kept {
        const char* key;
        std::optional<std::string> value;
    };
    Kept kept_[2] = {{modSettings::RipLogKey, {}}, {modSettings::SecureRipKey, {}}};
};

}  // namespace

TEST_F(WindowRipLog, WithoutTheSettingOnlyTheTrackIsWritten) {
    testdisc::Insert({{120}, {90}});
    RipTrack1();
    EXPECT_EQ(Names(out), (std::vector<std::string>{"Track 1.mp3"}));
    EXPECT_TRUE(boxes.texts.empty());
}

TEST_F(WindowRipLog, TheSettingsWriteTheLogAndCueSheetOfASecureRip) {
    testdisc::Insert({{120}, {90}});
    std::ofstream(testdisc::DriveFolderWin() + "\\flaky.txt", std::ios::binary) << "40 1\n";
    ASSERT_TRUE(modSettings::SaveSetting("CADREL", "Options", "RipLog", "1"));
    ASSERT_TRUE(modSettings::SaveSetting("CADREL", "Options", "SecureRip", "1"));
    RipTrack1();
    EXPECT_EQ(Names(out), (std::vector<std::string>{"Disc.cue", "Rip log.txt", "Track 1.mp3"}));
    EXPECT_TRUE(boxes.texts.empty());
    const std::string log = ReadText(out / "Rip log.txt");
    EXPECT_NE(log.find("Read mode: secure\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("Output format: MP3 160 kbit/s Normal\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("Track 1\r\nFile: Track 1.mp3\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("Re-reads: 1\r\nSuspicious positions: none\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("Summary: 1 of 1 tracks OK, 0 suspicious\r\n"), std::string::npos) << log;
    EXPECT_NE(ReadText(out / "Disc.cue").find("FILE \"Track 1.mp3\" MP3\r\n"), std::string::npos);
}

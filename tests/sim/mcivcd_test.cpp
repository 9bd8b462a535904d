// The cdaudio device as the ripper uses it: text commands through
// mciSendStringA, answered by mcivcd.dll from the image in the virtual drive.
#include <gtest/gtest.h>

#include <windows.h>
#include <mmsystem.h>
#include <mmddk.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/VirtualDisc.h"

namespace {

struct Answer {
    MCIERROR error;
    std::string text;
};

// The ripper's reply buffer holds 30 characters.
Answer Send(const std::string& command) {
    char reply[30] = {};
    const MCIERROR error = mciSendStringA(command.c_str(), reply, sizeof reply, nullptr);
    return Answer{error, reply};
}

std::string Reply(const std::string& command) {
    const Answer a = Send(command);
    EXPECT_EQ(a.error, 0u) << command;
    return a.text;
}

std::string CdRoot() { return testdisc::DriveRoot(); }

MCIERROR OpenOn(const std::string& root, const std::string& alias = "cdr") {
    return Send("open " + root + " Type cdaudio alias " + alias + " wait shareable").error;
}

// A sheet of audio tracks laid end to end in one file.
std::string SheetFor(const std::vector<testdisc::TrackSpec>& tracks, const std::string& bin) {
    std::ostringstream cue;
    cue << "FILE \"" << bin << "\" BINARY\r\n";
    uint32_t at = 0;
    for (size_t i = 0; i < tracks.size(); ++i) {
        char number[8];
        snprintf(number, sizeof number, "%02u", static_cast<unsigned>(i + 1));
        cue << "  TRACK " << number << (tracks[i].data ? " MODE1/2352" : " AUDIO") << "\r\n"
            << "    INDEX 01 " << testdisc::CueTime(at) << "\r\n";
        at += tracks[i].frames;
    }
    return cue.str();
}

// Long discs without writing their audio: the sheet through the shared
// helper, then each file stretched to its size (the drive folder keeps it
// sparse). Only the driver's view of the layout matters here.
void InsertSized(const std::string& cue, const std::vector<std::pair<std::string, uint64_t>>& fileBytes) {
    std::vector<std::pair<std::string, std::string>> files;
    for (const auto& f : fileBytes) files.emplace_back(f.first, std::string());
    testdisc::InsertRaw(cue, files);
    for (const auto& f : fileBytes) {
        const std::string path = testdisc::DriveFolderWin() + "\\" + f.first;
        HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
        LARGE_INTEGER size;
        size.QuadPart = static_cast<LONGLONG>(f.second);
        const bool ok = SetFilePointerEx(h, size, nullptr, FILE_BEGIN) && SetEndOfFile(h);
        CloseHandle(h);
        ASSERT_TRUE(ok) << path;
    }
}

void InsertLong(const std::vector<testdisc::TrackSpec>& tracks) {
    uint64_t frames = 0;
    for (const auto& t : tracks) frames += t.frames;
    InsertSized(SheetFor(tracks, "long.bin"), {{"long.bin", frames * testdisc::kFrameBytes}});
}

class McivcdDevice : public testing::Test {
protected:
    void SetUp() override {
        mciSendStringA("close all", nullptr, 0, nullptr);
        testdisc::Eject();
    }
    void TearDown() override {
        mciSendStringA("close all", nullptr, 0, nullptr);
        testdisc::Eject();
    }
};

// ---- opening and closing ----

using McivcdOpen = McivcdDevice;

TEST_F(McivcdOpen, OpensAnEmptyCdromDrive) {
    ASSERT_EQ(OpenOn(CdRoot()), 0u);
    EXPECT_EQ(Send("set cdr time format tmsf wait").error, 0u);
    EXPECT_EQ(Reply("status cdr media present"), "false");
    EXPECT_EQ(Reply("status cdr number of tracks wait"), "0");
    EXPECT_EQ(Send("close cdr").error, 0u);
}

TEST_F(McivcdOpen, RefusesADriveThatIsNotACdrom) {
    EXPECT_NE(OpenOn("C:\\"), 0u);
    EXPECT_NE(Send("status cdr media present").error, 0u);
    EXPECT_NE(Send("set cdr time format tmsf wait").error, 0u);
    EXPECT_NE(Send("close cdr").error, 0u);
}

TEST_F(McivcdOpen, RefusesALetterWithNoDrive) {
    char root[] = "Q:\\";
    for (char letter = 'Z'; letter > 'D'; --letter) {
        root[0] = letter;
        if (GetDriveTypeA(root) == DRIVE_NO_ROOT_DIR) break;
    }
    ASSERT_EQ(GetDriveTypeA(root), static_cast<UINT>(DRIVE_NO_ROOT_DIR));
    EXPECT_NE(OpenOn(root), 0u);
}

TEST_F(McivcdOpen, RefusesAnElementThatIsNoDrive) {
    EXPECT_NE(Send("open D:\\test.cue Type cdaudio alias cdr wait shareable").error, 0u);
}

TEST_F(McivcdOpen, CommandsAfterCloseFail) {
    testdisc::Insert({{100}});
    ASSERT_EQ(OpenOn(CdRoot()), 0u);
    ASSERT_EQ(Send("close cdr").error, 0u);
    EXPECT_NE(Send("status cdr media present").error, 0u);
    EXPECT_NE(Send("status cdr number of tracks wait").error, 0u);
    EXPECT_NE(Send("set cdr door open").error, 0u);
    EXPECT_NE(Send("close cdr").error, 0u);
}

TEST_F(McivcdOpen, ReopensAfterClose) {
    testdisc::Insert({{100}, {200}});
    for (int round = 0; round < 3; ++round) {
        ASSERT_EQ(OpenOn(CdRoot()), 0u) << round;
        EXPECT_EQ(Send("set cdr time format tmsf wait").error, 0u);
        EXPECT_EQ(Reply("status cdr number of tracks wait"), "2");
        ASSERT_EQ(Send("close cdr").error, 0u);
    }
}

TEST_F(McivcdOpen, TwoAliasesShareTheDriveWithTheirOwnSettings) {
    testdisc::Insert({{60000}});
    ASSERT_EQ(OpenOn(CdRoot(), "cdr"), 0u);
    ASSERT_EQ(OpenOn(CdRoot(), "other"), 0u);
    EXPECT_EQ(Send("set cdr time format tmsf wait").error, 0u);
    EXPECT_EQ(Reply("status cdr time format"), "tmsf");
    EXPECT_EQ(Reply("status other time format"), "msf");
    EXPECT_EQ(Send("close other").error, 0u);
    EXPECT_EQ(Reply("status cdr media present"), "true");
}

TEST_F(McivcdOpen, WithoutAnElementTakesTheFirstCdromDrive) {
    testdisc::Insert({{100}, {100}});
    ASSERT_EQ(Send("open cdaudio alias cdr wait shareable").error, 0u);
    EXPECT_EQ(Reply("status cdr number of tracks wait"), "2");
}

TEST_F(McivcdOpen, NotifiesTheCallbackWindow) {
    HWND window = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    ASSERT_EQ(OpenOn(CdRoot()), 0u);
    char reply[30] = {};
    ASSERT_EQ(mciSendStringA("status cdr media present notify", reply, sizeof reply, window), 0u);
    EXPECT_STREQ(reply, "false");
    MSG msg{};
    ASSERT_TRUE(PeekMessageA(&msg, window, MM_MCINOTIFY, MM_MCINOTIFY, PM_REMOVE));
    EXPECT_EQ(msg.wParam, static_cast<WPARAM>(MCI_NOTIFY_SUCCESSFUL));
    EXPECT_EQ(static_cast<MCIDEVICEID>(msg.lParam), mciGetDeviceIDA("cdr"));
    DestroyWindow(window);
}

// ---- what is in the drive ----

using McivcdMedia = McivcdDevice;

TEST_F(McivcdMedia, FollowsTheDriveFolderWhileOpen) {
    ASSERT_EQ(OpenOn(CdRoot()), 0u);
    EXPECT_EQ(Reply("status cdr media present"), "false");
    testdisc::Insert({{100}, {100}, {100}});
    EXPECT_EQ(Reply("status cdr media present"), "true");
    EXPECT_EQ(Reply("status cdr number of tracks wait"), "3");
    testdisc::Eject();
    EXPECT_EQ(Reply("status cdr media present"), "false");
    EXPECT_EQ(Reply("status cdr number of tracks wait"), "0");
    testdisc::Insert({{100}});
    EXPECT_EQ(Reply("status cdr number of tracks wait"), "1");
}

TEST_F(McivcdMedia, LengthsWithoutADiscAreErrors) {
    ASSERT_EQ(OpenOn(CdRoot()), 0u);
    EXPECT_NE(Send("status cdr length wait").error, 0u);
    EXPECT_NE(Send("status cdr length track 1").error, 0u);
    EXPECT_EQ(Reply("status cdr mode"), "not ready");
}

struct BadImage {
    const char* why;
    std::string cue;
    std::vector<std::pair<std::string, std::string>> files;
};

class McivcdMalformed : public McivcdDevice, public testing::WithParamInterface<BadImage> {};

TEST_P(McivcdMalformed, CountsAsNoDisc) {
    testdisc::InsertRaw(GetParam().cue, GetParam().files);
    ASSERT_EQ(OpenOn(CdRoot()), 0u);
    EXPECT_EQ(Reply("status cdr media present"), "false") << GetParam().why;
    EXPECT_EQ(Reply("status cdr number of tracks wait"), "0") << GetParam().why;
    EXPECT_NE(Send("status cdr length wait").error, 0u) << GetParam().why;
}

const std::string kOneTrack = "FILE \"test.bin\" BINARY\r\nTRACK 01 AUDIO\r\nINDEX 01 00:00:00\r\n";
const std::string kFrames10(10 * testdisc::kFrameBytes, '\x11');

INSTANTIATE_TEST_SUITE_P(
    Images, McivcdMalformed,
    testing::Values(
        BadImage{"empty sheet", "", {{"test.bin", kFrames10}}},
        BadImage{"binary junk as sheet", std::string("\x00\x01\xff garbage\n\x7f", 13), {}},
        BadImage{"named file missing", kOneTrack, {}},
        BadImage{"file of half a frame", kOneTrack, {{"test.bin", std::string(1176, '\x11')}}},
        BadImage{"file of no frames", kOneTrack, {{"test.bin", ""}}},
        BadImage{"track beyond the file",
                 kOneTrack + "TRACK 02 AUDIO\r\nINDEX 01 00:01:00\r\n", {{"test.bin", kFrames10}}},
        BadImage{"name leaves the folder", "FILE \"C:\\windows\\win.ini\" BINARY\r\nTRACK 01 AUDIO\r\nINDEX 01 00:00:00\r\n",
                 {}}));

TEST_F(McivcdMedia, ABinWithoutASheetIsNoDisc) {
    testdisc::Insert({{100}});
    const std::string cue = testdisc::DriveFolderWin() + "\\test.cue";
    ASSERT_TRUE(DeleteFileA(cue.c_str()));
    ASSERT_EQ(OpenOn(CdRoot()), 0u);
    EXPECT_EQ(Reply("status cdr media present"), "false");
}

// ---- tracks and lengths ----

using McivcdLengths = McivcdDevice;

TEST_F(McivcdLengths, ThreeLongTracks) {
    InsertLong({{60000}, {60000}, {60000}});
    ASSERT_EQ(OpenOn(CdRoot()), 0u);
    ASSERT_EQ(Send("set cdr time format tmsf wait").error, 0u);
    EXPECT_EQ(Reply("status cdr media present"), "true");
    EXPECT_EQ(Reply("status cdr number of tracks wait"), "3");
    EXPECT_EQ(Reply("status cdr length wait"), "40:00:00");
    for (int track = 1; track <= 3; ++track)
        EXPECT_EQ(Reply("status cdr length track " + std::to_string(track)), "13:20:00") << track;
}

TEST_F(McivcdLengths, UnevenTracksInMsfAndTmsf) {
    // 04:10:50, 03:00:40 and 05:00:00: 54840 frames, 12:11:15 in all.
    InsertLong({{18800}, {13540}, {22500}});
    ASSERT_EQ(OpenOn(CdRoot()), 0u);
    for (const char* format : {"msf", "tmsf"}) {
        ASSERT_EQ(Send(std::string("set cdr time format ") + format + " wait").error, 0u);
        EXPECT_EQ(Reply("status cdr length wait"), "12:11:15") << format;
        EXPECT_EQ(Reply("status cdr length track 1"), "04:10:50") << format;
        EXPECT_EQ(Reply("status cdr length track 2"), "03:00:40") << format;
        EXPECT_EQ(Reply("status cdr length track 3"), "05:00:00") << format;
    }
}

TEST_F(McivcdLengths, ShortTracksAndADataTrack) {
    testdisc::Insert({{1}, {74}, {75, true}});
    ASSERT_EQ(OpenOn(CdRoot()), 0u);
    ASSERT_EQ(Send("set cdr time format tmsf wait").error, 0u);
    EXPECT_EQ(Reply("status cdr number of tracks wait"), "3");
    EXPECT_EQ(Reply("status cdr length track 1"), "00:00:01");
    EXPECT_EQ(Reply("status cdr length track 2"), "00:00:74");
    EXPECT_EQ(Reply("status cdr length track 3"), "00:01:00");
    EXPECT_EQ(Reply("status cdr length wait"), "00:02:00");
    EXPECT_EQ(Reply("status cdr type track 1"), "audio");
    EXPECT_EQ(Reply("status cdr type track 3"), "other");
}

TEST_F(McivcdLengths, TracksSpreadOverFilesWithPregaps) {
    const std::string cue =
        "FILE \"a.bin\" BINARY\r\n  TRACK 01 AUDIO\r\n    INDEX 01 00:00:00\r\n"
        "FILE \"b.bin\" MOTOROLA\r\n  TRACK 02 AUDIO\r\n    INDEX 00 00:00:00\r\n    INDEX 01 00:02:00\r\n"
        "  TRACK 03 AUDIO\r\n    INDEX 01 01:00:00\r\n";
    InsertSized(cue, {{"a.bin", 7500ull * testdisc::kFrameBytes}, {"b.bin", 9000ull * testdisc::kFrameBytes}});
    ASSERT_EQ(OpenOn(CdRoot()), 0u);
    ASSERT_EQ(Send("set cdr time format tmsf wait").error, 0u);
    EXPECT_EQ(Reply("status cdr length track 1"), "01:42:00");  // 7500 + 150 frames of pregap
    EXPECT_EQ(Reply("status cdr length track 2"), "00:58:00");
    EXPECT_EQ(Reply("status cdr length track 3"), "01:00:00");
    EXPECT_EQ(Reply("status cdr length wait"), "03:40:00");
}

TEST_F(McivcdLengths, TwelveTracksCountInTwoDigits) {
    std::vector<testdisc::TrackSpec> tracks(12, testdisc::TrackSpec{10});
    testdisc::Insert(tracks);
    ASSERT_EQ(OpenOn(CdRoot()), 0u);
    EXPECT_EQ(Reply("status cdr number of tracks wait"), "12");
}

TEST_F(McivcdLengths, TracksOutsideTheDiscAreErrors) {
    testdisc::Insert({{100}, {100}});
    ASSERT_EQ(OpenOn(CdRoot()), 0u);
    ASSERT_EQ(Send("set cdr time format tmsf wait").error, 0u);
    EXPECT_NE(Send("status cdr length track 0").error, 0u);
    EXPECT_NE(Send("status cdr length track 3").error, 0u);
    EXPECT_NE(Send("status cdr length track 99").error, 0u);
    EXPECT_EQ(Reply("status cdr length track 2"), "00:01:25");
}

TEST_F(McivcdLengths, SecondSheetInTheFolderIsIgnored) {
    testdisc::Insert({{100}, {100}}, "a");
    std::ofstream(testdisc::DriveFolderWin() + "\\b.cue") << "garbage";
    ASSERT_EQ(OpenOn(CdRoot()), 0u);
    EXPECT_EQ(Reply("status cdr number of tracks wait"), "2");
}

// ---- time formats and positions ----

using McivcdTime = McivcdDevice;

TEST_F(McivcdTime, FormatIsKeptUntilChanged) {
    testdisc::Insert({{150}, {150}});
    ASSERT_EQ(OpenOn(CdRoot()), 0u);
    EXPECT_EQ(Reply("status cdr time format"), "msf");
    ASSERT_EQ(Send("set cdr time format tmsf wait").error, 0u);
    EXPECT_EQ(Reply("status cdr time format"), "tmsf");
    EXPECT_NE(Send("set cdr time format frames").error, 0u);
    EXPECT_EQ(Reply("status cdr time format"), "tmsf");
    ASSERT_EQ(Send("set cdr time format milliseconds").error, 0u);
    EXPECT_EQ(Reply("status cdr length track 1"), "2000");
}

TEST_F(McivcdTime, FormatStartsOverOnReopen) {
    testdisc::Insert({{150}});
    ASSERT_EQ(OpenOn(CdRoot()), 0u);
    ASSERT_EQ(Send("set cdr time format tmsf wait").error, 0u);
    ASSERT_EQ(Send("close cdr").error, 0u);
    ASSERT_EQ(OpenOn(CdRoot()), 0u);
    EXPECT_EQ(Reply("status cdr time format"), "msf");
}

TEST_F(McivcdTime, PositionsInTmsfAndMsf) {
    testdisc::Insert({{150}, {300}});
    ASSERT_EQ(OpenOn(CdRoot()), 0u);
    ASSERT_EQ(Send("set cdr time format tmsf wait").error, 0u);
    EXPECT_EQ(Reply("status cdr position"), "01:00:00:00");
    EXPECT_EQ(Reply("status cdr position track 2"), "02:00:00:00");
    EXPECT_EQ(Reply("status cdr current track"), "1");
    ASSERT_EQ(Send("set cdr time format msf").error, 0u);
    EXPECT_EQ(Reply("status cdr position track 1"), "00:02:00");
    EXPECT_EQ(Reply("status cdr position track 2"), "00:04:00");
}

// ---- the door and the rest ----

using McivcdDoor = McivcdDevice;

TEST_F(McivcdDoor, OpensWithOrWithoutADiscAndIsLogged) {
    char temp[MAX_PATH];
    ASSERT_GT(GetTempPathA(MAX_PATH, temp), 0u);
    const std::string log = std::string(temp) + "mcivcd_door_test.log";
    DeleteFileA(log.c_str());
    ASSERT_TRUE(SetEnvironmentVariableA("MCIVCD_LOG", log.c_str()));

    ASSERT_EQ(OpenOn(CdRoot()), 0u);
    EXPECT_EQ(Send("set cdr door open").error, 0u);
    EXPECT_EQ(Reply("status cdr mode"), "open");
    testdisc::Insert({{100}});
    EXPECT_EQ(Send("set cdr door closed wait").error, 0u);
    EXPECT_EQ(Reply("status cdr mode"), "stopped");
    EXPECT_EQ(Send("set cdr door open").error, 0u);
    EXPECT_EQ(Reply("status cdr media present"), "true");  // the image stays in the folder
    EXPECT_EQ(Send("close cdr").error, 0u);

    SetEnvironmentVariableA("MCIVCD_LOG", nullptr);
    std::ifstream in(log);
    std::stringstream text;
    text << in.rdbuf();
    const std::string lines = text.str();
    EXPECT_NE(lines.find("open D: -> 0"), std::string::npos) << lines;
    EXPECT_NE(lines.find("set door open -> 0"), std::string::npos) << lines;
    EXPECT_NE(lines.find("set door closed -> 0"), std::string::npos) << lines;
    EXPECT_NE(lines.find("close -> 0"), std::string::npos) << lines;
    DeleteFileA(log.c_str());
}

TEST_F(McivcdDoor, CapabilitiesAndInfo) {
    testdisc::Insert({{100}});
    ASSERT_EQ(OpenOn(CdRoot()), 0u);
    EXPECT_EQ(Reply("capability cdr device type"), "cdaudio");
    EXPECT_EQ(Reply("capability cdr can eject"), "true");
    EXPECT_EQ(Reply("capability cdr can record"), "false");
    EXPECT_EQ(Reply("info cdr product"), "Virtual CD Audio");
    const std::string id = Reply("info cdr identity");
    EXPECT_EQ(id.size(), 8u) << id;
    EXPECT_EQ(Reply("info cdr identity"), id);
}

TEST_F(McivcdDoor, CommandsItDoesNotServeFailCleanly) {
    testdisc::Insert({{100}});
    ASSERT_EQ(OpenOn(CdRoot()), 0u);
    EXPECT_NE(Send("play cdr").error, 0u);
    EXPECT_NE(Send("seek cdr to start").error, 0u);
    EXPECT_NE(Send("info cdr upc").error, 0u);
    EXPECT_EQ(Send("stop cdr").error, 0u);
    EXPECT_EQ(Reply("status cdr media present"), "true");
}

TEST_F(McivcdDoor, ShortReplyBufferIsNotOverrun) {
    testdisc::Insert({{100}});
    ASSERT_EQ(OpenOn(CdRoot()), 0u);
    char reply[8];
    memset(reply, 'x', sizeof reply);
    EXPECT_NE(mciSendStringA("info cdr product", reply, 4, nullptr), 0u);
    EXPECT_EQ(reply[4], 'x');
    EXPECT_EQ(mciSendStringA("status cdr media present", nullptr, 0, nullptr), 0u);
}

// ---- the entry point called directly, as no well-behaved winmm would ----

using DriverProcFn = LRESULT(WINAPI*)(DWORD_PTR, HDRVR, UINT, LPARAM, LPARAM);

class McivcdEntryPoint : public testing::Test {
protected:
    void SetUp() override {
        module_ = LoadLibraryA("mcivcd.dll");
        ASSERT_NE(module_, nullptr);
        proc_ = reinterpret_cast<DriverProcFn>(reinterpret_cast<void (*)()>(GetProcAddress(module_, "DriverProc")));
        ASSERT_NE(proc_, nullptr);
    }
    void TearDown() override {
        if (module_) FreeLibrary(module_);
    }
    HMODULE module_ = nullptr;
    DriverProcFn proc_ = nullptr;
};

TEST_F(McivcdEntryPoint, UnknownDevicesAndMissingBlocksAreRefused) {
    MCI_STATUS_PARMS status{};
    status.dwItem = MCI_STATUS_MEDIA_PRESENT;
    EXPECT_EQ(proc_(0xBAD, nullptr, MCI_STATUS, MCI_STATUS_ITEM, reinterpret_cast<LPARAM>(&status)),
              static_cast<LRESULT>(MCIERR_INVALID_DEVICE_ID));
    EXPECT_EQ(proc_(0, nullptr, MCI_STATUS, MCI_STATUS_ITEM, 0), static_cast<LRESULT>(MCIERR_INVALID_DEVICE_ID));

    MCI_OPEN_DRIVER_PARMS open{};
    open.wDeviceID = 77;
    const LRESULT key = proc_(0, nullptr, DRV_OPEN, 0, reinterpret_cast<LPARAM>(&open));
    ASSERT_NE(key, 0);
    EXPECT_EQ(open.wType, static_cast<UINT>(MCI_DEVTYPE_CD_AUDIO));
    // Not opened on a drive yet.
    EXPECT_NE(proc_(key, nullptr, MCI_STATUS, MCI_STATUS_ITEM, reinterpret_cast<LPARAM>(&status)), 0);

    MCI_OPEN_PARMSW element{};
    // An element id is no text to read: the first CD-ROM drive is taken.
    element.lpstrElementName = reinterpret_cast<LPCWSTR>(static_cast<DWORD_PTR>(0x1234));
    EXPECT_EQ(proc_(key, nullptr, MCI_OPEN_DRIVER, MCI_OPEN_ELEMENT | MCI_OPEN_ELEMENT_ID,
                    reinterpret_cast<LPARAM>(&element)),
              0);
    const std::wstring root(CdRoot().begin(), CdRoot().end());
    element.lpstrElementName = root.c_str();
    ASSERT_EQ(proc_(key, nullptr, MCI_OPEN_DRIVER, MCI_OPEN_ELEMENT, reinterpret_cast<LPARAM>(&element)), 0);
    EXPECT_EQ(proc_(key, nullptr, MCI_STATUS, MCI_STATUS_ITEM, 0), static_cast<LRESULT>(MCIERR_NULL_PARAMETER_BLOCK));
    EXPECT_EQ(proc_(key, nullptr, MCI_SET, MCI_SET_DOOR_OPEN, 0), static_cast<LRESULT>(MCIERR_NULL_PARAMETER_BLOCK));

    MCI_INFO_PARMSW info{};
    EXPECT_EQ(proc_(key, nullptr, MCI_INFO, MCI_INFO_PRODUCT, reinterpret_cast<LPARAM>(&info)),
              static_cast<LRESULT>(MCIERR_PARAM_OVERFLOW));

    EXPECT_EQ(proc_(key, nullptr, MCI_CLOSE_DRIVER, 0, 0), 0);
    EXPECT_EQ(proc_(key, nullptr, DRV_CLOSE, 0, 0), 1);
    EXPECT_EQ(proc_(key, nullptr, MCI_STATUS, MCI_STATUS_ITEM, reinterpret_cast<LPARAM>(&status)),
              static_cast<LRESULT>(MCIERR_INVALID_DEVICE_ID));
    EXPECT_EQ(proc_(key, nullptr, DRV_CLOSE, 0, 0), 1);  // closing twice is harmless
}

}  // namespace

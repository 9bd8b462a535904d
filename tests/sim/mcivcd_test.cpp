// The cdaudio device as the ripper uses it: text commands through
// mciSendStringA, answered by mcivcd.dll from the image in the virtual drive.
#include <gtest/gtest.h>

#include <windows.h>
#include <mmsystem.h>

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

TEST_F(McivcdOpen, SecondOpenOfTheSameAliasIsRefusedButTheFirstKeepsWorking) {
    testdisc::Insert({{100}});
    ASSERT_EQ(OpenOn(CdRoot()), 0u);
    EXPECT_NE(OpenOn(CdRoot()), 0u);
    EXPECT_EQ(Reply("status cdr media present"), "true");
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
        BadImage{"numbering skips",
                 kOneTrack + "TRACK 03 AUDIO\r\nINDEX 01 00:00:05\r\n", {{"test.bin", kFrames10}}},
        BadImage{"bad time", "FILE \"test.bin\" BINARY\r\nTRACK 01 AUDIO\r\nINDEX 01 00:61:00\r\n",
                 {{"test.bin", kFrames10}}},
        BadImage{"cooked data track", "FILE \"test.bin\" BINARY\r\nTRACK 01 MODE1/2048\r\nINDEX 01 00:00:00\r\n",
                 {{"test.bin", kFrames10}}},
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

}  // namespace

// The cdaudio driver's logic: reading cue sheets, laying tracks out on the
// disc, and the values its status, set and capability commands return.
#include <gtest/gtest.h>

#include "CueSheet.h"
#include "DeviceReplies.h"

#include <string>
#include <vector>

using namespace mcivcd;

namespace {

constexpr uint64_t Bytes(uint64_t frames) { return frames * kFrameBytes; }

std::string Msf(DWORD packed) {
    char text[16];
    snprintf(text, sizeof text, "%02u:%02u:%02u", MCI_MSF_MINUTE(packed), MCI_MSF_SECOND(packed),
             MCI_MSF_FRAME(packed));
    return text;
}

std::string Tmsf(DWORD packed) {
    char text[20];
    snprintf(text, sizeof text, "%02u:%02u:%02u:%02u", MCI_TMSF_TRACK(packed), MCI_TMSF_MINUTE(packed),
             MCI_TMSF_SECOND(packed), MCI_TMSF_FRAME(packed));
    return text;
}

Disc ThreeTracks() {  // 0, 60000, 120000, lead-out 180000
    const auto sheet = ParseCueSheet(
        "FILE \"d.bin\" BINARY\n"
        "  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
        "  TRACK 02 AUDIO\n    INDEX 01 13:20:00\n"
        "  TRACK 03 MODE1/2352\n    INDEX 01 26:40:00\n");
    const uint64_t sizes[] = {Bytes(180000)};
    return LayOutDisc(*sheet, sizes).value();
}

}  // namespace

// ---- reading a sheet ----

TEST(CueSheetReading, ReadsFilesTracksAndIndexes) {
    const auto sheet = ParseCueSheet(
        "REM GENRE Test\r\n"
        "PERFORMER \"Someone\"\r\n"
        "FILE \"one.bin\" BINARY\r\n"
        "  TRACK 01 AUDIO\r\n"
        "    TITLE \"First\"\r\n"
        "    INDEX 01 00:00:00\r\n"
        "  TRACK 02 MODE1/2352\r\n"
        "    INDEX 00 01:00:00\r\n"
        "    INDEX 01 01:02:00\r\n"
        "FILE \"two.bin\" MOTOROLA\r\n"
        "  TRACK 03 AUDIO\r\n"
        "    FLAGS DCP\r\n"
        "    INDEX 01 00:00:10\r\n");
    ASSERT_TRUE(sheet);
    ASSERT_EQ(sheet->files.size(), 2u);
    EXPECT_EQ(sheet->files[0].name, "one.bin");
    EXPECT_FALSE(sheet->files[0].bigEndian);
    EXPECT_TRUE(sheet->files[1].bigEndian);
    ASSERT_EQ(sheet->files[0].tracks.size(), 2u);
    EXPECT_FALSE(sheet->files[0].tracks[0].data);
    EXPECT_TRUE(sheet->files[0].tracks[1].data);
    EXPECT_EQ(sheet->files[0].tracks[1].index00, 4500u);
    EXPECT_EQ(sheet->files[0].tracks[1].index01, 4650u);
    EXPECT_EQ(sheet->files[1].tracks[0].number, 3);
    EXPECT_EQ(sheet->files[1].tracks[0].index01, 10u);
}

TEST(CueSheetReading, KeywordsInAnyCaseWithBomAndBareLineFeeds) {
    const auto sheet = ParseCueSheet("\xEF\xBB\xBF" "file \"a.bin\" binary\n\ttrack 01 audio\n\tindex 01 00:00:00\n");
    ASSERT_TRUE(sheet);
    EXPECT_EQ(sheet->files.at(0).name, "a.bin");
    EXPECT_EQ(sheet->files[0].tracks.size(), 1u);
}

TEST(CueSheetReading, UnquotedNameMayHoldBlanks) {
    const auto sheet = ParseCueSheet("FILE my disc.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n");
    ASSERT_TRUE(sheet);
    EXPECT_EQ(sheet->files.at(0).name, "my disc.bin");
}

TEST(CueSheetReading, QuotedNameKeepsBlanksAndCase) {
    const auto sheet = ParseCueSheet("FILE \"My  Disc.BIN\" BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00");
    ASSERT_TRUE(sheet);  // no line end after the last line
    EXPECT_EQ(sheet->files.at(0).name, "My  Disc.BIN");
}

struct BadSheet {
    const char* why;
    const char* text;
};

class CueSheetRejects : public testing::TestWithParam<BadSheet> {};

TEST_P(CueSheetRejects, AsNoDisc) { EXPECT_FALSE(ParseCueSheet(GetParam().text)) << GetParam().why; }

INSTANTIATE_TEST_SUITE_P(
    Malformed, CueSheetRejects,
    testing::Values(
        BadSheet{"empty", ""},
        BadSheet{"only comments", "REM nothing here\n"},
        BadSheet{"binary junk", "\x01\x02\xff\xfe garbage \x00 more"},
        BadSheet{"track before file", "TRACK 01 AUDIO\nINDEX 01 00:00:00\n"},
        BadSheet{"index before track", "FILE \"a.bin\" BINARY\nINDEX 01 00:00:00\nTRACK 01 AUDIO\n"},
        BadSheet{"file without tracks", "FILE \"a.bin\" BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nFILE \"b.bin\" BINARY\n"},
        BadSheet{"numbering starts at 2", "FILE \"a.bin\" BINARY\nTRACK 02 AUDIO\nINDEX 01 00:00:00\n"},
        BadSheet{"numbering skips", "FILE \"a.bin\" BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nTRACK 03 AUDIO\nINDEX 01 00:10:00\n"},
        BadSheet{"track 100", "FILE \"a.bin\" BINARY\nTRACK 100 AUDIO\nINDEX 01 00:00:00\n"},
        BadSheet{"no INDEX 01", "FILE \"a.bin\" BINARY\nTRACK 01 AUDIO\nINDEX 00 00:00:00\n"},
        BadSheet{"two INDEX 01", "FILE \"a.bin\" BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nINDEX 01 00:01:00\n"},
        BadSheet{"INDEX 00 after 01", "FILE \"a.bin\" BINARY\nTRACK 01 AUDIO\nINDEX 01 00:01:00\nINDEX 00 00:00:00\n"},
        BadSheet{"INDEX 00 beyond 01", "FILE \"a.bin\" BINARY\nTRACK 01 AUDIO\nINDEX 00 00:03:00\nINDEX 01 00:01:00\n"},
        BadSheet{"seconds 60", "FILE \"a.bin\" BINARY\nTRACK 01 AUDIO\nINDEX 01 00:60:00\n"},
        BadSheet{"frames 75", "FILE \"a.bin\" BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:75\n"},
        BadSheet{"two fields", "FILE \"a.bin\" BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00\n"},
        BadSheet{"letters in a time", "FILE \"a.bin\" BINARY\nTRACK 01 AUDIO\nINDEX 01 0a:00:00\n"},
        BadSheet{"negative time", "FILE \"a.bin\" BINARY\nTRACK 01 AUDIO\nINDEX 01 -1:00:00\n"},
        BadSheet{"cooked data track", "FILE \"a.bin\" BINARY\nTRACK 01 MODE1/2048\nINDEX 01 00:00:00\n"},
        BadSheet{"wave file", "FILE \"a.wav\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n"},
        BadSheet{"file type missing", "FILE \"a.bin\"\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n"},
        BadSheet{"unterminated quote", "FILE \"a.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n"},
        BadSheet{"empty name", "FILE \"\" BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n"}));

TEST(CueTime, CountsSeventyFiveFramesASecond) {
    EXPECT_EQ(ParseCueTime("00:00:00"), 0u);
    EXPECT_EQ(ParseCueTime("00:00:74"), 74u);
    EXPECT_EQ(ParseCueTime("00:01:00"), 75u);
    EXPECT_EQ(ParseCueTime("13:20:00"), 60000u);
    EXPECT_EQ(ParseCueTime("04:10:50"), 18800u);
    EXPECT_FALSE(ParseCueTime(""));
    EXPECT_FALSE(ParseCueTime("::"));
    EXPECT_FALSE(ParseCueTime("00:00:00:00"));
}

// ---- laying tracks out ----

TEST(DiscLayout, TracksOfOneFileStartAtTheirIndexes) {
    const Disc disc = ThreeTracks();
    ASSERT_EQ(disc.tracks.size(), 3u);
    EXPECT_EQ(disc.tracks[0].start, 0u);
    EXPECT_EQ(disc.tracks[1].start, 60000u);
    EXPECT_EQ(disc.tracks[2].start, 120000u);
    EXPECT_TRUE(disc.tracks[2].data);
    EXPECT_EQ(disc.leadout, 180000u);
    EXPECT_EQ(disc.TrackLength(2), 60000u);
    EXPECT_EQ(disc.Length(), 180000u);
}

TEST(DiscLayout, FilesLieEndToEndAndPregapsBelongToThePreviousTrack) {
    const auto sheet = ParseCueSheet(
        "FILE \"1.bin\" BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n"
        "FILE \"2.bin\" BINARY\nTRACK 02 AUDIO\nINDEX 00 00:00:00\nINDEX 01 00:02:00\n"
        "TRACK 03 AUDIO\nINDEX 01 00:10:00\n");
    ASSERT_TRUE(sheet);
    const uint64_t sizes[] = {Bytes(1000), Bytes(2000)};
    const auto disc = LayOutDisc(*sheet, sizes);
    ASSERT_TRUE(disc);
    EXPECT_EQ(disc->tracks[1].start, 1150u);
    EXPECT_EQ(disc->tracks[2].start, 1750u);
    EXPECT_EQ(disc->TrackLength(0), 1150u);  // its own 1000 frames and the next track's pregap
    EXPECT_EQ(disc->TrackLength(1), 600u);
    EXPECT_EQ(disc->TrackLength(2), 1250u);
    EXPECT_EQ(disc->leadout, 3000u);
}

TEST(DiscLayout, FirstTrackStartIsLbaZeroEvenAfterAPregap) {
    const auto sheet = ParseCueSheet("FILE \"a.bin\" BINARY\nTRACK 01 AUDIO\nINDEX 00 00:00:00\nINDEX 01 00:02:00\n");
    const uint64_t sizes[] = {Bytes(1150)};
    const auto disc = LayOutDisc(*sheet, sizes);
    ASSERT_TRUE(disc);
    EXPECT_EQ(disc->tracks[0].start, 0u);
    EXPECT_EQ(disc->Length(), 1000u);
}

TEST(DiscLayout, RefusesSizesThatDoNotFitTheSheet) {
    const auto one = ParseCueSheet("FILE \"a.bin\" BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nTRACK 02 AUDIO\nINDEX 01 00:01:00\n");
    ASSERT_TRUE(one);
    const uint64_t partialFrame[] = {Bytes(200) + 1};
    const uint64_t emptyFile[] = {0};
    const uint64_t endsAtTrack2[] = {Bytes(75)};
    const uint64_t justFits[] = {Bytes(76)};
    const uint64_t twoSizes[] = {Bytes(200), Bytes(200)};
    EXPECT_FALSE(LayOutDisc(*one, partialFrame));
    EXPECT_FALSE(LayOutDisc(*one, emptyFile));
    EXPECT_FALSE(LayOutDisc(*one, endsAtTrack2));
    EXPECT_FALSE(LayOutDisc(*one, twoSizes));
    EXPECT_FALSE(LayOutDisc(*one, std::span<const uint64_t>{}));
    const auto disc = LayOutDisc(*one, justFits);
    ASSERT_TRUE(disc);
    EXPECT_EQ(disc->TrackLength(1), 1u);
}

TEST(DiscLayout, RefusesTracksThatDoNotMoveForward) {
    const auto same = ParseCueSheet("FILE \"a.bin\" BINARY\nTRACK 01 AUDIO\nINDEX 01 00:01:00\nTRACK 02 AUDIO\nINDEX 01 00:01:00\n");
    const auto back = ParseCueSheet("FILE \"a.bin\" BINARY\nTRACK 01 AUDIO\nINDEX 01 00:01:00\nTRACK 02 AUDIO\nINDEX 01 00:00:10\n");
    const uint64_t sizes[] = {Bytes(1000)};
    EXPECT_FALSE(LayOutDisc(*same, sizes));
    EXPECT_FALSE(LayOutDisc(*back, sizes));
}

TEST(DiscLayout, RefusesImagesTooLongToAddress) {
    const auto sheet = ParseCueSheet("FILE \"a.bin\" BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n");
    const uint64_t sizes[] = {Bytes(0x90000000ull)};
    EXPECT_FALSE(LayOutDisc(*sheet, sizes));
}

// ---- replies ----

TEST(DeviceLengths, MinutesBeyondAByteShowAs255) {
    EXPECT_EQ(Msf(PackMsf(75 * 60 * 300)), "255:00:00");
    EXPECT_EQ(Msf(PackMsf(75 * 60 * 255 + 74)), "255:00:74");
}

TEST(DeviceLengths, AreANumberInMilliseconds) {
    const Reply r = LengthReply(60000, MCI_FORMAT_MILLISECONDS);
    EXPECT_EQ(r.returnKind, 0u);
    EXPECT_EQ(r.value, 800000u);
    EXPECT_EQ(LengthReply(1, MCI_FORMAT_MILLISECONDS).value, 13u);
}

TEST(DevicePositions, InsideATrackInTmsf) {
    const Disc disc = ThreeTracks();
    const Reply t = PositionReply(disc, 60075, MCI_FORMAT_TMSF);
    EXPECT_EQ(t.returnKind, static_cast<DWORD>(MCI_COLONIZED4_RETURN));
    EXPECT_EQ(Tmsf(static_cast<DWORD>(t.value)), "02:00:01:00");
    EXPECT_EQ(Tmsf(static_cast<DWORD>(PositionReply(disc, 119999, MCI_FORMAT_TMSF).value)), "02:13:19:74");
    EXPECT_EQ(PositionReply(disc, 0, MCI_FORMAT_MILLISECONDS).value, 2000u);
}

TEST(DeviceStatus, TrackNumbersOutsideTheDiscAreOutOfRange) {
    const std::optional<Disc> disc = ThreeTracks();
    for (DWORD track : {0u, 4u, 99u, 0xFFFFFFFFu}) {
        EXPECT_EQ(StatusReply(disc, {}, MCI_STATUS_ITEM | MCI_TRACK, MCI_STATUS_LENGTH, track).error,
                  static_cast<DWORD>(MCIERR_OUTOFRANGE))
            << track;
    }
}

TEST(DeviceStatus, NeedsAnItemAndKnowsOnlyItsOwn) {
    const std::optional<Disc> disc = ThreeTracks();
    EXPECT_EQ(StatusReply(disc, {}, 0, MCI_STATUS_LENGTH, 0).error, static_cast<DWORD>(MCIERR_MISSING_PARAMETER));
    EXPECT_EQ(StatusReply(disc, {}, MCI_STATUS_ITEM, 0x7777, 0).error,
              static_cast<DWORD>(MCIERR_UNSUPPORTED_FUNCTION));
}

TEST(DeviceSettingsChange, RefusesWholeCommandsItCannotHonour) {
    DeviceSettings s;
    EXPECT_EQ(ApplySet(s, MCI_SET_DOOR_OPEN | MCI_SET_DOOR_CLOSED, 0), static_cast<DWORD>(MCIERR_FLAGS_NOT_COMPATIBLE));
    EXPECT_EQ(ApplySet(s, MCI_WAIT, 0), static_cast<DWORD>(MCIERR_MISSING_PARAMETER));
    EXPECT_EQ(ApplySet(s, MCI_SET_AUDIO | MCI_SET_OFF | MCI_SET_TIME_FORMAT, MCI_FORMAT_TMSF),
              static_cast<DWORD>(MCIERR_UNSUPPORTED_FUNCTION));
    EXPECT_EQ(ApplySet(s, MCI_SET_TIME_FORMAT | MCI_SET_DOOR_OPEN, MCI_FORMAT_BYTES),
              static_cast<DWORD>(MCIERR_BAD_TIME_FORMAT));
    EXPECT_EQ(s.timeFormat, static_cast<DWORD>(MCI_FORMAT_MSF));
    EXPECT_FALSE(s.doorOpen);
}

TEST(OpenElement, NamesADriveLetterOnly) {
    EXPECT_EQ(DriveOfElement(L"D:\\"), L'D');
    EXPECT_EQ(DriveOfElement(L"d:"), L'D');
    EXPECT_EQ(DriveOfElement(L"e:/"), L'E');
    EXPECT_FALSE(DriveOfElement(L""));
    EXPECT_FALSE(DriveOfElement(L"D"));
    EXPECT_FALSE(DriveOfElement(L"1:\\"));
    EXPECT_FALSE(DriveOfElement(L"D:\\test.cue"));
    EXPECT_FALSE(DriveOfElement(L"\\\\server\\share"));
    EXPECT_FALSE(DriveOfElement(L"cdaudio"));
}


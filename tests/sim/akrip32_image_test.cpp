// The virtual drive's pure logic: CUE sheets, disc layout, TOC records and
// the unreadable-frame plan.
#include <gtest/gtest.h>

#include <vector>

#include "AkripLayout.h"
#include "DiscImage.h"

using namespace akrip;

namespace {

constexpr uint64_t F = kFrameBytes;

CueSheet Parse(const std::string& text) {
    std::string error;
    auto sheet = ParseCue(text, &error);
    EXPECT_TRUE(sheet) << error;
    return sheet.value_or(CueSheet{});
}

bool Rejected(const std::string& text) {
    std::string error;
    return !ParseCue(text, &error) && !error.empty();
}

DiscLayout Layout(const std::string& text, std::vector<uint64_t> sizes) {
    std::string error;
    auto layout = LayOutDisc(Parse(text), sizes, &error);
    EXPECT_TRUE(layout) << error;
    return layout.value_or(DiscLayout{});
}

std::optional<DiscLayout> TryLayout(const std::string& text, std::vector<uint64_t> sizes) {
    std::string error;
    return LayOutDisc(Parse(text), sizes, &error);
}

const std::string kThreeTracks =
    "REM GENRE Test\r\n"
    "TITLE \"Three\"\r\n"
    "FILE \"my disc.bin\" BINARY\r\n"
    "  TRACK 01 AUDIO\r\n"
    "    PERFORMER \"Nobody\"\r\n"
    "    INDEX 01 00:00:00\r\n"
    "  TRACK 02 AUDIO\r\n"
    "    INDEX 00 13:20:00\r\n"
    "    INDEX 01 13:20:10\r\n"
    "  TRACK 03 MODE1/2352\r\n"
    "    INDEX 01 26:40:00\r\n";

uint32_t EntryAddress(const uint8_t* toc, size_t k) {
    return GetBE32(toc + toc::kEntries + k * toc::kEntrySize + toc::kEntryAddress);
}

}  // namespace

TEST(CueTime, ReadsMinutesSecondsFrames) {
    EXPECT_EQ(ParseCueTime("00:00:00"), 0u);
    EXPECT_EQ(ParseCueTime("00:02:00"), 150u);
    EXPECT_EQ(ParseCueTime("13:20:00"), 60000u);
    EXPECT_EQ(ParseCueTime("99:59:74"), (99u * 60 + 59) * 75 + 74);
    EXPECT_EQ(ParseCueTime("100:00:00"), 100u * 60 * 75);
}

TEST(CueTime, RejectsOutOfRangeAndGarbage) {
    EXPECT_FALSE(ParseCueTime("00:60:00"));
    EXPECT_FALSE(ParseCueTime("00:00:75"));
    EXPECT_FALSE(ParseCueTime("00:00"));
    EXPECT_FALSE(ParseCueTime("0a:00:00"));
    EXPECT_FALSE(ParseCueTime("::"));
    EXPECT_FALSE(ParseCueTime("-1:00:00"));
}

TEST(CueSheetParsing, ReadsFilesTracksAndIndexes) {
    CueSheet s = Parse(kThreeTracks);
    ASSERT_EQ(s.files.size(), 1u);
    EXPECT_EQ(s.files[0].name, "my disc.bin");
    EXPECT_FALSE(s.files[0].motorola);
    ASSERT_EQ(s.tracks.size(), 3u);
    EXPECT_EQ(s.tracks[1].number, 2);
    EXPECT_EQ(s.tracks[1].index00, 60000u);
    EXPECT_EQ(s.tracks[1].index01, 60010u);
    EXPECT_TRUE(s.tracks[0].audio);
    EXPECT_FALSE(s.tracks[2].audio);
    EXPECT_FALSE(s.tracks[0].index00);
}

TEST(CueSheetParsing, AcceptsLfLowerCaseUnquotedNamesAndMotorola) {
    CueSheet s = Parse("\xEF\xBB\xBF" "file plain.bin motorola\ntrack 1 audio\nindex 1 00:00:00\n"
                       "FILE  other name.bin  BINARY\nTRACK 2 MODE2/2352\nINDEX 01 00:00:00");
    ASSERT_EQ(s.files.size(), 2u);
    EXPECT_EQ(s.files[0].name, "plain.bin");
    EXPECT_TRUE(s.files[0].motorola);
    EXPECT_EQ(s.files[1].name, "other name.bin");
    ASSERT_EQ(s.tracks.size(), 2u);
    EXPECT_EQ(s.tracks[1].file, 1u);
}

TEST(CueSheetParsing, RejectsBrokenSheets) {
    EXPECT_TRUE(Rejected(""));
    EXPECT_TRUE(Rejected("REM nothing here\r\n"));
    EXPECT_TRUE(Rejected("TRACK 01 AUDIO\nINDEX 01 00:00:00\n"));                      // no FILE
    EXPECT_TRUE(Rejected("FILE \"a.bin\" BINARY\nINDEX 01 00:00:00\n"));               // no TRACK
    EXPECT_TRUE(Rejected("FILE \"a.bin\" BINARY\nTRACK 01 AUDIO\n"));                  // no INDEX 01
    EXPECT_TRUE(Rejected("FILE \"a.bin\" BINARY\nTRACK 01 AUDIO\nTRACK 02 AUDIO\nINDEX 01 00:00:00\n"));
    EXPECT_TRUE(Rejected("FILE \"a.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n"));  // open quote
    EXPECT_TRUE(Rejected("FILE \"a.wav\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n"));
    EXPECT_TRUE(Rejected("FILE \"a.bin\" BINARY\nTRACK 01 MODE1/2048\nINDEX 01 00:00:00\n"));
    EXPECT_TRUE(Rejected("FILE \"a.bin\" BINARY\nTRACK 01 AUDIO\nINDEX 01 00:61:00\n"));
    EXPECT_TRUE(Rejected("FILE \"a.bin\" BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nINDEX 01 00:01:00\n"));
    EXPECT_TRUE(Rejected("FILE \"a.bin\" BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nTRACK 03 AUDIO\nINDEX 01 00:01:00\n"));
    EXPECT_TRUE(Rejected("FILE \"a.bin\" BINARY\nTRACK 00 AUDIO\nINDEX 01 00:00:00\n"));
    EXPECT_TRUE(Rejected("FILE \"a.bin\" BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n" + std::string("\0\x01", 2)));
}

TEST(CueSheetParsing, RejectsTrackBeyondNinetyNine) {
    std::string cue = "FILE \"a.bin\" BINARY\n";
    for (int t = 1; t <= 100; ++t) {
        char line[64];
        std::snprintf(line, sizeof line, "TRACK %02d AUDIO\nINDEX 01 00:%02d:%02d\n", t, t / 75, t % 75);
        cue += line;
    }
    EXPECT_TRUE(Rejected(cue));
}

TEST(DiscLayoutPlacement, ThreeTracksWithPregapAndLeadOut) {
    DiscLayout d = Layout(kThreeTracks, {180000 * F});
    ASSERT_EQ(d.tracks.size(), 3u);
    EXPECT_EQ(d.tracks[0].lba, 0u);
    EXPECT_EQ(d.tracks[1].lba, 60010u);  // INDEX 01, the pregap stays with track 1
    EXPECT_EQ(d.tracks[2].lba, 120000u);
    EXPECT_EQ(d.leadOut, 180000u);
}

TEST(DiscLayoutPlacement, SeveralFilesAreBackToBack) {
    DiscLayout d = Layout("FILE a.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n"
                          "TRACK 02 AUDIO\nINDEX 00 00:00:50\n"
                          "FILE b.bin MOTOROLA\nINDEX 01 00:00:00\n"
                          "TRACK 03 AUDIO\nINDEX 01 00:01:00\n",
                          {100 * F, 200 * F});
    ASSERT_EQ(d.tracks.size(), 3u);
    EXPECT_EQ(d.tracks[1].lba, 100u);
    EXPECT_EQ(d.tracks[2].lba, 175u);
    EXPECT_EQ(d.leadOut, 300u);
    EXPECT_TRUE(d.files[1].motorola);
}

TEST(DiscLayoutPlacement, FirstTrackIndexOneIsLbaZero) {
    DiscLayout d = Layout("FILE a.bin BINARY\nTRACK 01 AUDIO\nINDEX 00 00:00:00\nINDEX 01 00:02:00\n"
                          "TRACK 02 AUDIO\nINDEX 01 00:03:00\n",
                          {300 * F});
    EXPECT_EQ(d.base, 150u);
    EXPECT_EQ(d.tracks[0].lba, 0u);
    EXPECT_EQ(d.tracks[1].lba, 75u);
    EXPECT_EQ(d.leadOut, 150u);
}

TEST(DiscLayoutPlacement, RejectsFilesThatDoNotMatchTheSheet) {
    const std::string two = "FILE a.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nTRACK 02 AUDIO\nINDEX 01 00:01:00\n";
    EXPECT_TRUE(TryLayout(two, {100 * F}));
    EXPECT_FALSE(TryLayout(two, {75 * F}));        // track 2 starts at the end of the data
    EXPECT_FALSE(TryLayout(two, {50 * F}));        // shorter than the sheet says
    EXPECT_FALSE(TryLayout(two, {100 * F + 1}));   // not whole frames
    EXPECT_FALSE(TryLayout(two, {0}));             // empty file
    EXPECT_FALSE(TryLayout(two, {}));              // sizes missing
}

TEST(DiscLayoutPlacement, RejectsIndexesGoingBackwards) {
    EXPECT_FALSE(TryLayout("FILE a.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:01:00\nTRACK 02 AUDIO\nINDEX 01 00:00:10\n",
                           {200 * F}));
    EXPECT_FALSE(TryLayout("FILE a.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:01:00\nTRACK 02 AUDIO\nINDEX 01 00:01:00\n",
                           {200 * F}));  // empty track 1
    EXPECT_FALSE(TryLayout("FILE a.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:01:00\nTRACK 02 AUDIO\n"
                           "INDEX 00 00:00:50\nINDEX 01 00:01:10\n",
                           {200 * F}));  // pregap before the previous track starts
    EXPECT_FALSE(TryLayout("FILE a.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nTRACK 02 AUDIO\n"
                           "INDEX 00 00:01:20\nINDEX 01 00:01:10\n",
                           {200 * F}));  // INDEX 00 after INDEX 01
}

TEST(ReadPlanning, SplitsAcrossFilesAndStopsAtLeadOut) {
    DiscLayout d = Layout("FILE a.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n"
                          "FILE b.bin BINARY\nTRACK 02 AUDIO\nINDEX 01 00:00:00\n",
                          {30 * F, 40 * F});
    auto plan = PlanRead(d, 20, 26);
    ASSERT_TRUE(plan);
    ASSERT_EQ(plan->size(), 2u);
    EXPECT_EQ((*plan)[0].file, 0u);
    EXPECT_EQ((*plan)[0].frameInFile, 20u);
    EXPECT_EQ((*plan)[0].frames, 10u);
    EXPECT_EQ((*plan)[1].file, 1u);
    EXPECT_EQ((*plan)[1].frameInFile, 0u);
    EXPECT_EQ((*plan)[1].frames, 16u);

    EXPECT_TRUE(PlanRead(d, 44, 26));    // ends exactly at the lead-out
    EXPECT_FALSE(PlanRead(d, 45, 26));   // one frame past it
    EXPECT_FALSE(PlanRead(d, 70, 1));    // the lead-out itself
    EXPECT_FALSE(PlanRead(d, 0xFFFFFFF0u, 26));
    EXPECT_FALSE(PlanRead(d, 0, 0));
}

TEST(ReadPlanning, FramesBeforeTrackOneAreNotOnTheDisc) {
    DiscLayout d = Layout("FILE a.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:10\n", {30 * F});
    auto plan = PlanRead(d, 0, 20);
    ASSERT_TRUE(plan);
    EXPECT_EQ((*plan)[0].frameInFile, 10u);
    EXPECT_FALSE(PlanRead(d, 0, 21));
}

TEST(TocRecord, LbaAddressesWithLeadOut) {
    DiscLayout d = Layout(kThreeTracks, {180000 * F});
    std::vector<uint8_t> toc(toc::kSize, 0xCC);
    BuildToc(d, false, toc.data());
    EXPECT_EQ(toc[toc::kLength] << 8 | toc[toc::kLength + 1], 2 + 4 * 8);
    EXPECT_EQ(toc[toc::kFirstTrack], 1);
    EXPECT_EQ(toc[toc::kLastTrack], 3);
    EXPECT_EQ(EntryAddress(toc.data(), 0), 0u);
    EXPECT_EQ(EntryAddress(toc.data(), 1), 60010u);
    EXPECT_EQ(EntryAddress(toc.data(), 2), 120000u);
    EXPECT_EQ(EntryAddress(toc.data(), 3), 180000u);
    const uint8_t* e2 = toc.data() + toc::kEntries + 2 * toc::kEntrySize;
    EXPECT_EQ(e2[toc::kEntryTrack], 3);
    EXPECT_EQ(e2[toc::kEntryAdrControl], toc::kAdrControlData);
    EXPECT_EQ(toc[toc::kEntries + toc::kEntryAdrControl], toc::kAdrControlAudio);
    EXPECT_EQ(toc[toc::kEntries + 3 * toc::kEntrySize + toc::kEntryTrack], toc::kLeadOutTrack);
    // Everything after the lead-out entry is cleared, the record is not overrun.
    for (size_t i = toc::kEntries + 4 * toc::kEntrySize; i < toc::kSize; ++i) ASSERT_EQ(toc[i], 0) << i;
}

TEST(TocRecord, MsfAddressesCarryTheLeadInOffset) {
    EXPECT_EQ(MsfAddress(0), 0x00000200u);            // 00:02:00
    EXPECT_EQ(MsfAddress(120000), 0x001A2A00u);       // 26:42:00
    EXPECT_EQ(MsfAddress(74), 0x0000024Au);           // 00:02:74
    EXPECT_EQ(MsfAddress(75 * 60 - 150), 0x00010000u);  // 01:00:00
    DiscLayout d = Layout(kThreeTracks, {180000 * F});
    std::vector<uint8_t> toc(toc::kSize);
    BuildToc(d, true, toc.data());
    const uint8_t* lead = toc.data() + toc::kEntries + 3 * toc::kEntrySize + toc::kEntryAddress;
    EXPECT_EQ(lead[0], 0);
    EXPECT_EQ(lead[1], 40);  // 180150 frames = 40:02:00
    EXPECT_EQ(lead[2], 2);
    EXPECT_EQ(lead[3], 0);
    EXPECT_EQ(EntryAddress(toc.data(), 1), (13u << 16) | (22u << 8) | 10u);  // 60160 = 13:22:10
}

TEST(TocRecord, NinetyNineTracksFitWithTheLeadOut) {
    DiscLayout d;
    for (int t = 1; t <= 99; ++t) d.tracks.push_back({t, true, uint32_t(t - 1) * 10});
    d.leadOut = 990;
    std::vector<uint8_t> toc(toc::kSize);
    BuildToc(d, false, toc.data());
    EXPECT_EQ(toc[toc::kLastTrack], 99);
    EXPECT_EQ(toc[toc::kEntries + 99 * toc::kEntrySize + toc::kEntryTrack], toc::kLeadOutTrack);
    EXPECT_EQ(EntryAddress(toc.data(), 99), 990u);
}

TEST(SampleOrder, SwapsEveryPair) {
    uint8_t data[5] = {1, 2, 3, 4, 5};
    SwapSampleBytes(data, sizeof data);
    EXPECT_EQ(data[0], 2);
    EXPECT_EQ(data[1], 1);
    EXPECT_EQ(data[2], 4);
    EXPECT_EQ(data[3], 3);
    EXPECT_EQ(data[4], 5);
}

TEST(UnreadableDirectives, ParsesRangesCountsAndComments) {
    std::vector<std::string> rejected;
    auto r = ParseUnreadable("# header\r\n52 2\n100-120\n  7-7 always  # note\n300-310 0\n\n", &rejected);
    EXPECT_TRUE(rejected.empty());
    ASSERT_EQ(r.size(), 4u);
    EXPECT_EQ(r[0].first, 52u);
    EXPECT_EQ(r[0].last, 52u);
    EXPECT_EQ(r[0].fails, 2u);
    EXPECT_EQ(r[1].first, 100u);
    EXPECT_EQ(r[1].last, 120u);
    EXPECT_FALSE(r[1].fails);
    EXPECT_FALSE(r[2].fails);
    EXPECT_EQ(r[3].fails, 0u);
}

TEST(UnreadableDirectives, SkipsLinesThatAreNotDirectives) {
    std::vector<std::string> rejected;
    auto r = ParseUnreadable("abc\n20-10\n5 sometimes\n5 2 3\n-4\n9\n", &rejected);
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].first, 9u);
    EXPECT_EQ(rejected.size(), 5u);
}

TEST(FailurePlanCounting, FailsTheGivenNumberOfAttemptsThenSucceeds) {
    FailurePlan plan(ParseUnreadable("52 2\n", nullptr));
    EXPECT_TRUE(plan.Attempt(0, 26));   // frames 0..25 untouched
    EXPECT_FALSE(plan.Attempt(52, 26));
    EXPECT_FALSE(plan.Attempt(52, 26));
    EXPECT_TRUE(plan.Attempt(52, 26));
    EXPECT_TRUE(plan.Attempt(52, 1));
}

TEST(FailurePlanCounting, AlwaysNeverSucceeds) {
    FailurePlan plan(ParseUnreadable("60-61\n", nullptr));
    for (int i = 0; i < 10; ++i) EXPECT_FALSE(plan.Attempt(52, 26));
    EXPECT_TRUE(plan.Attempt(62, 26));
    EXPECT_TRUE(plan.Attempt(34, 26));  // ends at 59
    EXPECT_FALSE(plan.Attempt(61, 1));
}

TEST(FailurePlanCounting, EachFrameKeepsItsOwnCount) {
    FailurePlan plan(ParseUnreadable("10-30 1\n", nullptr));
    EXPECT_FALSE(plan.Attempt(0, 20));  // uses up frames 10..19
    EXPECT_TRUE(plan.Attempt(0, 20));
    EXPECT_FALSE(plan.Attempt(20, 20));  // 20..30 still have their failure
    EXPECT_TRUE(plan.Attempt(20, 20));
}

TEST(FailurePlanCounting, ZeroFailuresIsReadable) {
    FailurePlan plan(ParseUnreadable("10 0\n", nullptr));
    EXPECT_TRUE(plan.Attempt(0, 26));
}

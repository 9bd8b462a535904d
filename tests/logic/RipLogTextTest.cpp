// The texts written beside a rip: times mm:ss.ff, the suspicious positions,
// the log's fixed layout (read back the way a program would), the CUE sheet.
#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "CueSheet.h"
#include "RipLog.h"

namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = text.find("\r\n", at);
        EXPECT_NE(end, std::string::npos) << "every line ends in CR LF";
        if (end == std::string::npos) break;
        lines.push_back(text.substr(at, end - at));
        at = end + 2;
    }
    return lines;
}

RipLog::Document TwoTrackRip() {
    RipLog::Document d;
    d.program = "Velmora Cadrel and Converter 1.0";
    d.date = "2026-12-10 09:30:00";
    d.drive = "0:0:0 VIRTUAL CD-ROM 1.0 (D:)";
    d.secure = true;
    d.format = "WAV";
    d.folder = "C:\\Music";
    d.freedbId = "0a01b502";
    d.musicBrainzId = "lwHl8fGzJyLXQR33ug60E8jhf4k-";
    d.accurateRipRecord = "dBAR-002-00001234-00056789-0a01b502.bin";
    d.toc = {{1, 0, 14400, false}, {2, 14400, 31500, false}, {3, 31500, 40000, true}};
    d.leadOut = 40000;
    RipLog::Track t1;
    t1.number = 1;
    t1.file = "Track 1.wav";
    t1.testCrc = 0x0000ABCDu;
    t1.copyCrc = 0x0000ABCDu;
    t1.accurateRipV1 = 0x12u;
    t1.accurateRipV2 = 0xFEDCBA98u;
    t1.result = "OK";
    RipLog::Track t2 = t1;
    t2.number = 2;
    t2.file = "Track 2.wav";
    t2.rereads = 33;
    t2.suspicious = {75 * 62 + 3, 75 * 62 + 4};
    t2.result = "suspicious";
    d.tracks = {t1, t2};
    d.summary = "1 of 2 tracks OK, 1 suspicious";
    return d;
}

}  // namespace

TEST(RipLogTimes, AreMinutesSecondsAndFrames) {
    EXPECT_EQ(RipLog::TrackTime(0), "00:00.00");
    EXPECT_EQ(RipLog::TrackTime(74), "00:00.74");
    EXPECT_EQ(RipLog::TrackTime(75 * 61 + 5), "01:01.05");
    EXPECT_EQ(RipLog::TrackTime(75 * 60 * 100), "100:00.00");
    EXPECT_EQ(CueSheet::Time(75 * 61 + 5), "01:01:05");
}

TEST(RipLogPositions, RunsOfFramesBecomeRanges) {
    EXPECT_EQ(RipLog::Positions({}), "none");
    EXPECT_EQ(RipLog::Positions({75}), "00:01.00");
    EXPECT_EQ(RipLog::Positions({77, 75, 76, 76, 300}), "00:01.00-00:01.02, 00:04.00");
}

TEST(RipLogText, HeaderFieldsComeInTheirFixedOrder) {
    const std::vector<std::string> lines = Lines(RipLog::Text(TwoTrackRip()));
    const std::vector<std::string> expected = {
        "Program: Velmora Cadrel and Converter 1.0",
        "Date: 2026-12-10 09:30:00",
        "Drive: 0:0:0 VIRTUAL CD-ROM 1.0 (D:)",
        "Read mode: secure",
        "Output format: WAV",
        "Output folder: C:\\Music",
        "Freedb disc ID: 0a01b502",
        "MusicBrainz disc ID: lwHl8fGzJyLXQR33ug60E8jhf4k-",
        "AccurateRip record: dBAR-002-00001234-00056789-0a01b502.bin",
        "AccurateRip verification: not asked",
        "",
        "Table of contents",
        "Track |    Start |   Length | Start sector | End sector | Type",
        "------+----------+----------+--------------+------------+------",
        "    1 | 00:00.00 | 03:12.00 |            0 |      14399 | audio",
        "    2 | 03:12.00 | 03:48.00 |        14400 |      31499 | audio",
        "    3 | 07:00.00 | 01:53.25 |        31500 |      39999 | data",
        "Lead-out: 40000",
    };
    ASSERT_GE(lines.size(), expected.size());
    for (std::size_t k = 0; k < expected.size(); ++k) EXPECT_EQ(lines[k], expected[k]) << "line " << k;
}

TEST(RipLogText, EachTrackIsABlockOfLabelledFields) {
    // Read back as a program would: a "Track N" line opens a block of "Label: value" lines.
    std::map<int, std::map<std::string, std::string>> tracks;
    int current = 0;
    std::string summary;
    for (const std::string& line : Lines(RipLog::Text(TwoTrackRip()))) {
        if (line.rfind("Track ", 0) == 0 && line.size() > 6 &&
            line.find_first_not_of("0123456789", 6) == std::string::npos) {
            current = std::stoi(line.substr(6));
            continue;
        }
        if (line.empty()) {
            current = 0;
            continue;
        }
        const std::size_t colon = line.find(": ");
        if (line.rfind("Summary: ", 0) == 0) summary = line.substr(9);
        if (current > 0 && colon != std::string::npos) tracks[current][line.substr(0, colon)] = line.substr(colon + 2);
    }
    ASSERT_EQ(tracks.size(), 2u);
    EXPECT_EQ(tracks[1]["File"], "Track 1.wav");
    EXPECT_EQ(tracks[1]["Test CRC"], "0000ABCD");
    EXPECT_EQ(tracks[1]["Copy CRC"], "0000ABCD");
    EXPECT_EQ(tracks[1]["AccurateRip v1"], "00000012");
    EXPECT_EQ(tracks[1]["AccurateRip v2"], "FEDCBA98");
    EXPECT_EQ(tracks[1]["Re-reads"], "0");
    EXPECT_EQ(tracks[1]["Suspicious positions"], "none");
    EXPECT_EQ(tracks[1]["AccurateRip"], "not checked");
    EXPECT_EQ(tracks[1]["Result"], "OK");
    EXPECT_EQ(tracks[2]["Re-reads"], "33");
    EXPECT_EQ(tracks[2]["Suspicious positions"], "01:02.03-01:02.04");
    EXPECT_EQ(tracks[2]["Result"], "suspicious");
    EXPECT_EQ(tracks[2].size(), 9u);
    EXPECT_EQ(summary, "1 of 2 tracks OK, 1 suspicious");
}

TEST(RipLogText, NormalModeHasNoTestCrcAndNoFieldIsEmpty) {
    RipLog::Document d = TwoTrackRip();
    d.secure = false;
    for (RipLog::Track& t : d.tracks) t.testCrc.reset();
    d.musicBrainzId.clear();
    const std::string text = RipLog::Text(d);
    EXPECT_NE(text.find("Read mode: normal\r\n"), std::string::npos);
    EXPECT_EQ(text.find("Test CRC"), std::string::npos);
    EXPECT_NE(text.find("MusicBrainz disc ID: none\r\n"), std::string::npos);
    EXPECT_EQ(text.find(": \r\n"), std::string::npos);
}

TEST(CueSheetText, OneFilePerTrackWithAPregapWhereTheDiscHasOne) {
    CueSheet::Sheet sheet;
    sheet.freedbId = "0a01b502";
    sheet.musicBrainzId = "abc-";
    sheet.comment = "Velmora \"Cadrel\"";
    sheet.tracks = {{1, "Track 1.wav", false, 150}, {2, "Track 2.wav", false, 0}};
    EXPECT_EQ(CueSheet::Text(sheet),
              "REM DISCID 0a01b502\r\n"
              "REM MUSICBRAINZ_DISCID abc-\r\n"
              "REM COMMENT \"Velmora 'Cadrel'\"\r\n"
              "FILE \"Track 1.wav\" WAVE\r\n"
              "  TRACK 01 AUDIO\r\n"
              "    PREGAP 00:02:00\r\n"
              "    INDEX 01 00:00:00\r\n"
              "FILE \"Track 2.wav\" WAVE\r\n"
              "  TRACK 02 AUDIO\r\n"
              "    INDEX 01 00:00:00\r\n");
    sheet = {};
    sheet.tracks = {{12, "Track 12.mp3", true, 0}};
    EXPECT_EQ(CueSheet::Text(sheet), "FILE \"Track 12.mp3\" MP3\r\n  TRACK 12 AUDIO\r\n    INDEX 01 00:00:00\r\n");
}

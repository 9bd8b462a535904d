// Secure reading, the rip log, the CUE sheet and offline verification end to
// end: cadrel-rip.exe on discs in the virtual drive, some with frames that
// misread (flaky.txt), its files read back as a program reads the log.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "AccurateRip.h"
#include "AccurateRipRecord.h"
#include "Crc32.h"
#include "DiscId.h"
#include "RipJobSupport.h"
#include "RipLog.h"
#include "RipperProcess.h"
#include "VirtualDisc.h"

namespace {

using namespace ripjobtest;

constexpr uint32_t FrameBytes = 2352;

void SetFlaky(const std::string& directives) {
    std::ofstream(testdisc::DriveFolderWin() + "\\flaky.txt", std::ios::binary) << directives;
}

// The log as a program reads it: "Label: value" lines, per track in blocks
// opened by "Track N".
struct Log {
    std::map<std::string, std::string> header;
    std::map<int, std::map<std::string, std::string>> tracks;
    std::string summary;
};

Log ReadLog(const std::string& folder) {
    Log log;
    const std::string text = ReadAll(folder + "\\" + RipLog::FileName);
    int track = 0;
    bool inHeader = true;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find("\r\n", at);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(at, end - at);
        at = end + 2;
        if (line.empty()) {
            inHeader = false;
            track = 0;
            continue;
        }
        if (line.rfind("Track ", 0) == 0 && line.find_first_not_of("0123456789", 6) == std::string::npos) {
            track = std::stoi(line.substr(6));
            continue;
        }
        const std::size_t colon = line.find(": ");
        if (colon == std::string::npos) continue;
        const std::string label = line.substr(0, colon), value = line.substr(colon + 2);
        if (label == "Summary") log.summary = value;
        else if (inHeader) log.header[label] = value;
        else if (track > 0) log.tracks[track][label] = value;
    }
    return log;
}

uint32_t CrcOf(const std::string& bytes) {
    Crc32 crc;
    crc.Add({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()});
    return crc.Value();
}

// The differing frames of two equally long runs of frames.
std::vector<uint32_t> DifferingFrames(const std::string& a, const std::string& b) {
    std::vector<uint32_t> frames;
    for (std::size_t f = 0; f * FrameBytes < a.size() && f * FrameBytes < b.size(); ++f)
        if (a.compare(f * FrameBytes, FrameBytes, b, f * FrameBytes, FrameBytes) != 0)
            frames.push_back(static_cast<uint32_t>(f));
    return frames;
}

// A disc of pattern tracks as the AccurateRip database would file it.
struct PatternDisc {
    std::vector<uint32_t> lengths;
    AccurateRipRecord::DiscKey key;
    std::vector<uint32_t> v1, v2;

    explicit PatternDisc(std::vector<uint32_t> frames) : lengths(std::move(frames)) {
        DiscId::Toc toc;
        uint32_t lba = 0;
        for (std::size_t k = 0; k < lengths.size(); ++k) {
            toc.starts.push_back(lba);
            const std::string audio = testdisc::PatternFrames(lba, lengths[k]);
            AccurateRip::TrackSum sum(lengths[k] * 588, k == 0, k + 1 == lengths.size());
            sum.Add({reinterpret_cast<const uint8_t*>(audio.data()), audio.size()});
            v1.push_back(sum.V1());
            v2.push_back(sum.V2());
            lba += lengths[k];
        }
        toc.leadOut = lba;
        key.audioTracks = static_cast<int>(lengths.size());
        key.ids = AccurateRip::ComputeDiscIds(toc.starts, toc.leadOut);
        key.freedbId = DiscId::FreedbId(toc);
    }
};

void Put32(std::string& out, uint32_t v) {
    for (int k = 0; k < 4; ++k) out.push_back(static_cast<char>(v >> (8 * k)));
}

// One pressing's chunk of a record file.
std::string Pressing(const AccurateRipRecord::DiscKey& key, const std::vector<uint32_t>& checksums, uint8_t confidence) {
    std::string chunk(1, static_cast<char>(checksums.size()));
    Put32(chunk, key.ids.id1);
    Put32(chunk, key.ids.id2);
    Put32(chunk, key.freedbId);
    for (uint32_t c : checksums) {
        chunk.push_back(static_cast<char>(confidence));
        Put32(chunk, c);
        Put32(chunk, 0);
    }
    return chunk;
}

std::string WriteRecord(const std::string& folder, const std::string& name, const std::string& bytes) {
    const std::string path = folder + "\\" + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

class SecureRip : public ::testing::Test {
protected:
    void TearDown() override { testdisc::Eject(); }
};

}  // namespace

// --- secure reading against a drive that misreads ------------------------------

TEST_F(SecureRip, AFrameThatMisreadsOnceIsReadAgainAndTheTrackIsExact) {
    testdisc::Insert({{100}, {60}});
    SetFlaky("# the first read of frame 30 is wrong\n30 1\n");
    const std::string folder = FreshFolder("secure-out", "misread-once");
    const RunResult r = RunRipper({"/rip", "/format:WAV", "/secure", "/log", "/out:" + folder});
    EXPECT_EQ(r.exitCode, 0u) << r.output;
    const std::string audio = ReadAll(folder + "\\Track 1.wav").substr(44);
    EXPECT_TRUE(audio == testdisc::PatternFrames(0, 100)) << "frames differ: " << DifferingFrames(audio, testdisc::PatternFrames(0, 100)).size();

    Log log = ReadLog(folder);
    EXPECT_EQ(log.header.at("Read mode"), "secure");
    auto track = log.tracks.at(1);
    EXPECT_EQ(track["Re-reads"], "1");
    EXPECT_EQ(track["Suspicious positions"], "none");
    EXPECT_EQ(track["Result"], "OK");
    EXPECT_EQ(track["Copy CRC"], RipLog::Hex32(CrcOf(testdisc::PatternFrames(0, 100))));
    EXPECT_NE(track["Test CRC"], track["Copy CRC"]) << "the test read held the misread frame";
    EXPECT_EQ(log.tracks.at(2)["Re-reads"], "0");
    EXPECT_EQ(log.tracks.at(2)["Test CRC"], log.tracks.at(2)["Copy CRC"]);
    EXPECT_EQ(log.summary, "2 of 2 tracks OK, 0 suspicious");
}

TEST_F(SecureRip, NormalModeReadsOnceAndWritesWhatTheDriveReturned) {
    testdisc::Insert({{100}, {60}});
    SetFlaky("30 1\n");
    const std::string folder = FreshFolder("secure-out", "normal-misread");
    const RunResult r = RunRipper({"/rip", "/format:WAV", "/log", "/out:" + folder});
    EXPECT_EQ(r.exitCode, 0u) << r.output;
    const std::string audio = ReadAll(folder + "\\Track 1.wav").substr(44);
    EXPECT_EQ(DifferingFrames(audio, testdisc::PatternFrames(0, 100)), (std::vector<uint32_t>{30}));
    Log log = ReadLog(folder);
    EXPECT_EQ(log.header.at("Read mode"), "normal");
    EXPECT_EQ(log.tracks.at(1).count("Test CRC"), 0u);
    EXPECT_EQ(log.tracks.at(1)["Copy CRC"], RipLog::Hex32(CrcOf(audio)));
    EXPECT_EQ(log.tracks.at(1)["Re-reads"], "0");
}

TEST_F(SecureRip, AFrameThatNeverReadsTheSameTwiceIsSuspiciousAtItsTimeAndExitsWith1) {
    testdisc::Insert({{60}, {200}});
    // Frame 140 is frame 80 of track 2: 1 second and 5 frames in.
    SetFlaky("140 always\n");
    const std::string folder = FreshFolder("secure-out", "never-agrees");
    const RunResult r = RunRipper({"/rip", "/format:WAV", "/secure", "/log", "/out:" + folder});
    EXPECT_EQ(r.exitCode, 1u) << r.output;
    EXPECT_TRUE(r.Has("suspicious positions 00:01.05")) << r.output;
    EXPECT_TRUE(r.Has("tracks with suspicious positions: 1")) << r.output;
    // The rest of the track is exact; only the suspicious frame may differ.
    const std::string audio = ReadAll(folder + "\\Track 2.wav").substr(44);
    EXPECT_EQ(DifferingFrames(audio, testdisc::PatternFrames(60, 200)), (std::vector<uint32_t>{80}));

    Log log = ReadLog(folder);
    auto track = log.tracks.at(2);
    EXPECT_EQ(track["Suspicious positions"], "00:01.05");
    EXPECT_EQ(track["Re-reads"], "16");
    EXPECT_EQ(track["Result"], "suspicious");
    EXPECT_EQ(log.tracks.at(1)["Result"], "OK");
    EXPECT_EQ(log.summary, "1 of 2 tracks OK, 1 suspicious");
}

TEST_F(SecureRip, SecureModeWithoutALogStillReportsAndJudgesOnTheConsole) {
    testdisc::Insert({{60}});
    SetFlaky("10-11 always\n");
    const std::string folder = FreshFolder("secure-out", "no-log");
    const RunResult r = RunRipper({"/rip", "/format:MP3", "/secure", "/out:" + folder});
    EXPECT_EQ(r.exitCode, 1u) << r.output;
    EXPECT_TRUE(r.Has("32 re-reads, suspicious positions 00:00.10-00:00.11")) << r.output;
    EXPECT_EQ(Entries(folder), (std::vector<std::string>{"Track 1.mp3"}));
}

// --- the log and the CUE sheet ----------------------------------------------------

TEST_F(SecureRip, TheLogAndCueSheetDescribeTheDiscAndTheWrittenFiles) {
    testdisc::Insert({{100}, {60}, {50, true}});
    const PatternDisc disc({100, 60, 50});
    const std::string folder = FreshFolder("secure-out", "log-and-cue");
    const RunResult r = RunRipper({"/rip", "/format:WAV", "/tracks:1-2", "/log", "/out:" + folder});
    EXPECT_EQ(r.exitCode, 0u) << r.output;
    EXPECT_EQ(Entries(folder), (std::vector<std::string>{"Disc.cue", "Rip log.txt", "Track 1.wav", "Track 2.wav"}));

    Log log = ReadLog(folder);
    EXPECT_EQ(log.header.at("Drive"), "0:0:0 VIRTUAL CD-ROM 1.0 (" + testdisc::DriveRoot().substr(0, 2) + ")");
    EXPECT_EQ(log.header.at("Freedb disc ID"), DiscId::FreedbText(disc.key.freedbId));
    EXPECT_EQ(log.header.at("AccurateRip record"), AccurateRipRecord::FileName(disc.key));
    const std::string text = ReadAll(folder + "\\" + RipLog::FileName);
    EXPECT_NE(text.find("\r\nLead-out: 210\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("    2 | 00:01.25 | 00:00.60 |          100 |        159 | audio\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("    3 | 00:02.10 | 00:00.50 |          160 |        209 | data\r\n"), std::string::npos) << text;
    EXPECT_EQ(log.tracks.size(), 2u);
    EXPECT_EQ(log.tracks.at(2)["File"], "Track 2.wav");
    EXPECT_EQ(log.tracks.at(2)["Copy CRC"], RipLog::Hex32(CrcOf(testdisc::PatternFrames(100, 60))));

    const std::string cue = ReadAll(folder + "\\Disc.cue");
    EXPECT_NE(cue.find("REM DISCID " + DiscId::FreedbText(disc.key.freedbId) + "\r\n"), std::string::npos) << cue;
    EXPECT_NE(cue.find("FILE \"Track 1.wav\" WAVE\r\n  TRACK 01 AUDIO\r\n    INDEX 01 00:00:00\r\n"
                       "FILE \"Track 2.wav\" WAVE\r\n  TRACK 02 AUDIO\r\n    INDEX 01 00:00:00\r\n"),
              std::string::npos)
        << cue;
}

// --- verification against an AccurateRip record ------------------------------------

TEST_F(SecureRip, VerifyReportsEachTrackAccurateWithItsConfidence) {
    testdisc::Insert({{100}, {60}, {80}});
    const PatternDisc disc({100, 60, 80});
    const std::string folder = FreshFolder("secure-out", "verify-accurate");
    const std::string records = FreshFolder("secure-out", "records-accurate");
    const std::string record = WriteRecord(records, AccurateRipRecord::FileName(disc.key),
                                           Pressing(disc.key, disc.v1, 3) + Pressing(disc.key, disc.v2, 9));
    const RunResult r = RunRipper({"/rip", "/format:WAV", "/verify:" + record, "/out:" + folder});
    EXPECT_EQ(r.exitCode, 0u) << r.output;
    EXPECT_TRUE(r.Has("3 of 3 tracks accurate")) << r.output;
    Log log = ReadLog(folder);
    EXPECT_EQ(log.header.at("AccurateRip verification"),
              AccurateRipRecord::FileName(disc.key) + ": 2 pressings of this disc");
    for (int t = 1; t <= 3; ++t) {
        EXPECT_EQ(log.tracks.at(t)["AccurateRip"], "accurate (v2, confidence 9)") << t;
        EXPECT_EQ(log.tracks.at(t)["AccurateRip v1"], RipLog::Hex32(disc.v1[t - 1])) << t;
    }
    EXPECT_EQ(log.summary, "3 of 3 tracks OK, 0 suspicious, 3 accurate, 0 not verified");
}

TEST_F(SecureRip, VerifyReportsATrackWhoseChecksumDiffersAsNotAccurateAndExitsWith1) {
    testdisc::Insert({{100}, {60}, {80}});
    const PatternDisc disc({100, 60, 80});
    std::vector<uint32_t> changed = disc.v1;
    changed[1] ^= 0x00010000u;
    const std::string folder = FreshFolder("secure-out", "verify-changed");
    const std::string records = FreshFolder("secure-out", "records-changed");
    const std::string record = WriteRecord(records, AccurateRipRecord::FileName(disc.key), Pressing(disc.key, changed, 4));
    const RunResult r = RunRipper({"/rip", "/format:WAV", "/secure", "/verify:" + record, "/out:" + folder});
    EXPECT_EQ(r.exitCode, 1u) << r.output;
    Log log = ReadLog(folder);
    EXPECT_EQ(log.tracks.at(1)["AccurateRip"], "accurate (v1, confidence 4)");
    EXPECT_EQ(log.tracks.at(2)["AccurateRip"], "not accurate (1 pressing, highest confidence 4)");
    EXPECT_EQ(log.tracks.at(3)["AccurateRip"], "accurate (v1, confidence 4)");
    EXPECT_TRUE(r.Has("2 of 3 tracks accurate")) << r.output;
}

TEST_F(SecureRip, ARecordOfAnotherDiscVerifiesNothing) {
    testdisc::Insert({{100}, {60}});
    const PatternDisc disc({100, 60});
    AccurateRipRecord::DiscKey other = disc.key;
    other.ids.id1 += 1;
    const std::string folder = FreshFolder("secure-out", "verify-other");
    const std::string records = FreshFolder("secure-out", "records-other");
    const std::string record = WriteRecord(records, "other.bin", Pressing(other, disc.v1, 200));
    const RunResult r = RunRipper({"/rip", "/format:WAV", "/verify:" + record, "/out:" + folder});
    EXPECT_EQ(r.exitCode, 1u) << r.output;
    Log log = ReadLog(folder);
    EXPECT_EQ(log.header.at("AccurateRip verification"), "other.bin: 0 pressings of this disc (it is the record of another disc)");
    EXPECT_EQ(log.tracks.at(1)["AccurateRip"], "not in the record");
}

TEST_F(SecureRip, AMissingOrBrokenRecordFileStopsTheRipBeforeAnyTrack) {
    testdisc::Insert({{60}});
    const std::string folder = FreshFolder("secure-out", "verify-broken");
    const std::string records = FreshFolder("secure-out", "records-broken");
    RunResult r = RunRipper({"/rip", "/format:WAV", "/verify:" + records + "\\missing.bin", "/out:" + folder});
    EXPECT_EQ(r.exitCode, 2u) << r.output;
    EXPECT_TRUE(r.Has("missing.bin cannot be opened")) << r.output;
    const std::string cut = WriteRecord(records, "cut.bin", std::string("\x02\x01\x02\x03", 4));
    r = RunRipper({"/rip", "/format:WAV", "/verify:" + cut, "/out:" + folder});
    EXPECT_EQ(r.exitCode, 2u) << r.output;
    EXPECT_TRUE(r.Has("is not an AccurateRip record file")) << r.output;
    EXPECT_TRUE(Entries(folder).empty());
}

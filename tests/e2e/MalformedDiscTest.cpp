// A corpus of malformed and unusual disc images, made here at test time, put
// into the virtual drive one by one and looked at three ways: through the CD
// access library as the ripper binds it (TOC, then every frame of every
// track read in blocks, and nothing past the lead-out), through the MCI
// cdaudio device (media, track count, lengths) and through the headless rip
// (cadrel-rip.exe to WAV). Each image is either no disc to all three (no
// TOC, no media, exit code 2 with "no disc", no file written) or a disc all
// three agree on, whose tracks rip bit-exact to the bytes of the image.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "AkripRecords.h"
#include "CD_Library.h"
#include "support/ConsoleRun.h"
#include "RipJobSupport.h"
#include "TestFiles.h"
#include "VirtualDisc.h"
#include "modAKRip32.h"

namespace {

using testdisc::kFrameBytes;
using Files = std::vector<std::pair<std::string, std::string>>;

enum class Verdict {
    NoDisc,    // every view refuses it
    Disc,      // a disc; its audio tracks rip bit-exact
};

struct ExpectedTrack {
    bool audio = true;
    std::string bytes;  // the track's frames as the drive must return them
};

struct DiscCase {
    std::string name;
    std::string cue;
    Files files;
    Verdict verdict = Verdict::NoDisc;
    std::vector<ExpectedTrack> tracks;  // for Verdict::Disc
    std::vector<std::string> folders;   // made in the drive before the files
};

std::string Frames(uint32_t first, uint32_t count) { return testdisc::PatternFrames(first, count); }

std::string Slice(const std::string& bin, uint32_t fromFrame, uint32_t toFrame) {
    return bin.substr(std::size_t(fromFrame) * kFrameBytes, std::size_t(toFrame - fromFrame) * kFrameBytes);
}

std::string Lines(const std::vector<std::string>& lines, const std::string& end = "\r\n") {
    std::string text;
    for (const auto& l : lines) text += l + end;
    return text;
}

std::string Time(uint32_t frames) { return testdisc::CueTime(frames); }

// A sheet of one file with audio tracks starting at `starts` (frames).
std::vector<std::string> OneFileSheet(const std::string& fileLine, const std::vector<uint32_t>& starts,
                                      const std::string& mode = "AUDIO") {
    std::vector<std::string> lines{fileLine};
    for (std::size_t i = 0; i < starts.size(); ++i) {
        char track[40];
        std::snprintf(track, sizeof track, "  TRACK %02u %s", unsigned(i + 1), mode.c_str());
        lines.push_back(track);
        lines.push_back("    INDEX 01 " + Time(starts[i]));
    }
    return lines;
}

// Audio tracks cut from `bin` at `starts`, the last one up to the end.
std::vector<ExpectedTrack> Cut(const std::string& bin, const std::vector<uint32_t>& starts) {
    std::vector<ExpectedTrack> tracks;
    const uint32_t end = uint32_t(bin.size() / kFrameBytes);
    for (std::size_t i = 0; i < starts.size(); ++i)
        tracks.push_back({true, Slice(bin, starts[i], i + 1 < starts.size() ? starts[i + 1] : end)});
    return tracks;
}

std::string Swapped(std::string bytes) {
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) std::swap(bytes[i], bytes[i + 1]);
    return bytes;
}

const std::string kBin = Frames(0, 100);
const std::string kFile = "FILE \"test.bin\" BINARY";
const std::string kGood = Lines(OneFileSheet(kFile, {0, 60}));

DiscCase Refused(std::string name, std::string cue, Files files = {{"test.bin", kBin}}) {
    return {std::move(name), std::move(cue), std::move(files), Verdict::NoDisc, {}, {}};
}

DiscCase Ripped(std::string name, std::string cue, Files files, std::vector<ExpectedTrack> tracks) {
    return {std::move(name), std::move(cue), std::move(files), Verdict::Disc, std::move(tracks), {}};
}

// A sheet whose only file is `name` (as written after FILE), with test.bin's
// tracks at 0 and 60.
std::string Naming(const std::string& name) { return Lines(OneFileSheet("FILE " + name + " BINARY", {0, 60})); }

std::vector<DiscCase> Corpus() {
    std::vector<DiscCase> c;
    const auto good = Cut(kBin, {0, 60});

    // --- the BIN itself -------------------------------------------------------------
    c.push_back(Refused("truncated BIN, half a frame lost", kGood, {{"test.bin", kBin.substr(0, kBin.size() - 1176)}}));
    c.push_back(Refused("odd-length BIN, one byte over", kGood, {{"test.bin", kBin + "x"}}));
    c.push_back(Refused("odd-length BIN, one byte short", kGood, {{"test.bin", kBin.substr(1)}}));
    c.push_back(Refused("BIN shorter than the sheet says", Lines(OneFileSheet(kFile, {0, 60, 150}))));
    c.push_back(Refused("BIN ends where the last track starts", Lines(OneFileSheet(kFile, {0, 100}))));
    c.push_back(Refused("empty BIN", kGood, {{"test.bin", ""}}));
    c.push_back(Refused("BIN of one byte", kGood, {{"test.bin", "\x01"}}));
    c.push_back(Ripped("BIN of one frame", Lines(OneFileSheet(kFile, {0})), {{"test.bin", Frames(0, 1)}},
                       {{true, Frames(0, 1)}}));

    // --- FILE lines ------------------------------------------------------------------
    c.push_back(Refused("no BIN beside the sheet", kGood, {}));
    c.push_back(Refused("no FILE line", Lines({"TRACK 01 AUDIO", "INDEX 01 00:00:00"})));
    c.push_back(Refused("FILE without a name", Naming("\"\"")));
    c.push_back(Refused("FILE without a type", Lines({"FILE \"test.bin\"", "TRACK 01 AUDIO", "INDEX 01 00:00:00"})));
    c.push_back(Refused("FILE of type WAVE", Lines(OneFileSheet("FILE \"test.bin\" WAVE", {0}))));
    c.push_back(Refused("FILE of type MP3", Lines(OneFileSheet("FILE \"test.bin\" MP3", {0}))));
    c.push_back(Refused("FILE name with an unterminated quote", Naming("\"test.bin")));
    c.push_back(Refused("FILE naming a folder", Naming("\"test.bin\""), {}));
    c.back().folders = {"test.bin"};
    c.push_back(Refused("FILE naming the sheet itself", Naming("\"test.cue\"")));
    c.push_back(Refused("FILE naming the device NUL", Naming("NUL")));
    c.push_back(Refused("FILE naming the device CON", Naming("CON")));
    // Names that leave the sheet's folder, each with a file where it would
    // lead inside the drive, so only the name itself can refuse it.
    c.push_back(Refused("FILE ../test.bin", Naming("\"../test.bin\"")));
    c.push_back(Refused("FILE ..\\test.bin", Naming("\"..\\test.bin\"")));
    c.push_back(Refused("FILE /test.bin", Naming("\"/test.bin\"")));
    c.push_back(Refused("FILE \\test.bin", Naming("\"\\test.bin\"")));
    c.push_back(Refused("FILE sub/test.bin", Naming("\"sub/test.bin\""), {{"sub\\test.bin", kBin}}));
    c.back().folders = {"sub"};
    c.push_back(Refused("FILE sub\\test.bin", Naming("sub\\test.bin"), {{"sub\\test.bin", kBin}}));
    c.back().folders = {"sub"};
    c.push_back(Refused("FILE with a drive letter", Naming("\"D:\\test.bin\"")));
    c.push_back(Refused("FILE relative to a drive", Naming("\"D:test.bin\"")));
    c.push_back(Refused("FILE on a UNC path", Naming("\"\\\\localhost\\share\\test.bin\"")));
    c.push_back(Refused("FILE on the Windows folder", Naming("\"C:\\windows\\win.ini\"")));
    {
        const std::string a = Frames(0, 40), b = Frames(1000, 30), d = Frames(2000, 20);
        c.push_back(Ripped("several FILEs, a track each",
                           Lines({"FILE \"a.bin\" BINARY", "TRACK 01 AUDIO", "INDEX 01 00:00:00", "FILE \"b.bin\" BINARY",
                                  "TRACK 02 AUDIO", "INDEX 01 00:00:00", "FILE \"d.bin\" BINARY", "TRACK 03 AUDIO",
                                  "INDEX 01 00:00:00"}),
                           {{"a.bin", a}, {"b.bin", b}, {"d.bin", d}}, {{true, a}, {true, b}, {true, d}}));
        c.push_back(Ripped("a track starting in the middle of the second FILE",
                           Lines({"FILE \"a.bin\" BINARY", "TRACK 01 AUDIO", "INDEX 01 00:00:00", "FILE \"b.bin\" BINARY",
                                  "TRACK 02 AUDIO", "INDEX 01 00:00:10"}),
                           {{"a.bin", a}, {"b.bin", b}}, {{true, a + Slice(b, 0, 10)}, {true, Slice(b, 10, 30)}}));
        c.push_back(Ripped("the same FILE twice",
                           Lines({"FILE \"a.bin\" BINARY", "TRACK 01 AUDIO", "INDEX 01 00:00:00", "FILE \"a.bin\" BINARY",
                                  "TRACK 02 AUDIO", "INDEX 01 00:00:00"}),
                           {{"a.bin", a}}, {{true, a}, {true, a}}));
        c.push_back(Refused("a FILE that holds no track",
                            Lines({"FILE \"a.bin\" BINARY", "TRACK 01 AUDIO", "INDEX 01 00:00:00", "FILE \"b.bin\" BINARY"}),
                            {{"a.bin", a}, {"b.bin", b}}));
        c.push_back(Refused("the second of several FILEs missing",
                            Lines({"FILE \"a.bin\" BINARY", "TRACK 01 AUDIO", "INDEX 01 00:00:00", "FILE \"b.bin\" BINARY",
                                   "TRACK 02 AUDIO", "INDEX 01 00:00:00"}),
                            {{"a.bin", a}}));
    }
    c.push_back(Ripped("quoted name with blanks", Naming("\"my  disc.bin\""), {{"my  disc.bin", kBin}}, good));
    c.push_back(Ripped("unquoted name with blanks", Naming("my disc.bin"), {{"my disc.bin", kBin}}, good));
    c.push_back(Ripped("MOTOROLA samples", Lines(OneFileSheet("FILE \"test.bin\" MOTOROLA", {0, 60})),
                       {{"test.bin", kBin}}, {{true, Swapped(Slice(kBin, 0, 60))}, {true, Swapped(Slice(kBin, 60, 100))}}));

    // --- INDEX times -----------------------------------------------------------------
    auto indexed = [&](const std::string& track2Index) {
        return Lines({kFile, "TRACK 01 AUDIO", "INDEX 01 00:00:00", "TRACK 02 AUDIO", track2Index});
    };
    c.push_back(Refused("INDEX frames of 75", indexed("INDEX 01 00:00:75")));
    c.push_back(Refused("INDEX seconds of 60", indexed("INDEX 01 00:60:00")));
    c.push_back(Refused("INDEX minutes of four digits", indexed("INDEX 01 1000:00:00")));
    c.push_back(Refused("INDEX far beyond the BIN", indexed("INDEX 01 999:59:74")));
    c.push_back(Refused("INDEX with two fields", indexed("INDEX 01 00:10")));
    c.push_back(Refused("INDEX with a negative time", indexed("INDEX 01 -1:00:00")));
    c.push_back(Refused("INDEX with letters", indexed("INDEX 01 aa:bb:cc")));
    c.push_back(Refused("INDEX number of three digits", indexed("INDEX 001 00:00:10")));
    c.push_back(Refused("INDEX with words after the time", indexed("INDEX 01 00:00:10 extra")));
    c.push_back(Refused("tracks going backwards", Lines(OneFileSheet(kFile, {60, 0}))));
    c.push_back(Refused("two tracks at the same frame", Lines(OneFileSheet(kFile, {0, 60, 60}))));
    c.push_back(Refused("a track without INDEX 01", Lines({kFile, "TRACK 01 AUDIO", "INDEX 01 00:00:00",
                                                           "TRACK 02 AUDIO", "INDEX 00 00:00:50"})));
    c.push_back(Refused("INDEX 01 given twice", Lines({kFile, "TRACK 01 AUDIO", "INDEX 01 00:00:00", "INDEX 01 00:00:10"})));
    c.push_back(Refused("INDEX 00 after INDEX 01",
                        Lines({kFile, "TRACK 01 AUDIO", "INDEX 01 00:00:00", "TRACK 02 AUDIO", "INDEX 01 00:00:60",
                               "INDEX 00 00:00:50"})));
    c.push_back(Refused("a pregap reaching back into the previous track's start",
                        Lines({kFile, "TRACK 01 AUDIO", "INDEX 01 00:00:10", "TRACK 02 AUDIO", "INDEX 00 00:00:05",
                               "INDEX 01 00:00:60"})));
    c.push_back(Refused("INDEX 02 before INDEX 01",
                        Lines({kFile, "TRACK 01 AUDIO", "INDEX 02 00:00:10", "INDEX 01 00:00:00"})));
    c.push_back(Refused("INDEX 02 earlier than INDEX 01",
                        Lines({kFile, "TRACK 01 AUDIO", "INDEX 01 00:00:00", "TRACK 02 AUDIO", "INDEX 01 00:00:60",
                               "INDEX 02 00:00:30"})));
    c.push_back(Ripped("a pregap in track 2",
                       Lines({kFile, "TRACK 01 AUDIO", "INDEX 01 00:00:00", "TRACK 02 AUDIO", "INDEX 00 00:00:50",
                              "INDEX 01 00:00:60", "INDEX 02 00:00:70"}),
                       {{"test.bin", kBin}}, good));
    c.push_back(Ripped("track 1 starting after frames that are not on the disc",
                       Lines({kFile, "TRACK 01 AUDIO", "INDEX 00 00:00:00", "INDEX 01 00:00:20", "TRACK 02 AUDIO",
                              "INDEX 01 00:00:60"}),
                       {{"test.bin", kBin}}, Cut(kBin.substr(20 * kFrameBytes), {0, 40})));

    // --- TRACK lines -------------------------------------------------------------------
    c.push_back(Refused("no TRACK at all", Lines({kFile})));
    c.push_back(Refused("TRACK before FILE", Lines({"TRACK 01 AUDIO", kFile, "INDEX 01 00:00:00"})));
    c.push_back(Refused("INDEX before TRACK", Lines({kFile, "INDEX 01 00:00:00", "TRACK 01 AUDIO"})));
    {
        std::vector<uint32_t> starts;
        for (uint32_t i = 0; i < 99; ++i) starts.push_back(i * 2);
        const std::string bin = Frames(0, 198);
        c.push_back(Ripped("99 tracks", Lines(OneFileSheet(kFile, starts)), {{"test.bin", bin}}, Cut(bin, starts)));
        starts.push_back(198);
        c.push_back(Refused("100 tracks", Lines(OneFileSheet(kFile, starts)), {{"test.bin", Frames(0, 200)}}));
    }
    auto numbered = [&](const std::vector<std::string>& numbers) {
        std::vector<std::string> lines{kFile};
        for (std::size_t i = 0; i < numbers.size(); ++i) {
            lines.push_back("TRACK " + numbers[i] + " AUDIO");
            lines.push_back("INDEX 01 " + Time(uint32_t(i) * 20));
        }
        return Lines(lines);
    };
    c.push_back(Refused("tracks out of order", numbered({"01", "03", "02"})));
    c.push_back(Refused("a track number repeated", numbered({"01", "01"})));
    c.push_back(Refused("a track number skipped", numbered({"01", "02", "04"})));
    c.push_back(Refused("first track numbered 2", numbered({"02", "03"})));
    c.push_back(Refused("track number 0", numbered({"00", "01"})));
    c.push_back(Refused("track number 100", numbered({"01", "100"})));
    c.push_back(Refused("track number -1", numbered({"-1"})));
    c.push_back(Refused("track number with letters", numbered({"1a"})));
    c.push_back(Refused("track number of three digits", numbered({"001"})));
    c.push_back(Refused("TRACK with words after the mode", Lines({kFile, "TRACK 01 AUDIO extra", "INDEX 01 00:00:00"})));
    c.push_back(Refused("TRACK without a mode", Lines({kFile, "TRACK 01", "INDEX 01 00:00:00"})));

    // --- track modes ------------------------------------------------------------------------
    for (const char* mode : {"MODE1/2048", "MODE2/2336", "CDG", "CDI/2352", "AUDIO2"})
        c.push_back(Refused(std::string("unknown track mode ") + mode, Lines(OneFileSheet(kFile, {0}, mode))));
    for (const char* mode : {"MODE1/2352", "MODE2/2352"})
        c.push_back(Ripped(std::string("a lone data track ") + mode, Lines(OneFileSheet(kFile, {0}, mode)),
                           {{"test.bin", kBin}}, {{false, kBin}}));
    c.push_back(Ripped("a data track before the audio",
                       Lines({kFile, "TRACK 01 MODE1/2352", "INDEX 01 00:00:00", "TRACK 02 AUDIO", "INDEX 01 00:00:60"}),
                       {{"test.bin", kBin}}, {{false, Slice(kBin, 0, 60)}, {true, Slice(kBin, 60, 100)}}));
    c.push_back(Ripped("a data track after the audio",
                       Lines({kFile, "TRACK 01 AUDIO", "INDEX 01 00:00:00", "TRACK 02 MODE2/2352", "INDEX 01 00:00:60"}),
                       {{"test.bin", kBin}}, {{true, Slice(kBin, 0, 60)}, {false, Slice(kBin, 60, 100)}}));

    // --- the sheet as text ----------------------------------------------------------------------
    c.push_back(Refused("empty sheet", ""));
    c.push_back(Refused("sheet of blanks and line ends", "  \r\n\t\n\n   \r\n"));
    {
        std::string junk;
        for (int i = 0; i < 4096; ++i) junk.push_back(char((i * 7919 + 13) & 0xff));
        c.push_back(Refused("binary junk as the sheet", junk));
        std::string high;
        for (int i = 0; i < 4096; ++i) high.push_back(char(0x80 + (i * 31) % 0x7f));
        c.push_back(Refused("high bytes as the sheet", high));
        c.push_back(Refused("a NUL inside a good sheet", std::string("FILE \"test.bin\" BINARY\r\n\0", 25) + kGood));
        c.push_back(Refused("a line of half a megabyte", std::string(512 * 1024, 'A')));
        c.push_back(Refused("a sheet of three megabytes", Lines({"REM " + std::string(3 * 1024 * 1024, 'x')}) + kGood));
        c.push_back(Ripped("a sheet of almost a megabyte", Lines({"REM " + std::string(1000 * 1000, 'x')}) + kGood,
                           {{"test.bin", kBin}}, good));
    }
    c.push_back(Ripped("UTF-8 BOM and CRLF", "\xEF\xBB\xBF" + kGood, {{"test.bin", kBin}}, good));
    c.push_back(Ripped("LF line ends", Lines(OneFileSheet(kFile, {0, 60}), "\n"), {{"test.bin", kBin}}, good));
    c.push_back(Ripped("CR line ends", Lines(OneFileSheet(kFile, {0, 60}), "\r"), {{"test.bin", kBin}}, good));
    c.push_back(Ripped("no line end after the last line", kGood.substr(0, kGood.size() - 2), {{"test.bin", kBin}}, good));
    c.push_back(Ripped("lower-case keywords and tabs",
                       Lines({"file\t\"test.bin\"\tbinary", "\ttrack 01 audio", "\t\tindex 01 00:00:00", "track 02 audio",
                              "index 01 00:00:60"}),
                       {{"test.bin", kBin}}, good));
    c.push_back(Ripped("commands the drive has no use for",
                       Lines({"REM GENRE Test", "CATALOG 0000000000000", "PERFORMER \"Someone\"", "TITLE \"Corpus\"",
                              "CDTEXTFILE \"x.cdt\"", kFile, "TRACK 01 AUDIO", "FLAGS DCP", "ISRC ABCDE1234567",
                              "TITLE \"one\"", "INDEX 01 00:00:00", "POSTGAP 00:02:00", "TRACK 02 AUDIO", "PREGAP 00:02:00",
                              "SONGWRITER \"x\"", "INDEX 01 00:00:60", "UNKNOWNCOMMAND 1 2 3"}),
                       {{"test.bin", kBin}}, good));
    return c;
}

void PrintTo(const DiscCase& d, std::ostream* os) { *os << d.name; }

std::string TestName(const testing::TestParamInfo<DiscCase>& info) {
    std::string name;
    for (char c : info.param.name) name.push_back(std::isalnum(static_cast<unsigned char>(c)) ? c : '_');
    return std::to_string(info.index) + "_" + name;
}

std::string DriveText() {
    const char* l = std::getenv("CDROM_LETTER");
    const char c = (l && *l) ? *l : 'd';
    return std::string(1, char(std::toupper(static_cast<unsigned char>(c)))) + ":";
}

class MalformedDisc : public testing::TestWithParam<DiscCase> {
protected:
    void SetUp() override {
        const DiscCase& d = GetParam();
        testdisc::InsertRaw(d.cue, {});
        const std::string drive = testdisc::DriveFolderWin();
        for (const std::string& folder : d.folders) ASSERT_TRUE(CreateDirectoryA((drive + "\\" + folder).c_str(), nullptr));
        for (const auto& [name, bytes] : d.files) testing_support::WriteFileBytes(drive + "\\" + name, bytes);
    }
    void TearDown() override {
        modAKRip32::CloseDrive();
        CD_Library::CloseCD();
        testdisc::Eject();
    }
};

// The library: no TOC for no disc; else the tracks as the image has them,
// every frame as the image holds it, and not one frame past the lead-out.
TEST_P(MalformedDisc, CdAccessLibrary) {
    const DiscCase& d = GetParam();
    const bool toc = modAKRip32::OpenDriveAndReadToc(0);
    if (d.verdict == Verdict::NoDisc) {
        EXPECT_FALSE(toc);
        EXPECT_EQ(modAKRip32::GetAspiLibError(), -4);
        EXPECT_EQ(AkripRecords::TrackCount(modAKRip32::Toc), 0);
        return;
    }
    ASSERT_TRUE(toc);
    ASSERT_EQ(AkripRecords::TrackCount(modAKRip32::Toc), int(d.tracks.size()));
    win::heap_block block = modAKRip32::AllocateTrackBuffer();
    for (int row = 1; row <= int(d.tracks.size()); ++row) {
        SCOPED_TRACE("track " + std::to_string(row));
        const ExpectedTrack& want = d.tracks[row - 1];
        EXPECT_EQ(AkripRecords::IsDataTrack(modAKRip32::Toc, row), !want.audio);
        const auto range = AkripRecords::TrackRange(modAKRip32::Toc, row);
        ASSERT_TRUE(range);
        ASSERT_EQ(range->Bytes(), want.bytes.size());
        std::string read;
        for (uint32_t at = range->start; at < range->end;) {
            const uint32_t n = std::min<uint32_t>(modAKRip32::FramesPerRead, range->end - at);
            ASSERT_TRUE(modAKRip32::ReadAudioBlock(block.bytes(), at, n)) << "frame " << at;
            const auto audio = modAKRip32::BlockAudio(block.bytes(), n);
            read.append(reinterpret_cast<const char*>(audio.data()), audio.size());
            at += n;
        }
        EXPECT_TRUE(read == want.bytes);
    }
    const uint32_t leadOut = modAKRip32::TocAddressToLba(int(d.tracks.size()));
    EXPECT_FALSE(modAKRip32::ReadAudioBlock(block.bytes(), leadOut, 1));
    EXPECT_FALSE(modAKRip32::ReadAudioBlock(block.bytes(), leadOut - 1, 2));
}

// The MCI device sees the same disc, or no disc.
TEST_P(MalformedDisc, MciDevice) {
    const DiscCase& d = GetParam();
    ASSERT_TRUE(CD_Library::OpenCD(DriveText()));
    if (d.verdict == Verdict::NoDisc) {
        EXPECT_FALSE(CD_Library::IsMediaPresent());
        EXPECT_EQ(CD_Library::GetTrackCount(), 0);
        EXPECT_EQ(CD_Library::GetTotalLength(), CD_Library::NoDiscPresentText);
        return;
    }
    EXPECT_TRUE(CD_Library::IsMediaPresent());
    ASSERT_EQ(CD_Library::GetTrackCount(), int(d.tracks.size()));
    for (std::size_t i = 0; i < d.tracks.size(); ++i)
        EXPECT_EQ(CD_Library::GetTrackLength(int(i) + 1), Time(uint32_t(d.tracks[i].bytes.size() / kFrameBytes)))
            << "track " << i + 1;
}

// The headless rip: "no disc" and nothing written, or every audio track as a
// WAV holding the image's bytes of it.
TEST_P(MalformedDisc, HeadlessRip) {
    const DiscCase& d = GetParam();
    const std::string folder = ripjobtest::FreshFolder("malformed-disc-out", "rip");
    const consolerun::RunResult r = consolerun::Run("cadrel-rip.exe", {"/rip", "/format:WAV", "/out:" + folder});
    std::vector<std::string> wanted;
    for (std::size_t i = 0; i < d.tracks.size(); ++i)
        if (d.tracks[i].audio) wanted.push_back("Track " + std::to_string(i + 1) + ".wav");
    std::sort(wanted.begin(), wanted.end());
    if (d.verdict == Verdict::NoDisc) {
        EXPECT_EQ(r.exitCode, 2u) << r.output;
        EXPECT_TRUE(r.Has("cadrel: no disc in drive 0")) << r.output;
    } else if (wanted.empty()) {
        EXPECT_EQ(r.exitCode, 2u) << r.output;
        EXPECT_TRUE(r.Has("cadrel: the disc in drive 0 holds no audio track")) << r.output;
    } else {
        EXPECT_EQ(r.exitCode, 0u) << r.output;
        for (std::size_t i = 0; i < d.tracks.size(); ++i) {
            const std::string name = "Track " + std::to_string(i + 1) + ".wav";
            if (!d.tracks[i].audio) {
                EXPECT_TRUE(r.Has("\\" + name + ": left out: a data track\r\n")) << r.output;
                continue;
            }
            const std::string wav = ripjobtest::ReadAll(folder + "\\" + name);
            ASSERT_EQ(wav.size(), 44 + d.tracks[i].bytes.size()) << "track " << i + 1;
            EXPECT_TRUE(wav.compare(44, std::string::npos, d.tracks[i].bytes) == 0) << "track " << i + 1;
        }
    }
    EXPECT_EQ(ripjobtest::Entries(folder), wanted);
}

INSTANTIATE_TEST_SUITE_P(Corpus, MalformedDisc, testing::ValuesIn(Corpus()), TestName);

}  // namespace

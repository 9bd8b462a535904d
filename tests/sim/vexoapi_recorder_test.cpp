// The image recorder of the simulated engine: the cue sheet it writes for an
// audio disc, the WAV files it takes, and the BIN/CUE files it writes under
// temporary names and names only when the image is complete.

#include <gtest/gtest.h>
#include <windows.h>

#include "AudioImageWriter.h"
#include "CueSheet.h"
#include "CueWriter.h"
#include "SimConfig.h"
#include "WavSource.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using namespace vexosim;

namespace {

// ---- the cue sheet -------------------------------------------------------------

TEST(VexoSimCueWriter, TimesCountSeventyFiveSectorsASecond) {
    EXPECT_EQ(CueTime(0), "00:00:00");
    EXPECT_EQ(CueTime(74), "00:00:74");
    EXPECT_EQ(CueTime(75), "00:01:00");
    EXPECT_EQ(CueTime(150), "00:02:00");
    EXPECT_EQ(CueTime(60 * 75 + 1), "01:00:01");
    EXPECT_EQ(CueTime(99 * 60 * 75 + 59 * 75 + 74), "99:59:74");
}

TEST(VexoSimCueWriter, PregapsBecomeIndexZeroAndPositionsFollowIndexOne) {
    CueDiscPlan plan;
    plan.binName = "disc.bin";
    plan.tracks = {{150, 100, {}, "", ""}, {0, 75, {10, 20}, "", ""}, {32, 5, {4}, "", ""}};
    const std::string cue = WriteCue(plan);
    EXPECT_EQ(cue,
              "FILE \"disc.bin\" BINARY\r\n"
              "  TRACK 01 AUDIO\r\n    INDEX 00 00:00:00\r\n    INDEX 01 00:02:00\r\n"
              "  TRACK 02 AUDIO\r\n    INDEX 01 00:03:25\r\n    INDEX 02 00:03:35\r\n    INDEX 03 00:03:45\r\n"
              "  TRACK 03 AUDIO\r\n    INDEX 00 00:04:25\r\n    INDEX 01 00:04:57\r\n    INDEX 02 00:04:61\r\n");
    // The engine's own reader of cue sheets finds every track at its INDEX 01.
    std::string error;
    auto sheet = ParseCueSheet(cue, &error);
    ASSERT_TRUE(sheet.has_value()) << error;
    EXPECT_EQ(sheet->file, "disc.bin");
    ASSERT_EQ(sheet->tracks.size(), 3u);
    EXPECT_EQ(sheet->tracks[0].start, 150u);
    EXPECT_EQ(sheet->tracks[1].start, 250u);
    EXPECT_EQ(sheet->tracks[2].start, 357u);
    for (const auto& t : sheet->tracks) EXPECT_EQ(t.type, 1u);
}

TEST(VexoSimCueWriter, CdTextGivesTitlesAndPerformersOnlyWhenAskedFor) {
    CueDiscPlan plan;
    plan.binName = "a.bin";
    plan.title = "Album \"Live\"";
    plan.performer = "Band";
    plan.tracks = {{0, 1, {}, "Song", "Singer"}, {0, 1, {}, "", ""}};
    const std::string without = WriteCue(plan);
    EXPECT_EQ(without.find("TITLE"), std::string::npos);
    EXPECT_EQ(without.find("PERFORMER"), std::string::npos);
    plan.cdText = true;
    EXPECT_EQ(WriteCue(plan),
              "PERFORMER \"Band\"\r\nTITLE \"Album 'Live'\"\r\nFILE \"a.bin\" BINARY\r\n"
              "  TRACK 01 AUDIO\r\n    TITLE \"Song\"\r\n    PERFORMER \"Singer\"\r\n    INDEX 01 00:00:00\r\n"
              "  TRACK 02 AUDIO\r\n    TITLE \"\"\r\n    PERFORMER \"\"\r\n    INDEX 01 00:00:01\r\n");
    EXPECT_EQ(CueText(std::string(100, 'x')).size(), 80u);
    EXPECT_EQ(CueText("a\tb\r\nc"), "a b  c");
}

TEST(VexoSimCueWriter, IndexPositionsMustRiseInsideTheTrack) {
    EXPECT_FALSE(CheckIndexPositions({}, 1).has_value());
    EXPECT_FALSE(CheckIndexPositions({1, 2, 99}, 100).has_value());
    auto zero = CheckIndexPositions({0}, 100);
    ASSERT_TRUE(zero.has_value());
    EXPECT_NE(zero->find("INDEX 02"), std::string::npos) << *zero;
    EXPECT_TRUE(CheckIndexPositions({-5}, 100).has_value());
    auto falling = CheckIndexPositions({10, 10}, 100);
    ASSERT_TRUE(falling.has_value());
    EXPECT_NE(falling->find("INDEX 03"), std::string::npos) << *falling;
    auto beyond = CheckIndexPositions({10, 100}, 100);
    ASSERT_TRUE(beyond.has_value());
    EXPECT_NE(beyond->find("beyond the track's 100 blocks"), std::string::npos) << *beyond;
    EXPECT_TRUE(CheckIndexPositions(std::vector<std::int32_t>(99, 1), 1000).has_value());
}

TEST(VexoSimCueWriter, ImageNamesFollowTheRecorderPath) {
    auto cue = ImagePathsFor("C:\\out\\My Disc.cue");
    EXPECT_EQ(cue.cue, "C:\\out\\My Disc.cue");
    EXPECT_EQ(cue.bin, "C:\\out\\My Disc.bin");
    auto upper = ImagePathsFor("C:\\out\\x.CUE");
    EXPECT_EQ(upper.cue, "C:\\out\\x.CUE");
    EXPECT_EQ(upper.bin, "C:\\out\\x.bin");
    auto other = ImagePathsFor("C:\\out\\disc.img");
    EXPECT_EQ(other.cue, "C:\\out\\disc.img.cue");
    EXPECT_EQ(other.bin, "C:\\out\\disc.img.bin");
    auto bare = ImagePathsFor("C:\\out\\.cue");
    EXPECT_EQ(bare.cue, "C:\\out\\.cue.cue") << "a name that is only the extension";
    EXPECT_EQ(FileNamePart("C:\\a/b\\c.bin"), "c.bin");
    EXPECT_EQ(FileNamePart("c.bin"), "c.bin");
}

TEST(VexoSimCueWriter, TheRecorderKeyOfADevice) {
    SimConfig c = ParseConfig("[Device]\nName=A\nRecorder=images\\disc.cue\n[Device]\nName=B\n");
    ASSERT_EQ(c.behaviour.size(), 2u);
    EXPECT_EQ(c.behaviour[0].recorder, "images\\disc.cue");
    EXPECT_EQ(c.behaviour[1].recorder, "");
}

// ---- WAV files -------------------------------------------------------------------

void Put16(std::string& s, std::uint16_t v) { s.append({char(v), char(v >> 8)}); }
void Put32(std::string& s, std::uint32_t v) { s.append({char(v), char(v >> 8), char(v >> 16), char(v >> 24)}); }

// A WAVE file: fmt (PCM unless given), an optional chunk before the data, the data.
std::string Wave(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits, const std::string& pcm,
                 const std::string& before = "", std::uint16_t format = 1, std::int64_t dataSize = -1) {
    std::string fmt;
    Put16(fmt, format);
    Put16(fmt, channels);
    Put32(fmt, rate);
    Put32(fmt, rate * channels * bits / 8);
    Put16(fmt, static_cast<std::uint16_t>(channels * bits / 8));
    Put16(fmt, bits);
    std::string body = "WAVEfmt ";
    Put32(body, static_cast<std::uint32_t>(fmt.size()));
    body += fmt + before + "data";
    Put32(body, dataSize < 0 ? static_cast<std::uint32_t>(pcm.size()) : static_cast<std::uint32_t>(dataSize));
    body += pcm;
    std::string file = "RIFF";
    Put32(file, static_cast<std::uint32_t>(body.size()));
    return file + body;
}

std::optional<WavLayout> Parse(const std::string& file, std::string& why) {
    return ParseWav(
        [&](std::uint64_t at, void* buffer, std::size_t n) {
            if (at > file.size() || n > file.size() - at) return false;
            std::memcpy(buffer, file.data() + at, n);
            return true;
        },
        file.size(), why);
}

TEST(VexoSimWav, TheDataChunkIsFoundPastOtherChunks) {
    std::string why;
    const std::string pcm(4 * 1001, '\x5A');
    auto plain = Parse(Wave(2, 44100, 16, pcm), why);
    ASSERT_TRUE(plain.has_value()) << why;
    EXPECT_EQ(plain->dataOffset, 44u);
    EXPECT_EQ(plain->dataBytes, pcm.size());
    EXPECT_EQ(NotCdAudio(*plain), "");
    // An odd-sized chunk before the data is followed by its pad byte.
    std::string list = "LIST";
    Put32(list, 3);
    list += "abc";
    list += '\0';
    auto padded = Parse(Wave(2, 44100, 16, pcm, list), why);
    ASSERT_TRUE(padded.has_value()) << why;
    EXPECT_EQ(padded->dataOffset, 44u + 12);
    EXPECT_EQ(padded->dataBytes, pcm.size());
    // A data size beyond the file (a stream never finished) holds what is there.
    auto open = Parse(Wave(2, 44100, 16, pcm, "", 1, 0xFFFFFFFFll), why);
    ASSERT_TRUE(open.has_value()) << why;
    EXPECT_EQ(open->dataBytes, pcm.size());
}

TEST(VexoSimWav, OnlyCdAudioIsCdAudio) {
    std::string why;
    auto mono = Parse(Wave(1, 44100, 16, "abcd"), why);
    ASSERT_TRUE(mono.has_value());
    EXPECT_EQ(NotCdAudio(*mono), "44100 Hz 16-bit 1-channel PCM");
    auto rate = Parse(Wave(2, 48000, 16, "abcd"), why);
    EXPECT_EQ(NotCdAudio(*rate), "48000 Hz 16-bit 2-channel PCM");
    auto bits = Parse(Wave(2, 44100, 24, "abcdef"), why);
    EXPECT_EQ(NotCdAudio(*bits), "44100 Hz 24-bit 2-channel PCM");
    auto floats = Parse(Wave(2, 44100, 32, "abcdefgh", "", 3), why);
    EXPECT_EQ(NotCdAudio(*floats), "44100 Hz 32-bit 2-channel audio that is not PCM");
}

TEST(VexoSimWav, FilesThatAreNoWaveAreRefusedWithAReason) {
    std::string why;
    EXPECT_FALSE(Parse("", why).has_value());
    EXPECT_EQ(why, "not a RIFF/WAVE file");
    EXPECT_FALSE(Parse("RIFF\x04\0\0\0AVI LIST", why).has_value());
    EXPECT_EQ(why, "not a RIFF/WAVE file");
    std::string noFormat = "RIFF";
    Put32(noFormat, 12);
    noFormat += "WAVEdata";
    Put32(noFormat, 0);
    EXPECT_FALSE(Parse(noFormat, why).has_value());
    EXPECT_EQ(why, "the \"data\" chunk comes before the \"fmt \" chunk");
    std::string wave = Wave(2, 44100, 16, "");
    EXPECT_FALSE(Parse(wave.substr(0, 36), why).has_value()) << "cut before the data chunk";
    EXPECT_EQ(why, "no \"data\" chunk");
    EXPECT_FALSE(Parse(wave.substr(0, 24), why).has_value());
    EXPECT_EQ(why, "the \"fmt \" chunk is cut short");
}

// ---- the image files ---------------------------------------------------------------

class VexoSimImageWriter : public ::testing::Test {
protected:
    void SetUp() override {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        dir_ = std::string(temp) + "vexosim-recorder-" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(dir_.c_str(), nullptr);
    }
    void TearDown() override {
        for (const char* name : {"disc.cue", "disc.bin", "disc.cue.partial", "disc.bin.partial", "in.wav"})
            DeleteFileA((dir_ + "\\" + name).c_str());
        RemoveDirectoryA(dir_.c_str());
    }
    std::string Path(const char* name) const { return dir_ + "\\" + name; }
    static bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
    static std::string Read(const std::string& path) {
        std::ifstream f(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(f), {});
    }
    static void Write(const std::string& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    std::string dir_;
};

TEST_F(VexoSimImageWriter, AudioIsPaddedToWholeSectorsAndNamedOnlyAtTheCommit) {
    std::string pcm;
    for (int i = 0; i < 2352 + 100; ++i) pcm += static_cast<char>(i * 7 + 1);
    Write(Path("in.wav"), Wave(2, 44100, 16, pcm));
    {
        AudioImageWriter w(ImagePathsFor(Path("disc.cue")));
        std::string why;
        ASSERT_TRUE(w.Open(why)) << why;
        ASSERT_TRUE(w.WriteSilence(2));
        ASSERT_TRUE(w.AppendWav(Path("in.wav"), why)) << why;
        EXPECT_EQ(w.Sectors(), 4u);
        const std::uint8_t pattern[3] = {1, 2, 3};
        ASSERT_TRUE(w.Write(pattern, 3));
        ASSERT_TRUE(w.PadToSector());
        EXPECT_EQ(w.Bytes(), 5u * 2352);
        EXPECT_TRUE(Exists(Path("disc.bin.partial")));
        EXPECT_FALSE(Exists(Path("disc.bin"))) << "no final name while the image is written";
        ASSERT_TRUE(w.Commit("FILE \"disc.bin\" BINARY\r\n", why)) << why;
    }
    EXPECT_FALSE(Exists(Path("disc.bin.partial")));
    EXPECT_FALSE(Exists(Path("disc.cue.partial")));
    EXPECT_EQ(Read(Path("disc.cue")), "FILE \"disc.bin\" BINARY\r\n");
    const std::string bin = Read(Path("disc.bin"));
    ASSERT_EQ(bin.size(), 5u * 2352);
    EXPECT_EQ(bin.substr(0, 2 * 2352), std::string(2 * 2352, '\0'));
    EXPECT_EQ(bin.substr(2 * 2352, pcm.size()), pcm);
    EXPECT_EQ(bin.substr(2 * 2352 + pcm.size(), 4 * 2352 - 2 * 2352 - pcm.size()),
              std::string(4 * 2352 - 2 * 2352 - pcm.size(), '\0'));
    EXPECT_EQ(bin.substr(4 * 2352, 4), std::string("\x01\x02\x03\0", 4));

    // A second image replaces the first at the commit.
    AudioImageWriter again(ImagePathsFor(Path("disc.cue")));
    std::string why;
    ASSERT_TRUE(again.Open(why));
    ASSERT_TRUE(again.WriteSilence(1));
    EXPECT_EQ(Read(Path("disc.bin")).size(), 5u * 2352) << "the old image stays until the commit";
    ASSERT_TRUE(again.Commit("new", why)) << why;
    EXPECT_EQ(Read(Path("disc.bin")).size(), 2352u);
    EXPECT_EQ(Read(Path("disc.cue")), "new");
}

TEST_F(VexoSimImageWriter, AnImageNeverCommittedLeavesNothing) {
    Write(Path("in.wav"), Wave(1, 22050, 16, "abcd"));
    {
        AudioImageWriter w(ImagePathsFor(Path("disc.cue")));
        std::string why;
        ASSERT_TRUE(w.Open(why));
        ASSERT_TRUE(w.WriteSilence(3));
        EXPECT_FALSE(w.AppendWav(Path("in.wav"), why));
        EXPECT_NE(why.find("22050 Hz 16-bit 1-channel PCM, not 44.1 kHz 16-bit stereo PCM"), std::string::npos) << why;
        EXPECT_FALSE(w.AppendWav(Path("missing.wav"), why));
        EXPECT_NE(why.find("cannot open"), std::string::npos) << why;
        Write(Path("in.wav"), "RIFF....AVI ");
        EXPECT_FALSE(w.AppendWav(Path("in.wav"), why));
        EXPECT_NE(why.find("not a RIFF/WAVE file"), std::string::npos) << why;
    }
    EXPECT_FALSE(Exists(Path("disc.bin.partial")));
    EXPECT_FALSE(Exists(Path("disc.bin")));
    EXPECT_FALSE(Exists(Path("disc.cue")));

    // A raw PCM file (what a decoder leaves) goes in whole, padded.
    Write(Path("in.wav"), std::string(2353, '\x11'));
    {
        AudioImageWriter w(ImagePathsFor(Path("disc.cue")));
        std::string why;
        ASSERT_TRUE(w.Open(why));
        ASSERT_TRUE(w.AppendPcmFile(Path("in.wav"), why)) << why;
        EXPECT_EQ(w.Bytes(), 2u * 2352);
        EXPECT_FALSE(w.AppendPcmFile(Path("missing.pcm"), why));
        EXPECT_NE(why.find("cannot open"), std::string::npos) << why;
    }
    EXPECT_FALSE(Exists(Path("disc.bin.partial")));

    AudioImageWriter nowhere(ImagePathsFor(Path("no such folder\\disc.cue")));
    std::string why;
    EXPECT_FALSE(nowhere.Open(why));
    EXPECT_NE(why.find("cannot make"), std::string::npos) << why;
    EXPECT_FALSE(nowhere.Write("x", 1));
    EXPECT_FALSE(nowhere.Commit("x", why));
}

}  // namespace

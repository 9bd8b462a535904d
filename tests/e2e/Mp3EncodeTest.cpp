// Encodes known signals through lame_enc.dll one CD frame per call and keeps
// the files in the program folder's mp3-e2e/ for the host-side checks
// (check_mp3.py decodes them with ffmpeg and parses every frame header).
// Also: what a refused configuration and a missing library give.
#include <gtest/gtest.h>
#include <windows.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "EncoderConfig.h"
#include "modLAME.h"

namespace {

constexpr double Pi = 3.14159265358979323846;
constexpr uint32_t ToneFrames = 300;  // 4 seconds

// Left 1000 Hz, right 440 Hz, as CD frames (interleaved 16-bit LE stereo).
std::vector<uint8_t> StereoTone(uint32_t frames) {
    std::vector<uint8_t> pcm(std::size_t(frames) * modLAME::FrameBytes);
    const std::size_t pairs = pcm.size() / 4;
    for (std::size_t i = 0; i < pairs; ++i) {
        const double t = double(i) / 44100.0;
        const auto l = static_cast<int16_t>(std::lround(12000.0 * std::sin(2 * Pi * 1000.0 * t)));
        const auto r = static_cast<int16_t>(std::lround(12000.0 * std::sin(2 * Pi * 440.0 * t)));
        uint8_t* p = &pcm[i * 4];
        p[0] = uint8_t(l & 0xFF);
        p[1] = uint8_t((l >> 8) & 0xFF);
        p[2] = uint8_t(r & 0xFF);
        p[3] = uint8_t((r >> 8) & 0xFF);
    }
    return pcm;
}

// Any object with WriteBytes/FlushBuffers serves as the output file.
class OutFile {
public:
    explicit OutFile(const std::string& path) : f_(std::fopen(path.c_str(), "wb")) {}
    ~OutFile() {
        if (f_) std::fclose(f_);
    }
    bool ok() const { return f_ != nullptr; }
    bool WriteBytes(const uint8_t* p, uint32_t n) {
        writes++;
        written += n;
        return std::fwrite(p, 1, n, f_) == n;
    }
    bool FlushBuffers() {
        flushes++;
        return std::fflush(f_) == 0;
    }
    int writes = 0, flushes = 0;
    uint64_t written = 0;

private:
    std::FILE* f_;
};

std::string OutDir() {
    std::filesystem::create_directories("mp3-e2e");
    return "mp3-e2e\\";
}

uint64_t FileSize(const std::string& path) {
    std::error_code ec;
    const auto n = std::filesystem::file_size(path, ec);
    return ec ? 0 : n;
}

// The rip routine's order: one encoder call per frame, a flush after every
// block of 26 frames, the stream finished at the end.
uint64_t EncodeToFile(const EncoderConfig& config, const std::vector<uint8_t>& pcm, const std::string& path) {
    modLAME::EncoderStream enc;
    const AppError e = enc.Start(config);
    EXPECT_FALSE(e) << e.number << " " << e.source << " " << e.description;
    if (e) return 0;
    EXPECT_GT(enc.BufferSize(), 0u);
    OutFile out(path);
    EXPECT_TRUE(out.ok()) << path;
    if (!out.ok()) return 0;
    const std::size_t frames = pcm.size() / modLAME::FrameBytes;
    uint64_t produced = 0;
    for (std::size_t f = 0; f < frames; ++f) {
        produced += enc.EncodeFrame(&pcm[f * modLAME::FrameBytes], modLAME::FrameBytes, out);
        if ((f + 1) % 26 == 0 || f + 1 == frames) out.FlushBuffers();
    }
    produced += enc.Finish(out);
    enc.Close();
    EXPECT_EQ(out.written, produced);
    return produced;
}

TEST(Mp3Encode, ToneAt160NormalOneFramePerCall) {
    const std::string path = OutDir() + "tone-160-normal.mp3";
    const auto cfg = EncoderConfig::FromSelection("160", EncoderLists::QualityIndexOf("Normal"));
    const uint64_t n = EncodeToFile(cfg, StereoTone(ToneFrames), path);
    // 4 s at 160 kbit/s is about 80,000 bytes.
    EXPECT_GT(n, 70000u);
    EXPECT_LT(n, 95000u);
    EXPECT_EQ(FileSize(path), n);
}

TEST(Mp3Encode, ToneAt320StudioOneFramePerCall) {
    const std::string path = OutDir() + "tone-320-studio.mp3";
    const auto cfg = EncoderConfig::FromSelection("320", EncoderLists::QualityIndexOf("Studio"));
    const uint64_t n = EncodeToFile(cfg, StereoTone(ToneFrames), path);
    EXPECT_GT(n, 140000u);
    EXPECT_LT(n, 190000u);
    EXPECT_EQ(FileSize(path), n);
}

TEST(Mp3Encode, ZeroFramesGiveOnlyWhatFinishReturns) {
    const std::string path = OutDir() + "zero-frames.mp3";
    modLAME::EncoderStream enc;
    ASSERT_FALSE(enc.Start(EncoderConfig::FromSelection("160", 1)));
    OutFile out(path);
    ASSERT_TRUE(out.ok());
    const uint32_t last = enc.Finish(out);
    const std::vector<uint8_t> finished(enc.Output().begin(), enc.Output().end());
    enc.Close();
    EXPECT_EQ(out.written, last);
    EXPECT_EQ(out.writes, last > 0 ? 1 : 0);
    EXPECT_EQ(finished.size(), last);
}

TEST(Mp3Encode, OutputSpanHoldsExactlyTheBytesOfTheLastCall) {
    modLAME::EncoderStream enc;
    ASSERT_FALSE(enc.Start(EncoderConfig::FromSelection("128", 1)));
    const auto pcm = StereoTone(40);
    uint64_t viaSink = 0, viaReturn = 0;
    for (uint32_t f = 0; f < 40; ++f) {
        viaReturn += enc.EncodeFrame(&pcm[f * modLAME::FrameBytes], modLAME::FrameBytes,
                                     [&](const uint8_t* p, uint32_t n) {
                                         EXPECT_EQ(p, enc.Output().data());
                                         EXPECT_EQ(n, enc.Output().size());
                                         viaSink += n;
                                     });
        EXPECT_EQ(enc.Output().size(), enc.LastProduced());
        EXPECT_LE(enc.LastProduced(), enc.BufferSize());
    }
    EXPECT_GT(viaReturn, 0u);  // 40 frames are well past the encoder's delay
    EXPECT_EQ(viaSink, viaReturn);
}

// The record carries one frame's worth of samples per call and no more: a
// short buffer is refused without reaching the encoder.
TEST(Mp3Encode, ShortOrMissingFrameIsRefused) {
    modLAME::EncoderStream enc;
    ASSERT_FALSE(enc.Start(EncoderConfig::FromSelection("160", 1)));
    std::vector<uint8_t> shortFrame(modLAME::FrameBytes - 1, 0x11);
    EXPECT_EQ(enc.EncodeFrame(shortFrame.data(), shortFrame.size()), 0u);
    EXPECT_EQ(enc.EncodeFrame(nullptr, modLAME::FrameBytes), 0u);
    enc.Close();
}

TEST(Mp3Encode, CallsOnAStreamThatIsNotOpenDoNothing) {
    modLAME::EncoderStream enc;
    std::vector<uint8_t> frame(modLAME::FrameBytes, 0);
    EXPECT_FALSE(enc.IsOpen());
    EXPECT_EQ(enc.EncodeFrame(frame.data()), 0u);
    EXPECT_EQ(enc.Finish(), 0u);
    EXPECT_TRUE(enc.Output().empty());
    enc.Close();
    enc.Close();
    ASSERT_FALSE(enc.Start(EncoderConfig::FromSelection("160", 1)));
    enc.Close();
    EXPECT_FALSE(enc.IsOpen());
    EXPECT_EQ(enc.Finish(), 0u);
}

TEST(Mp3Encode, RestartingAnOpenStreamStartsAFreshOne) {
    modLAME::EncoderStream enc;
    ASSERT_FALSE(enc.Start(EncoderConfig::FromSelection("160", 1)));
    ASSERT_FALSE(enc.Start(EncoderConfig::FromSelection("320", 9)));
    EXPECT_TRUE(enc.IsOpen());
}

// --- refused configurations ----------------------------------------------

TEST(Mp3EncodeFailure, InvalidChannelModeIsTheLameErrorWithItsText) {
    EncoderConfig cfg = EncoderConfig::FromSelection("160", 1);
    cfg.SetU32(EncoderConfigLayout::Mode, 7);
    modLAME::EncoderStream enc;
    const AppError e = enc.Start(cfg);
    EXPECT_EQ(e.number, 2);
    EXPECT_EQ(e.source, "Lame");
    EXPECT_EQ(e.description, "Invalid format parameters");
    EXPECT_FALSE(enc.IsOpen());
    EXPECT_EQ(enc.BufferSize(), 0u);
}

// The encoder falls back to the nearest bitrate it can write (0 and 999 are
// accepted), but a record it cannot read as the LAME layout is refused.
TEST(Mp3EncodeFailure, RecordOfAnotherLayoutIsRefused) {
    EncoderConfig cfg = EncoderConfig::FromSelection("160", 1);
    cfg.SetU32(EncoderConfigLayout::ConfigKind, 0);
    modLAME::EncoderStream enc;
    const AppError e = enc.Start(cfg);
    EXPECT_EQ(e.number, 2);
    EXPECT_EQ(e.source, "Lame");
    EXPECT_EQ(e.description, "Invalid format parameters");
    EXPECT_FALSE(enc.IsOpen());
}

TEST(Mp3EncodeFailure, RefusedConfigurationLeavesTheBindingUsable) {
    EncoderConfig bad = EncoderConfig::FromSelection("160", 1);
    bad.SetU32(EncoderConfigLayout::Mode, 9);
    for (int i = 0; i < 20; ++i) {
        modLAME::EncoderStream enc;
        ASSERT_TRUE(enc.Start(bad));
    }
    modLAME::EncoderStream good;
    EXPECT_FALSE(good.Start(EncoderConfig::FromSelection("160", 1)));
}

}  // namespace

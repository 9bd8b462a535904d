// rip_bench OUTFOLDER [TRACK [READ_PASSES]]: throughput of the ripper's core on
// the disc in the first drive of the CD access library (the virtual drive
// here). Prints figures only; asserts nothing.
//   read:   the whole disc through ReadCDAudioLBA in 26-frame blocks, READ_PASSES
//           times (default 5); one figure per pass
//   wav:    track TRACK, written to "Track N.wav" with a flush after every block
//   mp3:    the same, encoded at 160 kbit/s "Normal" one frame per encoder
//           call, written to "Track N.mp3" with a flush after every block;
//           with timing counters for its parts (read, encode, write, flush)
//   encode: the encoder alone over the track's audio held in memory, at 160
//           and at 320 kbit/s
// Lines "figure NAME VALUE" are for bench/run, which adds native LAME and
// the program's headless mode.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "AkripRecords.h"
#include "EncoderConfig.h"
#include "clsFileIo.h"
#include "modAKRip32.h"
#include "modLAME.h"

namespace {

constexpr uint32_t FrameBytes = AkripRecords::BytesPerFrame;

double Now() {
    static LARGE_INTEGER freq = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return double(t.QuadPart) / double(freq.QuadPart);
}

bool ReadBlock(std::span<uint8_t> block, uint32_t current, uint32_t n) {
    for (int attempt = 0; attempt < 3; ++attempt)
        if (modAKRip32::ReadAudioBlock(block, current, n)) return true;
    return false;
}

// Reads [start, end) in 26-frame blocks, handing each block to `use`.
template <class Use>
bool ReadRange(uint32_t start, uint32_t end, Use&& use) {
    win::heap_block block = modAKRip32::AllocateTrackBuffer();
    if (!block) return false;
    uint32_t remaining = end - start, current = start, n = modAKRip32::FramesPerRead;
    while (remaining > 0) {
        if (remaining < n) n = remaining;
        if (!ReadBlock(block.bytes(), current, n)) {
            std::printf("read failed at frame %u: %s\n", current, modAKRip32::AspiErrorText().c_str());
            return false;
        }
        use(modAKRip32::BlockAudio(block.bytes(), n), n);
        current += n;
        remaining -= n;
    }
    return true;
}

// Seconds spent in each part of a rip loop.
struct Counters {
    double read = 0, encode = 0, write = 0, flush = 0;
};

// Adds the time since the last mark (or since construction) to a counter.
class Stopwatch {
public:
    void Mark(double& counter) {
        const double now = Now();
        counter += now - last_;
        last_ = now;
    }

private:
    double last_ = Now();
};

void Report(const char* name, double seconds, uint32_t frames) {
    const double mb = double(frames) * FrameBytes / 1e6;
    const double audio = frames / double(AkripRecords::FramesPerSecond);
    std::printf("%-8s %8.3f s  %8.1f MB/s  %7.1fx realtime\n", name, seconds, mb / seconds, audio / seconds);
    std::printf("figure %s %.6f\n", name, seconds);
}

}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    if (argc < 2) {
        std::printf("usage: rip_bench OUTFOLDER [TRACK]\n");
        return 2;
    }
    std::string out = argv[1];
    if (out.empty() || out.back() != '\\') out += '\\';
    const int track = argc > 2 ? std::atoi(argv[2]) : 1;
    const int passes = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;
    char exe[MAX_PATH + 1] = {};
    std::string folder(exe, GetModuleFileNameA(nullptr, exe, MAX_PATH));
    folder.resize(folder.find_last_of('\\') + 1);

    if (modAKRip32::GetNumAdapters() < 1 || !modAKRip32::OpenDriveAndReadToc(0) || track < 1 || track > 99 ||
        modAKRip32::TocAddressToLba(track) == 0) {
        std::printf("no disc, or no track %d: %s\n", track, modAKRip32::AspiErrorText().c_str());
        return 1;
    }
    const uint32_t start = modAKRip32::TocAddressToLba(track - 1), end = modAKRip32::TocAddressToLba(track);
    const uint32_t frames = end - start;
    std::printf("track %d: %u frames, %.1f s of audio, %.1f MB\n", track, frames,
                frames / double(AkripRecords::FramesPerSecond), double(frames) * FrameBytes / 1e6);
    std::printf("figure frames %u\n", frames);

    // Read only: the whole disc, several passes (one track from the page
    // cache takes a few hundredths of a second, too short to time).
    const uint32_t discStart = modAKRip32::TocAddressToLba(0);
    uint32_t discEnd = discStart;
    for (int t = 1; t <= 99 && modAKRip32::TocAddressToLba(t) > discEnd; ++t) discEnd = modAKRip32::TocAddressToLba(t);
    std::printf("figure disc_frames %u\n", discEnd - discStart);
    uint64_t sum = 0;
    double t0 = 0;
    for (int pass = 0; pass < passes; ++pass) {
        t0 = Now();
        if (!ReadRange(discStart, discEnd, [&](std::span<const uint8_t> a, uint32_t) { sum += a[0]; })) return 1;
        Report("read", Now() - t0, discEnd - discStart);
    }

    // WAV rip.
    const std::string name = "Track " + std::to_string(track);
    t0 = Now();
    Counters wav;
    {
        clsFileIo file;
        file.OpenFile(out + name + ".wav");
        file.writeWavHeader(frames * FrameBytes);
        Stopwatch watch;
        ReadRange(start, end, [&](std::span<const uint8_t> a, uint32_t) {
            watch.Mark(wav.read);
            file.WriteBytes(a);
            watch.Mark(wav.write);
            file.FlushBuffers();
            watch.Mark(wav.flush);
        });
        file.CloseFile();
    }
    Report("wav", Now() - t0, frames);
    std::printf("figure wav_read %.6f\nfigure wav_write %.6f\nfigure wav_flush %.6f\n", wav.read, wav.write,
                wav.flush);

    // MP3 rip, 160 kbit/s "Normal".
    const auto config = EncoderConfig::FromSelection("160", EncoderLists::QualityIndexOf("Normal"));
    SetCurrentDirectoryA(folder.c_str());
    t0 = Now();
    Counters mp3;
    {
        modLAME::EncoderStream enc;
        if (AppError e = enc.Start(config)) {
            std::printf("encoder: %s (%d)\n", e.description.c_str(), e.number);
            return 1;
        }
        clsFileIo file;
        file.OpenFile(out + name + ".mp3");
        // As the rip job does: a block's MP3 bytes in one write before its flush.
        std::vector<uint8_t> blockOutput;
        Stopwatch watch;
        ReadRange(start, end, [&](std::span<const uint8_t> a, uint32_t n) {
            watch.Mark(mp3.read);
            for (uint32_t f = 0; f < n; ++f) {
                enc.EncodeFrame(a.data() + f * FrameBytes);
                blockOutput.insert(blockOutput.end(), enc.Output().begin(), enc.Output().end());
            }
            watch.Mark(mp3.encode);
            file.WriteBytes(blockOutput);
            blockOutput.clear();
            watch.Mark(mp3.write);
            file.FlushBuffers();
            watch.Mark(mp3.flush);
        });
        enc.Finish(file);
        file.CloseFile();
    }
    Report("mp3", Now() - t0, frames);
    std::printf("figure mp3_read %.6f\nfigure mp3_encode %.6f\nfigure mp3_write %.6f\nfigure mp3_flush %.6f\n",
                mp3.read, mp3.encode, mp3.write, mp3.flush);

    // The encoder alone, from memory.
    std::vector<uint8_t> pcm;
    pcm.reserve(std::size_t(frames) * FrameBytes);
    ReadRange(start, end, [&](std::span<const uint8_t> a, uint32_t) { pcm.insert(pcm.end(), a.begin(), a.end()); });
    for (const char* kbps : {"160", "320"}) {
        const std::string label = std::string("encode") + (kbps == std::string("160") ? "" : kbps);
        t0 = Now();
        modLAME::EncoderStream enc;
        enc.Start(EncoderConfig::FromSelection(kbps, EncoderLists::QualityIndexOf("Normal")));
        uint64_t bytes = 0;
        for (uint32_t f = 0; f < frames; ++f) bytes += enc.EncodeFrame(&pcm[std::size_t(f) * FrameBytes]);
        bytes += enc.Finish();
        Report(label.c_str(), Now() - t0, frames);
        std::printf("figure %s_bytes %llu\n", label.c_str(), static_cast<unsigned long long>(bytes));
    }
    modAKRip32::CloseDrive();
    return sum == 0xFFFFFFFFFFFFFFFFull;  // keeps the read loop's work observable
}

// rip_bench OUTFOLDER [TRACK]: throughput of the ripper's core on the disc in
// the first drive of the CD access library (the virtual drive here). Prints
// figures only; asserts nothing.
//   read: the whole track through ReadCDAudioLBA in 26-frame blocks
//   wav:  the same, written to "Track N.wav" with a flush after every block
//   mp3:  the same, encoded at 160 kbit/s "Normal" one frame per encoder call,
//         written to "Track N.mp3" with a flush after every block
//   encode: the encoder alone over the track's audio held in memory
// Lines "figure NAME SECONDS" are for bench/run, which adds native LAME.
#include <windows.h>

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

    // Read only.
    double t0 = Now();
    uint64_t sum = 0;
    if (!ReadRange(start, end, [&](std::span<const uint8_t> a, uint32_t) { sum += a[0]; })) return 1;
    Report("read", Now() - t0, frames);

    // WAV rip.
    const std::string name = "Track " + std::to_string(track);
    t0 = Now();
    {
        clsFileIo file;
        file.OpenFile(out + name + ".wav");
        file.writeWavHeader(frames * FrameBytes);
        ReadRange(start, end, [&](std::span<const uint8_t> a, uint32_t) {
            file.WriteBytes(a);
            file.FlushBuffers();
        });
        file.CloseFile();
    }
    Report("wav", Now() - t0, frames);

    // MP3 rip, 160 kbit/s "Normal".
    const auto config = EncoderConfig::FromSelection("160", EncoderLists::QualityIndexOf("Normal"));
    SetCurrentDirectoryA(folder.c_str());
    t0 = Now();
    {
        modLAME::EncoderStream enc;
        if (AppError e = enc.Start(config)) {
            std::printf("encoder: %s (%d)\n", e.description.c_str(), e.number);
            return 1;
        }
        clsFileIo file;
        file.OpenFile(out + name + ".mp3");
        ReadRange(start, end, [&](std::span<const uint8_t> a, uint32_t n) {
            for (uint32_t f = 0; f < n; ++f) enc.EncodeFrame(a.data() + f * FrameBytes, FrameBytes, file);
            file.FlushBuffers();
        });
        enc.Finish(file);
        file.CloseFile();
    }
    Report("mp3", Now() - t0, frames);

    // The encoder alone, from memory.
    std::vector<uint8_t> pcm;
    pcm.reserve(std::size_t(frames) * FrameBytes);
    ReadRange(start, end, [&](std::span<const uint8_t> a, uint32_t) { pcm.insert(pcm.end(), a.begin(), a.end()); });
    t0 = Now();
    {
        modLAME::EncoderStream enc;
        enc.Start(config);
        uint64_t bytes = 0;
        for (uint32_t f = 0; f < frames; ++f) bytes += enc.EncodeFrame(&pcm[std::size_t(f) * FrameBytes]);
        bytes += enc.Finish();
        std::printf("figure mp3_bytes %llu\n", static_cast<unsigned long long>(bytes));
    }
    Report("encode", Now() - t0, frames);
    modAKRip32::CloseDrive();
    return sum == 0xFFFFFFFFFFFFFFFFull;  // keeps the read loop's work observable
}

// cadrel-core-demo OUTFOLDER: shows the disc-reading and file-output core on
// its own, without windows. Lists the CD-ROM drive letters, the CD access
// library's drives and the MCI lengths of the disc in the first CD-ROM drive,
// then rips track 1 of the library's first drive to "Track 1.wav" and
// "Track 1.mp3" (160 kbit/s, "Normal") in OUTFOLDER: 26-frame blocks, up to
// three read attempts per block, a flush after every block, one encoder call
// per frame. Exit code 0 when both files were written in full.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "AkripRecords.h"
#include "CD_Library.h"
#include "EncoderConfig.h"
#include "clsFileIo.h"
#include "modAKRip32.h"
#include "modLAME.h"
#include "modcd.h"

namespace {

constexpr int ReadAttempts = 3;
constexpr uint32_t FrameBytes = AkripRecords::BytesPerFrame;

std::string AddBackslash(const std::string& folder) {
    return !folder.empty() && folder.back() == '\\' ? folder : folder + "\\";
}

std::string ProgramFolder() {
    char path[MAX_PATH + 1] = {};
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s(path, n < MAX_PATH ? n : 0);
    const auto slash = s.find_last_of('\\');
    return slash == std::string::npos ? std::string() : s.substr(0, slash + 1);
}

bool ReadBlock(std::span<uint8_t> block, uint32_t current, uint32_t n) {
    for (int attempt = 0; attempt < ReadAttempts; ++attempt)
        if (modAKRip32::ReadAudioBlock(block, current, n)) return true;
    std::printf("  read of frames %u..%u failed: %s\n", current, current + n - 1,
                modAKRip32::AspiErrorText().c_str());
    return false;
}

// Reads [start, end) block by block and hands each block's audio to `use`.
// False when a block could not be read.
template <class Use>
bool ReadRange(const char* what, uint32_t start, uint32_t end, Use&& use) {
    win::heap_block block = modAKRip32::AllocateTrackBuffer();
    if (!block) return false;
    const uint32_t total = end - start;
    uint32_t remaining = total, current = start, n = modAKRip32::FramesPerRead, reports = 0;
    while (remaining > 0) {
        if (remaining < n) n = remaining;
        if (!ReadBlock(block.bytes(), current, n)) return false;
        use(modAKRip32::BlockAudio(block.bytes(), n), n);
        current += n;
        remaining -= n;
        // About one progress line per 10 seconds of audio, and the last.
        if (++reports % 29 == 0 || remaining == 0)
            std::printf("  %s: %u of %u frames (%.0f%%)\n", what, total - remaining, total,
                        total ? 100.0 * (total - remaining) / total : 100.0);
    }
    return true;
}

bool RipToWav(const std::string& path, uint32_t start, uint32_t end) {
    std::printf("Extracting track %s\n", path.c_str());
    clsFileIo file;
    if (!file.OpenFile(path)) {
        std::printf("  cannot create %s\n", path.c_str());
        return false;
    }
    file.writeWavHeader((end - start) * FrameBytes);
    const bool ok = ReadRange("WAV", start, end, [&](std::span<const uint8_t> audio, uint32_t) {
        file.WriteBytes(audio);
        file.FlushBuffers();
    });
    file.CloseFile();
    return ok;
}

bool RipToMp3(const std::string& path, uint32_t start, uint32_t end, const EncoderConfig& config) {
    std::printf("Extracting track %s\n", path.c_str());
    SetCurrentDirectoryA(ProgramFolder().c_str());  // the encoder library lies there
    modLAME::EncoderStream encoder;
    if (AppError e = encoder.Start(config)) {
        std::printf("  Critical error...: %s (%s %d)\n", e.description.c_str(), e.source.c_str(), e.number);
        return false;
    }
    clsFileIo file;
    if (!file.OpenFile(path)) {
        std::printf("  cannot create %s\n", path.c_str());
        return false;
    }
    const bool ok = ReadRange("MP3", start, end, [&](std::span<const uint8_t> audio, uint32_t frames) {
        for (uint32_t f = 0; f < frames; ++f) encoder.EncodeFrame(audio.data() + f * FrameBytes, FrameBytes, file);
        file.FlushBuffers();
    });
    encoder.Finish(file);
    file.CloseFile();
    encoder.Close();
    return ok;
}

std::string IdText(const AkripRecords::CdRecordBytes& rec) {
    std::string s(reinterpret_cast<const char*>(rec.data() + AkripRecords::CdRecord::Id),
                  AkripRecords::CdRecord::IdLength);
    return s.substr(0, s.find('\0'));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::printf("usage: cadrel-core-demo OUTFOLDER\n");
        return 2;
    }
    const std::string outFolder = AddBackslash(argv[1]);
    std::setvbuf(stdout, nullptr, _IONBF, 0);

    std::vector<std::string> drives;
    modcd::ListLogicalDrives(drives, modcd::DriveCdRom);
    std::printf("CD-ROM drives:\n");
    for (const auto& d : drives) std::printf("  %s\n", d.c_str());

    const int adapters = modAKRip32::GetNumAdapters();
    std::printf("CD access library drives: %d\n", adapters);
    for (int i = 0; i < adapters && i < AkripRecords::CdList::RecordCount; ++i)
        std::printf("  %d: %s\n", i, IdText(modAKRip32::GetCDRecord(i)).c_str());

    if (!drives.empty() && CD_Library::OpenCD(drives.front())) {
        std::printf("Disc length: %s\n", CD_Library::GetTotalLength().c_str());
        const int tracks = CD_Library::GetTrackCount();
        for (int t = 1; t <= tracks; ++t) std::printf("  track %d: %s\n", t, CD_Library::GetTrackLength(t).c_str());
    } else {
        std::printf("MCI: the cdaudio device could not be opened\n");
    }

    if (adapters < 1 || !modAKRip32::OpenDriveAndReadToc(0)) {
        std::printf("No disc could be read: %s\n", modAKRip32::AspiErrorText().c_str());
        return 1;
    }
    const uint32_t start = modAKRip32::TocAddressToLba(0), end = modAKRip32::TocAddressToLba(1);
    if (end <= start) {
        std::printf("The disc has no first track\n");
        modAKRip32::CloseDrive();
        return 1;
    }
    std::printf("Track 1: frames %u..%u (%u frames, %.1f s)\n", start, end - 1, end - start,
                (end - start) / double(AkripRecords::FramesPerSecond));

    const bool wav = RipToWav(outFolder + "Track 1.wav", start, end);
    const auto config = EncoderConfig::FromSelection(
        std::to_string(EncoderLists::Bitrates[EncoderLists::DefaultBitrateIndex]), EncoderLists::DefaultQualityIndex);
    const bool mp3 = RipToMp3(outFolder + "Track 1.mp3", start, end, config);
    modAKRip32::CloseDrive();
    std::printf("%s\n", wav && mp3 ? "Done." : "Failed.");
    return wav && mp3 ? 0 : 1;
}

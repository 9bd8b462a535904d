// The BIN/CUE image an audio burn records. Everything goes to files under
// temporary names ("<name>.partial") first; Commit writes the sheet and
// renames both, and an image never committed is deleted when the writer
// goes, so a failed burn leaves nothing under the final names.
#pragma once

#include "CueWriter.h"
#include "WavSource.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace vexosim {

// A file opened for reading; closed when the object goes.
class SourceFile {
public:
    explicit SourceFile(const std::string& path);
    ~SourceFile();
    SourceFile(const SourceFile&) = delete;
    SourceFile& operator=(const SourceFile&) = delete;

    bool IsOpen() const { return handle_ != nullptr; }
    std::uint64_t Size() const { return size_; }
    bool ReadAt(std::uint64_t offset, void* buffer, std::size_t bytes);

private:
    void* handle_ = nullptr;
    std::uint64_t size_ = 0;
};

class AudioImageWriter {
public:
    explicit AudioImageWriter(ImagePaths paths);
    ~AudioImageWriter();
    AudioImageWriter(const AudioImageWriter&) = delete;
    AudioImageWriter& operator=(const AudioImageWriter&) = delete;

    // Makes the temporary BIN; false (why set) when it cannot be made.
    bool Open(std::string& why);
    const ImagePaths& Paths() const { return paths_; }

    // Appends audio bytes to the BIN.
    bool Write(const void* bytes, std::size_t count);
    // Zeros up to the next whole sector.
    bool PadToSector();
    // Whole sectors of silence.
    bool WriteSilence(std::uint32_t sectors);
    std::uint64_t Bytes() const { return bytes_; }
    // Whole sectors written (after PadToSector: all of them).
    std::uint32_t Sectors() const { return static_cast<std::uint32_t>(bytes_ / kSectorBytes); }

    // Appends the PCM of a CD-audio WAV file, then pads to a whole sector.
    // False with why set when the file cannot be read or is no CD audio.
    bool AppendWav(const std::string& path, std::string& why);

    // Appends the whole of a raw PCM file (CD audio without a header), then
    // pads to a whole sector. False with why set when it cannot be read.
    bool AppendPcmFile(const std::string& path, std::string& why);

    // Writes the sheet, closes both files and gives them their final names
    // (an older image there is replaced). False with why set otherwise; the
    // temporary files are gone either way.
    bool Commit(const std::string& cueText, std::string& why);

private:
    void Discard();
    // Copies `left` bytes from `at` on, then pads to a whole sector.
    bool CopyFrom(SourceFile& file, const std::string& path, std::uint64_t at, std::uint64_t left, std::string& why);

    ImagePaths paths_;
    std::string binPartial_, cuePartial_;
    void* bin_ = nullptr;
    std::uint64_t bytes_ = 0;
    bool committed_ = false;
};

}  // namespace vexosim

#include "AudioImageWriter.h"

#include <windows.h>

#include <algorithm>
#include <vector>

namespace vexosim {
namespace {

constexpr const char* kPartial = ".partial";
constexpr std::size_t kCopyChunk = 64 * kSectorBytes;

bool WriteAll(HANDLE h, const void* bytes, std::size_t count) {
    const auto* p = static_cast<const std::uint8_t*>(bytes);
    while (count > 0) {
        const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(count, 1u << 20));
        DWORD written = 0;
        if (!WriteFile(h, p, piece, &written, nullptr) || written != piece) return false;
        p += piece;
        count -= piece;
    }
    return true;
}

std::string LastErrorText(const char* what, const std::string& path) {
    return std::string(what) + " " + path + " (error " + std::to_string(GetLastError()) + ")";
}

}  // namespace

SourceFile::SourceFile(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(h, &size)) {
        CloseHandle(h);
        return;
    }
    handle_ = h;
    size_ = static_cast<std::uint64_t>(size.QuadPart);
}

SourceFile::~SourceFile() {
    if (handle_) CloseHandle(handle_);
}

bool SourceFile::ReadAt(std::uint64_t offset, void* buffer, std::size_t bytes) {
    if (!handle_ || offset > size_ || bytes > size_ - offset) return false;
    LARGE_INTEGER to;
    to.QuadPart = static_cast<LONGLONG>(offset);
    if (!SetFilePointerEx(handle_, to, nullptr, FILE_BEGIN)) return false;
    auto* p = static_cast<std::uint8_t*>(buffer);
    while (bytes > 0) {
        const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(bytes, 1u << 20));
        DWORD got = 0;
        if (!ReadFile(handle_, p, piece, &got, nullptr) || got != piece) return false;
        p += piece;
        bytes -= piece;
    }
    return true;
}

AudioImageWriter::AudioImageWriter(ImagePaths paths)
    : paths_(std::move(paths)), binPartial_(paths_.bin + kPartial), cuePartial_(paths_.cue + kPartial) {}

AudioImageWriter::~AudioImageWriter() {
    if (!committed_) Discard();
}

void AudioImageWriter::Discard() {
    if (bin_) CloseHandle(bin_);
    bin_ = nullptr;
    DeleteFileA(binPartial_.c_str());
    DeleteFileA(cuePartial_.c_str());
}

bool AudioImageWriter::Open(std::string& why) {
    if (bin_) return true;
    HANDLE h = CreateFileA(binPartial_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        why = LastErrorText("cannot make", binPartial_);
        return false;
    }
    bin_ = h;
    bytes_ = 0;
    return true;
}

bool AudioImageWriter::Write(const void* bytes, std::size_t count) {
    if (!bin_) return false;
    if (count == 0) return true;
    if (!WriteAll(bin_, bytes, count)) return false;
    bytes_ += count;
    return true;
}

bool AudioImageWriter::PadToSector() {
    const std::size_t rest = static_cast<std::size_t>(bytes_ % kSectorBytes);
    if (rest == 0) return bin_ != nullptr;
    const std::vector<std::uint8_t> zeros(kSectorBytes - rest, 0);
    return Write(zeros.data(), zeros.size());
}

bool AudioImageWriter::WriteSilence(std::uint32_t sectors) {
    if (!PadToSector()) return false;
    const std::vector<std::uint8_t> zeros(kCopyChunk, 0);
    std::uint64_t left = std::uint64_t(sectors) * kSectorBytes;
    while (left > 0) {
        const std::size_t piece = static_cast<std::size_t>(std::min<std::uint64_t>(left, zeros.size()));
        if (!Write(zeros.data(), piece)) return false;
        left -= piece;
    }
    return true;
}

bool AudioImageWriter::AppendWav(const std::string& path, std::string& why) {
    SourceFile file(path);
    if (!file.IsOpen()) {
        why = "cannot open " + path;
        return false;
    }
    std::string parseWhy;
    auto layout = ParseWav([&](std::uint64_t at, void* buffer, std::size_t n) { return file.ReadAt(at, buffer, n); },
                           file.Size(), parseWhy);
    if (!layout) {
        why = path + ": " + parseWhy;
        return false;
    }
    if (std::string other = NotCdAudio(*layout); !other.empty()) {
        why = path + " holds " + other + ", not 44.1 kHz 16-bit stereo PCM";
        return false;
    }
    return CopyFrom(file, path, layout->dataOffset, layout->dataBytes, why);
}

bool AudioImageWriter::AppendPcmFile(const std::string& path, std::string& why) {
    SourceFile file(path);
    if (!file.IsOpen()) {
        why = "cannot open " + path;
        return false;
    }
    return CopyFrom(file, path, 0, file.Size(), why);
}

bool AudioImageWriter::CopyFrom(SourceFile& file, const std::string& path, std::uint64_t at, std::uint64_t left,
                                std::string& why) {
    std::vector<std::uint8_t> buffer(kCopyChunk);
    while (left > 0) {
        const std::size_t piece = static_cast<std::size_t>(std::min<std::uint64_t>(left, buffer.size()));
        if (!file.ReadAt(at, buffer.data(), piece)) {
            why = "cannot read " + path;
            return false;
        }
        if (!Write(buffer.data(), piece)) {
            why = "cannot write " + binPartial_;
            return false;
        }
        at += piece;
        left -= piece;
    }
    if (!PadToSector()) {
        why = "cannot write " + binPartial_;
        return false;
    }
    return true;
}

bool AudioImageWriter::Commit(const std::string& cueText, std::string& why) {
    if (!bin_ || committed_) {
        why = "no image is being written";
        return false;
    }
    const bool closed = CloseHandle(bin_) != 0;
    bin_ = nullptr;
    bool ok = closed;
    if (!ok) why = "cannot finish " + binPartial_;
    if (ok) {
        HANDLE cue = CreateFileA(cuePartial_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (cue == INVALID_HANDLE_VALUE) {
            why = LastErrorText("cannot make", cuePartial_);
            ok = false;
        } else {
            ok = WriteAll(cue, cueText.data(), cueText.size());
            ok = CloseHandle(cue) != 0 && ok;
            if (!ok) why = "cannot write " + cuePartial_;
        }
    }
    if (ok && !MoveFileExA(binPartial_.c_str(), paths_.bin.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        why = LastErrorText("cannot rename the image to", paths_.bin);
        ok = false;
    }
    if (ok && !MoveFileExA(cuePartial_.c_str(), paths_.cue.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        why = LastErrorText("cannot rename the image to", paths_.cue);
        DeleteFileA(paths_.bin.c_str());
        ok = false;
    }
    if (!ok) {
        Discard();
        return false;
    }
    committed_ = true;
    return true;
}

}  // namespace vexosim

#include "ReadAhead.h"

#include <algorithm>
#include <cstring>

#include "AkripLayout.h"
#include "Win32Util.h"

namespace akrip {
namespace {

// How long a file's write time has to lie in the past before its content is
// cached: well beyond the granularity of any file system's write times.
constexpr uint64_t kSettled100ns = 3ull * 10'000'000;

uint64_t Ticks(const FILETIME& t) { return (uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime; }

uint64_t SizeOf(const WIN32_FILE_ATTRIBUTE_DATA& d) { return (uint64_t(d.nFileSizeHigh) << 32) | d.nFileSizeLow; }

bool Settled(const WIN32_FILE_ATTRIBUTE_DATA& d) {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return Ticks(d.ftLastWriteTime) + kSettled100ns <= Ticks(now);
}

}  // namespace

void ReadAhead::Clear() {
    file_ = SIZE_MAX;
    first_ = count_ = 0;
}

bool ReadAhead::Holds(size_t file, const WIN32_FILE_ATTRIBUTE_DATA& now, uint32_t frame, uint32_t frames) const {
    return file == file_ && SizeOf(now) == SizeOf(seen_) && Ticks(now.ftLastWriteTime) == Ticks(seen_.ftLastWriteTime) &&
           Ticks(now.ftCreationTime) == Ticks(seen_.ftCreationTime) && frame >= first_ &&
           uint64_t(frame) + frames <= uint64_t(first_) + count_;
}

bool ReadAhead::Read(size_t file, const std::string& path, uint32_t frame, uint32_t frames, uint8_t* out) {
    WIN32_FILE_ATTRIBUTE_DATA now;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &now) ||
        (now.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        Clear();
        return false;
    }
    if (Holds(file, now, frame, frames)) {
        std::memcpy(out, bytes_.data() + size_t(frame - first_) * kFrameBytes, size_t(frames) * kFrameBytes);
        return true;
    }
    Clear();
    win::unique_handle handle = OpenForReading(path);
    if (!handle.valid()) return false;
    const uint64_t fileFrames = SizeOf(now) / kFrameBytes;
    if (!Settled(now) || uint64_t(frame) + frames > fileFrames)
        return ReadAt(handle.get(), uint64_t(frame) * kFrameBytes, out, frames * kFrameBytes);

    const uint32_t window = uint32_t(std::min<uint64_t>(std::max(frames, kWindowFrames), fileFrames - frame));
    bytes_.resize(size_t(window) * kFrameBytes);
    if (!ReadAt(handle.get(), uint64_t(frame) * kFrameBytes, bytes_.data(), window * kFrameBytes)) return false;
    file_ = file;
    first_ = frame;
    count_ = window;
    seen_ = now;
    std::memcpy(out, bytes_.data(), size_t(frames) * kFrameBytes);
    return true;
}

}  // namespace akrip

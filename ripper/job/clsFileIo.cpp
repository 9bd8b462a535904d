#include "clsFileIo.h"

#include <windows.h>

#include <algorithm>

#include "LongPath.h"
#include "WavHeader.h"

namespace {

bool SeekTo(HANDLE h, int64_t position) {
    LARGE_INTEGER to;
    to.QuadPart = position;
    return SetFilePointerEx(h, to, nullptr, FILE_BEGIN) != 0;
}

bool WriteAll(HANDLE h, const void* data, DWORD count) {
    DWORD written = 0;
    return WriteFile(h, data, count, &written, nullptr) && written == count;
}

}  // namespace

clsFileIo::~clsFileIo() { CloseFile(); }

bool clsFileIo::OpenFile(const std::string& fileName) {
    if (IsOpen()) CloseFile();
    if (fileName.empty()) return false;
    // The wide call takes a path of any length (an output folder may lie
    // deeper than MAX_PATH).
    HANDLE h = CreateFileW(win::FileApiPath(fileName).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    handle_.reset(h);
    // OPEN_ALWAYS keeps an existing file's content: cut it at the start so
    // the new file ends where its last write ends.
    SetEndOfFile(h);
    fileName_ = fileName;
    hasWavHeader_ = false;
    writtenAfterHeader_ = 0;
    return true;
}

bool clsFileIo::CloseFile() {
    if (!IsOpen()) return false;
    CorrectWavHeader();
    lastResult_ = handle_.reset();
    hasWavHeader_ = false;
    return true;
}

bool clsFileIo::WriteBytes(const void* data, uint32_t count) {
    if (!IsOpen()) return false;
    if (!data && count != 0) {
        lastResult_ = 0;
        byteCount_ = 0;
        return false;
    }
    DWORD written = 0;
    BOOL ok = WriteFile(handle_.get(), data, count, &written, nullptr);
    lastResult_ = ok;
    byteCount_ = written;
    if (hasWavHeader_) writtenAfterHeader_ += written;
    return ok != 0;
}

bool clsFileIo::WriteBytes(std::span<const uint8_t> data) {
    if (data.size() > 0xFFFFFFFFu) return false;
    return WriteBytes(data.data(), static_cast<uint32_t>(data.size()));
}

bool clsFileIo::FlushBuffers() {
    if (!handle_.valid()) {
        lastResult_ = 0;
        return false;
    }
    lastResult_ = FlushFileBuffers(handle_.get());
    return lastResult_ != 0;
}

int32_t clsFileIo::ReadBytes(void* buffer, uint32_t count) {
    if (!IsOpen() || (!buffer && count != 0)) return 0;
    DWORD read = 0;
    BOOL ok = ReadFile(handle_.get(), buffer, count, &read, nullptr);
    byteCount_ = read;
    return ok;
}

bool clsFileIo::writeWavHeader(uint32_t length) {
    if (!IsOpen()) {
        lastResult_ = 0;
        return false;
    }
    LARGE_INTEGER here{};
    LARGE_INTEGER zero{};
    if (!SetFilePointerEx(handle_.get(), zero, &here, FILE_CURRENT)) here.QuadPart = -1;
    const WavHeader::Bytes header = WavHeader::Build(length);
    DWORD written = 0;
    BOOL ok = WriteFile(handle_.get(), header.data(), static_cast<DWORD>(header.size()), &written, nullptr);
    lastResult_ = ok;
    if (!ok || written != header.size()) return false;
    if (here.QuadPart >= 0) {
        hasWavHeader_ = true;
        headerPosition_ = here.QuadPart;
        announcedLength_ = std::min(length, WavHeader::MaxLength);
        writtenAfterHeader_ = 0;
    }
    lastResult_ = FlushFileBuffers(handle_.get());
    return true;
}

void clsFileIo::CorrectWavHeader() {
    if (!hasWavHeader_ || writtenAfterHeader_ == announcedLength_) return;
    const uint32_t actual = static_cast<uint32_t>(std::min<uint64_t>(writtenAfterHeader_, WavHeader::MaxLength));
    if (actual == announcedLength_) return;
    const WavHeader::Bytes fixed = WavHeader::Build(actual);
    HANDLE h = handle_.get();
    if (SeekTo(h, headerPosition_ + WavHeader::RiffSizeOffset))
        WriteAll(h, &fixed[WavHeader::RiffSizeOffset], 4);
    if (SeekTo(h, headerPosition_ + WavHeader::DataSizeOffset))
        WriteAll(h, &fixed[WavHeader::DataSizeOffset], 4);
}

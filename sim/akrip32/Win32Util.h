// Small owners and file helpers over Win32 used by the library's drive code.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

namespace akrip {

class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE h) : h_(h) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& o) noexcept : h_(o.h_) { o.h_ = INVALID_HANDLE_VALUE; }
    UniqueHandle& operator=(UniqueHandle&& o) noexcept {
        if (this != &o) {
            Reset();
            h_ = o.h_;
            o.h_ = INVALID_HANDLE_VALUE;
        }
        return *this;
    }
    ~UniqueHandle() { Reset(); }
    void Reset() {
        if (Valid()) CloseHandle(h_);
        h_ = INVALID_HANDLE_VALUE;
    }
    bool Valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
    HANDLE Get() const { return h_; }

private:
    HANDLE h_ = INVALID_HANDLE_VALUE;
};

class FindHandle {
public:
    explicit FindHandle(HANDLE h) : h_(h) {}
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;
    ~FindHandle() {
        if (h_ != INVALID_HANDLE_VALUE) FindClose(h_);
    }
    bool Valid() const { return h_ != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return h_; }

private:
    HANDLE h_;
};

// Opens a file for reading, sharing everything (the image may be replaced
// or deleted while the library has it open).
UniqueHandle OpenForReading(const std::string& path);

// Size in bytes, nothing when the file cannot be found.
std::optional<uint64_t> FileSize(const std::string& path);

// The whole file when it exists and is at most maxBytes long.
std::optional<std::string> ReadSmallFile(const std::string& path, size_t maxBytes);

// Reads exactly size bytes at offset; false on any shortfall.
bool ReadAt(HANDLE file, uint64_t offset, void* buffer, uint32_t size);

// Folder of the module that holds this code, with a trailing backslash.
std::string ModuleFolder();

}  // namespace akrip

// A host file handle that closes itself; paths are UTF-8 on every host.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

namespace iso9660 {

class File {
public:
    enum class Mode { Read, Write };
    // Throws Error(Io) naming the path when the file cannot be opened.
    File(const std::string& path, Mode mode);
    ~File();
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    std::uint64_t Size();
    void Seek(std::uint64_t offset);
    // Reads up to `bytes`; returns how many were read (fewer only at the end).
    std::size_t Read(void* buffer, std::size_t bytes);
    void Write(const void* buffer, std::size_t bytes);
    const std::string& path() const { return path_; }

private:
    std::FILE* f_ = nullptr;
    std::string path_;
};

} // namespace iso9660

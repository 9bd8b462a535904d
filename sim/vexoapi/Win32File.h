// The file operations the engine needs: read its configuration, append to
// its log, write an extracted audio file. RAII over the file handle.
#pragma once

#include <cstddef>
#include <string>

namespace vexosim {

bool ReadWholeFile(const std::string& path, std::string& out);
bool AppendToFile(const std::string& path, const std::string& text);

// A file made (or emptied) for writing; closed when the object goes.
class NewFile {
public:
    explicit NewFile(const std::string& path);
    ~NewFile();
    NewFile(const NewFile&) = delete;
    NewFile& operator=(const NewFile&) = delete;

    bool IsOpen() const { return handle_ != nullptr; }
    bool Write(const void* bytes, std::size_t count);
    // Closes the file and deletes it (what was written is not wanted).
    void Discard();

private:
    void Close();
    void* handle_ = nullptr;
    std::string path_;
};

}  // namespace vexosim

#include "Win32Util.h"

#include "ModuleFolder.h"

namespace akrip {

win::unique_handle OpenForReading(const std::string& path) {
    return win::unique_handle(CreateFileA(path.c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

std::optional<uint64_t> FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return std::nullopt;
    return (uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::optional<std::string> ReadSmallFile(const std::string& path, size_t maxBytes) {
    win::unique_handle file = OpenForReading(path);
    if (!file) return std::nullopt;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart < 0 || uint64_t(size.QuadPart) > maxBytes)
        return std::nullopt;
    std::string text(size_t(size.QuadPart), '\0');
    if (!text.empty() && !ReadAt(file.get(), 0, text.data(), uint32_t(text.size()))) return std::nullopt;
    return text;
}

bool ReadAt(HANDLE file, uint64_t offset, void* buffer, uint32_t size) {
    // Positioned by the file pointer rather than an OVERLAPPED offset: a read
    // given an OVERLAPPED costs Wine a call to its server afterwards.
    LARGE_INTEGER at;
    at.QuadPart = LONGLONG(offset);
    if (!SetFilePointerEx(file, at, nullptr, FILE_BEGIN)) return false;
    auto* out = static_cast<char*>(buffer);
    while (size > 0) {
        DWORD got = 0;
        if (!ReadFile(file, out, size, &got, nullptr) || got == 0) return false;
        out += got;
        size -= got;
    }
    return true;
}

std::string ModuleFolder() {
    const std::string folder = win::ModuleFolder(win::ModuleOf(reinterpret_cast<const void*>(&ModuleFolder)));
    if (folder.empty() || folder.back() == '\\') return folder;
    return folder + '\\';
}

}  // namespace akrip

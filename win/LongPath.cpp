#include "LongPath.h"

#include <vector>

#include "TextConversion.h"

namespace win {
namespace {

bool IsSlash(wchar_t c) { return c == L'\\' || c == L'/'; }

}  // namespace

std::wstring FileApiPath(const std::string& path) {
    std::wstring wide = Widen(path);
    if (wide.size() < MAX_PATH - 12) return wide;  // folders stop 12 short of MAX_PATH
    if (wide.rfind(L"\\\\?\\", 0) == 0) return wide;
    const bool drive = wide.size() >= 3 && wide[1] == L':' && IsSlash(wide[2]);
    const bool unc = IsSlash(wide[0]) && IsSlash(wide[1]);
    if (!drive && !unc) return wide;
    // The prefixed form is taken literally: no slash conversion, no "." or
    // ".." folding. The full name does both.
    std::wstring full = Widen(FullPathName(path));
    for (wchar_t& c : full)
        if (c == L'/') c = L'\\';
    if (drive) return L"\\\\?\\" + full;
    return L"\\\\?\\UNC\\" + full.substr(2);
}

std::string FullPathName(const std::string& path) {
    const std::wstring wide = Widen(path);
    if (wide.empty()) return path;
    std::vector<wchar_t> buffer(MAX_PATH);
    for (int round = 0; round < 2; ++round) {
        const DWORD n = ::GetFullPathNameW(wide.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
        if (n == 0) return path;
        if (n < buffer.size()) return Narrow(std::wstring_view(buffer.data(), n));
        buffer.resize(n + 1);  // n is the size needed, its NUL included
    }
    return path;
}

bool PathAttributes(const std::string& path, WIN32_FILE_ATTRIBUTE_DATA& data) {
    if (path.empty()) return false;
    return ::GetFileAttributesExW(FileApiPath(path).c_str(), GetFileExInfoStandard, &data) != 0;
}

bool SamePath(const std::string& a, const std::string& b) {
    const std::wstring wa = Widen(FullPathName(a)), wb = Widen(FullPathName(b));
    return ::CompareStringOrdinal(wa.c_str(), static_cast<int>(wa.size()), wb.c_str(), static_cast<int>(wb.size()),
                                  TRUE) == CSTR_EQUAL;
}

bool FolderExists(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    return PathAttributes(path, data) && (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FileExists(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    return PathAttributes(path, data) && !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool RemoveFile(const std::string& path) { return ::DeleteFileW(FileApiPath(path).c_str()) != 0; }

}  // namespace win

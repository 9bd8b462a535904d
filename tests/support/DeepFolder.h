// Test helper: folders whose full path is longer than MAX_PATH, made and
// removed through the "\\?\" form (the ANSI file functions cannot reach
// them).
#pragma once

#include <windows.h>

#include <string>

namespace testing_support {

inline std::wstring PrefixedPath(const std::string& path) {
    return L"\\\\?\\" + std::wstring(path.begin(), path.end());
}

// Makes `base`\<name>\<name>... until the path is longer than `length`
// characters and returns it (ASCII `base`, no trailing backslash); empty
// when a folder could not be made.
inline std::string MakeDeepFolder(const std::string& base, size_t length = 300) {
    const std::string name(40, 'd');
    std::string path = base;
    ::CreateDirectoryW(PrefixedPath(path).c_str(), nullptr);
    while (path.size() <= length) {
        path += "\\" + name;
        if (!::CreateDirectoryW(PrefixedPath(path).c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS)
            return {};
    }
    return path;
}

// Removes `path` with everything in it.
inline void RemoveDeepFolder(const std::string& path) {
    WIN32_FIND_DATAW found{};
    HANDLE find = ::FindFirstFileW((PrefixedPath(path) + L"\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::string child = path + "\\" + std::string(name.begin(), name.end());
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveDeepFolder(child);
            else ::DeleteFileW(PrefixedPath(child).c_str());
        } while (::FindNextFileW(find, &found));
        ::FindClose(find);
    }
    ::RemoveDirectoryW(PrefixedPath(path).c_str());
}

// Whether a file lies at `path`, and its size.
inline bool DeepFileSize(const std::string& path, unsigned long long& size) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(PrefixedPath(path).c_str(), GetFileExInfoStandard, &data)) return false;
    size = (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace testing_support

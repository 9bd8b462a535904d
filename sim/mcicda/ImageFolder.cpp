#include "ImageFolder.h"

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "TextConversion.h"
#include "WinHandles.h"

namespace mcivcd {
namespace {

// A sheet is a few lines per track; anything bigger is not one.
constexpr DWORD kMaxSheetBytes = 1 << 20;

std::wstring Root(wchar_t letter) { return std::wstring{letter, L':', L'\\'}; }

std::optional<std::string> ReadSmallFile(const std::wstring& path) {
    win::unique_handle file{CreateFileW(path.c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (!file) return std::nullopt;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart > kMaxSheetBytes) return std::nullopt;
    std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
    DWORD got = 0;
    if (!bytes.empty() && (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) ||
                           got != bytes.size()))
        return std::nullopt;
    return bytes;
}

// Sheet file names are UTF-8 when they decode as such, else the ANSI code page.
std::optional<std::wstring> Widen(const std::string& name) {
    if (name.empty()) return std::nullopt;
    if (auto wide = win::WidenExact(name, CP_UTF8)) return wide;
    std::wstring wide = win::Widen(name, CP_ACP);
    if (wide.empty()) return std::nullopt;
    return wide;
}

// Size of a regular file beside the sheet; the name must stay inside the folder.
std::optional<uint64_t> ImageFileSize(const std::wstring& root, const std::string& name) {
    const auto wide = Widen(name);
    if (!wide || wide->empty() || wide->find(L':') != std::wstring::npos || wide->front() == L'\\' ||
        wide->front() == L'/')
        return std::nullopt;
    WIN32_FILE_ATTRIBUTE_DATA info{};
    if (!GetFileAttributesExW((root + *wide).c_str(), GetFileExInfoStandard, &info)) return std::nullopt;
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return std::nullopt;
    return (static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
}

std::optional<std::wstring> FirstSheet(const std::wstring& root) {
    WIN32_FIND_DATAW found{};
    win::unique_find find{FindFirstFileW((root + L"*.cue").c_str(), &found)};
    if (!find) return std::nullopt;
    std::vector<std::wstring> names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.emplace_back(found.cFileName);
    } while (FindNextFileW(find.get(), &found));
    if (names.empty()) return std::nullopt;
    return *std::min_element(names.begin(), names.end());
}

}  // namespace

bool IsCdRomDrive(wchar_t letter) {
    if (!((letter >= L'A' && letter <= L'Z') || (letter >= L'a' && letter <= L'z'))) return false;
    return GetDriveTypeW(Root(letter).c_str()) == DRIVE_CDROM;
}

wchar_t FirstCdRomDrive() {
    const DWORD present = GetLogicalDrives();
    for (wchar_t letter = L'A'; letter <= L'Z'; ++letter) {
        if ((present & (1u << (letter - L'A'))) && IsCdRomDrive(letter)) return letter;
    }
    return 0;
}

std::optional<Disc> ReadDiscInDrive(wchar_t letter) {
    const std::wstring root = Root(letter);
    const auto sheetName = FirstSheet(root);
    if (!sheetName) return std::nullopt;
    const auto text = ReadSmallFile(root + *sheetName);
    if (!text) return std::nullopt;
    const auto sheet = ParseCueSheet(*text);
    if (!sheet) return std::nullopt;
    std::vector<uint64_t> sizes;
    for (const CueFile& file : sheet->files) {
        const auto size = ImageFileSize(root, file.name);
        if (!size) return std::nullopt;
        sizes.push_back(*size);
    }
    return LayOutDisc(*sheet, sizes);
}

}  // namespace mcivcd

#include "VirtualDisc.h"

#include <windows.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace testdisc {
namespace {

struct FileHandle {
    HANDLE h = INVALID_HANDLE_VALUE;
    explicit FileHandle(HANDLE handle) : h(handle) {}
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    ~FileHandle() {
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
};

struct FindHandle {
    HANDLE h;
    explicit FindHandle(HANDLE handle) : h(handle) {}
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;
    ~FindHandle() {
        if (h != INVALID_HANDLE_VALUE) FindClose(h);
    }
};

[[noreturn]] void Fail(const std::string& what, const std::string& path) {
    throw std::runtime_error("testdisc: " + what + " " + path + " (error " +
                             std::to_string(GetLastError()) + ")");
}

std::string InFolder(const std::string& name) {
    return DriveFolderWin() + "\\" + name;
}

class Writer {
public:
    explicit Writer(const std::string& path)
        : path_(path),
          file_(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr)) {
        if (file_.h == INVALID_HANDLE_VALUE) Fail("cannot create", path);
    }
    void Write(const char* data, size_t size) {
        while (size > 0) {
            DWORD chunk = size > (1u << 24) ? (1u << 24) : static_cast<DWORD>(size);
            DWORD written = 0;
            if (!WriteFile(file_.h, data, chunk, &written, nullptr) || written != chunk)
                Fail("cannot write", path_);
            data += chunk;
            size -= chunk;
        }
    }
    void Write(const std::string& s) { Write(s.data(), s.size()); }

private:
    std::string path_;
    FileHandle file_;
};

void EmptyFolder(const std::string& folder) {
    WIN32_FIND_DATAA fd;
    FindHandle find(FindFirstFileA((folder + "\\*").c_str(), &fd));
    if (find.h == INVALID_HANDLE_VALUE) {
        if (GetLastError() == ERROR_PATH_NOT_FOUND) {
            if (!CreateDirectoryA(folder.c_str(), nullptr)) Fail("cannot create", folder);
        }
        return;
    }
    std::vector<std::pair<std::string, bool>> entries;
    do {
        std::string name = fd.cFileName;
        if (name == "." || name == "..") continue;
        entries.emplace_back(folder + "\\" + name, (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
    } while (FindNextFileA(find.h, &fd));
    for (const auto& [path, isDir] : entries) {
        if (isDir) {
            EmptyFolder(path);
            if (!RemoveDirectoryA(path.c_str())) Fail("cannot remove", path);
        } else {
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (!DeleteFileA(path.c_str())) Fail("cannot delete", path);
        }
    }
}

}  // namespace

uint8_t PatternByte(uint32_t lba, uint32_t offsetInFrame) {
    // A mix of frame number and position: differs from frame to frame, from
    // byte to byte, and the two bytes of a sample differ too (so a byte swap
    // is always visible).
    uint32_t x = lba * 2654435761u + offsetInFrame * 40503u;
    x ^= x >> 13;
    x *= 0x5bd1e995u;
    x ^= x >> 15;
    return static_cast<uint8_t>((x & 0xFEu) | (offsetInFrame & 1u));
}

std::string PatternFrames(uint32_t firstLba, uint32_t count) {
    std::string out;
    out.resize(static_cast<size_t>(count) * kFrameBytes);
    size_t pos = 0;
    for (uint32_t f = 0; f < count; ++f)
        for (uint32_t i = 0; i < kFrameBytes; ++i)
            out[pos++] = static_cast<char>(PatternByte(firstLba + f, i));
    return out;
}

std::string DriveRoot() {
    const char* letter = std::getenv("CDROM_LETTER");
    char c = (letter && *letter) ? static_cast<char>(std::toupper(static_cast<unsigned char>(*letter))) : 'D';
    return std::string(1, c) + ":\\";
}

std::string DriveFolderWin() {
    const char* dir = std::getenv("CDROM_DIR");
    if (!dir || !*dir) return DriveRoot().substr(0, 2);
    std::string path = dir;
    for (char& c : path)
        if (c == '/') c = '\\';
    while (path.size() > 1 && path.back() == '\\') path.pop_back();
    return "Z:" + path;
}

std::string CueTime(uint32_t frames) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02u:%02u:%02u", frames / (75 * 60), (frames / 75) % 60, frames % 75);
    return buf;
}

void Eject() { EmptyFolder(DriveFolderWin()); }

void Insert(const std::vector<TrackSpec>& tracks, const std::string& name) {
    Eject();
    std::string cue = "FILE \"" + name + ".bin\" BINARY\r\n";
    uint32_t lba = 0;
    int number = 1;
    for (const TrackSpec& t : tracks) {
        char line[64];
        std::snprintf(line, sizeof line, "  TRACK %02d %s\r\n", number++, t.data ? "MODE1/2352" : "AUDIO");
        cue += line;
        cue += "    INDEX 01 " + CueTime(lba) + "\r\n";
        lba += t.frames;
    }
    {
        Writer bin(InFolder(name + ".bin"));
        const uint32_t chunkFrames = 1000;
        for (uint32_t at = 0; at < lba; at += chunkFrames) {
            uint32_t n = lba - at < chunkFrames ? lba - at : chunkFrames;
            bin.Write(PatternFrames(at, n));
        }
    }
    Writer(InFolder(name + ".cue")).Write(cue);
}

void InsertRaw(const std::string& cueText,
               const std::vector<std::pair<std::string, std::string>>& files) {
    Eject();
    for (const auto& [fileName, content] : files) Writer(InFolder(fileName)).Write(content);
    Writer(InFolder("test.cue")).Write(cueText);
}

void SetUnreadable(const std::string& directiveText) {
    Writer(InFolder("unreadable.txt")).Write(directiveText);
}

}  // namespace testdisc

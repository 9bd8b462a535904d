#include "WineBridge.h"

#include "JobScript.h"
#include "TextConversion.h"
#include "WinHandles.h"

#include <cstdio>

namespace winebridge {
namespace {

bool WriteWholeFile(const std::string& path, const std::string& content) {
    win::unique_handle f(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!f) return false;
    DWORD written = 0;
    return WriteFile(f.get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr) &&
           written == content.size();
}

std::string ReadWholeFile(const std::string& path) {
    win::unique_handle f(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!f) return {};
    std::string text;
    char buf[256];
    DWORD got = 0;
    while (ReadFile(f.get(), buf, sizeof(buf), &got, nullptr) && got > 0) text.append(buf, got);
    return text;
}

bool FileExists(const std::string& path) {
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

constexpr const char* kJobFiles[] = {avf::kJobScriptName, avf::kJobOutputName, avf::kJobExitName,
                                     avf::kJobAliveName,  avf::kJobAbandonedName, "exit.tmp"};

// The work folder of one run; removed with its files.
class WorkFolder {
public:
    bool Create(const std::string& prefix) {
        char temp[MAX_PATH + 1] = {};
        DWORD n = GetTempPathA(sizeof(temp), temp);
        if (n == 0 || n > MAX_PATH) return false;
        for (int attempt = 0; attempt < 100; ++attempt) {
            char name[64];
            std::snprintf(name, sizeof(name), "-%lu-%lu-%d", GetCurrentProcessId(), GetTickCount(), attempt);
            std::string candidate = std::string(temp) + prefix + name;
            if (CreateDirectoryA(candidate.c_str(), nullptr)) {
                path_ = candidate;
                return true;
            }
        }
        return false;
    }
    ~WorkFolder() {
        if (path_.empty()) return;
        for (const char* name : kJobFiles) DeleteFileA(File(name).c_str());
        RemoveDirectoryA(path_.c_str());
    }
    std::string File(const char* name) const { return path_ + "\\" + name; }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

void SweepStaleWorkFolders(const std::string& prefix) {
    char temp[MAX_PATH + 1] = {};
    DWORD n = GetTempPathA(sizeof(temp), temp);
    if (n == 0 || n > MAX_PATH) return;
    WIN32_FIND_DATAA fd{};
    win::unique_find find(FindFirstFileA((std::string(temp) + prefix + "-*").c_str(), &fd));
    if (!find) return;
    FILETIME nowFt;
    GetSystemTimeAsFileTime(&nowFt);
    const ULONGLONG now = (ULONGLONG(nowFt.dwHighDateTime) << 32) | nowFt.dwLowDateTime;
    do {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
        const std::string folder = std::string(temp) + fd.cFileName;
        WIN32_FILE_ATTRIBUTE_DATA beat{};
        if (!GetFileAttributesExA((folder + "\\" + avf::kJobAliveName).c_str(), GetFileExInfoStandard, &beat)) continue;
        const ULONGLONG touched = (ULONGLONG(beat.ftLastWriteTime.dwHighDateTime) << 32) | beat.ftLastWriteTime.dwLowDateTime;
        if (now < touched || now - touched < 600000000ULL) continue;  // younger than a minute
        for (const char* name : kJobFiles) DeleteFileA((folder + "\\" + name).c_str());
        RemoveDirectoryA(folder.c_str());
    } while (FindNextFileA(find.get(), &fd));
}

// Hands what has been appended to a file since the last call to `output`.
class Relay {
public:
    Relay(std::string path, const std::function<void(const char*, size_t)>& output)
        : path_(std::move(path)), output_(output) {}
    bool opened() const { return file_.valid(); }
    void Pump() {
        if (!file_) {
            file_.reset(CreateFileA(path_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
            if (!file_) return;
        }
        char buf[8192];
        DWORD got = 0;
        while (ReadFile(file_.get(), buf, sizeof(buf), &got, nullptr) && got > 0)
            if (output_) output_(buf, got);
    }

private:
    std::string path_;
    const std::function<void(const char*, size_t)>& output_;
    win::unique_handle file_;
};

void Touch(HANDLE file) {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    SetFileTime(file, nullptr, nullptr, &now);
}

}  // namespace

WinePaths::WinePaths() {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (ntdll && GetProcAddress(ntdll, "wine_get_version") && kernel) {
        toUnix_ = reinterpret_cast<ToUnix>(reinterpret_cast<void*>(GetProcAddress(kernel, "wine_get_unix_file_name")));
        toDos_ = reinterpret_cast<ToDos>(reinterpret_cast<void*>(GetProcAddress(kernel, "wine_get_dos_file_name")));
    }
}

std::string WinePaths::ToUnixPath(const std::string& windowsPath) const {
    if (!toUnix_) return {};
    std::wstring w = win::Widen(windowsPath);
    if (w.empty()) return {};
    char* unix = toUnix_(w.c_str());
    if (!unix) return {};
    std::string result(unix);
    HeapFree(GetProcessHeap(), 0, unix);
    return result;
}

std::wstring WinePaths::ToDosPath(const std::string& unixPath) const {
    if (!toDos_) return {};
    WCHAR* dos = toDos_(unixPath.c_str());
    if (!dos) return {};
    std::wstring result(dos);
    HeapFree(GetProcessHeap(), 0, dos);
    return result;
}

int RunFfmpeg(const WinePaths& wine, const std::vector<std::string>& args, const std::string& folderPrefix,
              const std::function<void(const char* data, size_t size)>& output,
              const std::function<void(const std::string& line)>& say) {
    auto tell = [&](const std::string& line) {
        if (say) say(line);
    };
    SweepStaleWorkFolders(folderPrefix);
    WorkFolder work;
    if (!work.Create(folderPrefix)) {
        tell("cannot create a work folder in the temporary folder");
        return kBridgeFailed;
    }
    const std::string workUnix = wine.ToUnixPath(work.path());
    win::unique_handle alive(CreateFileA(work.File(avf::kJobAliveName).c_str(), GENERIC_WRITE | FILE_WRITE_ATTRIBUTES,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, CREATE_ALWAYS,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
    if (workUnix.empty() || !alive ||
        !WriteWholeFile(work.File(avf::kJobScriptName), avf::BuildJobScript(workUnix, args))) {
        tell("cannot prepare the conversion job in " + work.path());
        return kBridgeFailed;
    }

    std::wstring shell = wine.ToDosPath("/bin/sh");
    std::wstring line = L"/bin/sh " + win::Widen(avf::QuoteWindowsArgument(workUnix + "/" + avf::kJobScriptName));
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (shell.empty() ||
        !CreateProcessW(shell.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        tell("cannot start /bin/sh for the conversion job (error " + std::to_string(GetLastError()) + ")");
        return kBridgeFailed;
    }
    // Whatever the platform returned is of no use for waiting; only close it.
    win::unique_handle process(pi.hProcess), thread(pi.hThread);

    Relay relay(work.File(avf::kJobOutputName), output);
    const std::string exitFile = work.File(avf::kJobExitName);
    DWORD lastBeat = GetTickCount();
    const DWORD started = lastBeat;
    for (;;) {
        relay.Pump();
        if (FileExists(exitFile)) {
            relay.Pump();
            int rc = avf::ParseExitCode(ReadWholeFile(exitFile));
            return rc < 0 ? kBridgeFailed : rc;
        }
        DWORD now = GetTickCount();
        if (now - lastBeat >= 1000) {
            Touch(alive.get());
            lastBeat = now;
        }
        if (!relay.opened() && now - started > 30000) {
            tell("the conversion job did not start");
            return kBridgeFailed;
        }
        Sleep(50);
    }
}

}  // namespace winebridge

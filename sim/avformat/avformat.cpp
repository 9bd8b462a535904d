// avformat.dll: the outside media converter, a console program despite its
// file name. It takes the classic converter command line (LegacyOptions.h),
// translates it for a present-day ffmpeg (FfmpegMapping.h), runs the
// conversion, prints ffmpeg's messages on its standard output and exits with
// ffmpeg's exit code once the conversion has ended. Its first line is the
// ffmpeg command it runs ("avformat: ffmpeg 'arg' ..." under Wine, quoted for
// /bin/sh). A command line it does not accept gets a message on standard
// output and exit code 2.
//
// Windows: runs ffmpeg.exe from its own folder, with its own standard output
// and error handed down, inside a job object that ends ffmpeg when this
// process ends (so terminating avformat.dll also stops the conversion).
//
// Wine (detected by ntdll's wine_get_version): the Linux ffmpeg does the work
// through a bridge. A Linux program started from Wine gets no Windows pipe
// (its output is lost and the pipe reports its end at once) and no usable
// process handle, so:
//   1. a work folder is made in the Windows temporary folder; the source,
//      destination and work folder are turned into Linux paths
//      (wine_get_unix_file_name);
//   2. a /bin/sh job (JobScript.h) is written there and started with
//      CreateProcess of /bin/sh (Windows name from wine_get_dos_file_name);
//      the job runs ffmpeg with its output redirected into output.log and,
//      when ffmpeg has ended, writes its exit status into exit.code;
//   3. this process relays the growing output.log to its standard output,
//      touches the file "alive" about once a second (the job stops ffmpeg
//      when that heartbeat is older than a few seconds, which is what
//      happens when avformat.dll is terminated), and ends when exit.code
//      appears, with that status; the work folder is removed. Folders whose
//      heartbeat is over a minute old (a converter terminated before its job
//      started) are swept away at the next start.
// AVFORMAT_FFMPEG (Linux side) may name another ffmpeg.
#include "FfmpegMapping.h"
#include "JobScript.h"
#include "LegacyOptions.h"
#include "WinHandles.h"

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kExitRejected = 2;
constexpr int kExitNoConverter = 3;
constexpr int kExitBridgeFailed = 4;

void WriteOut(const char* data, size_t size) {
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    while (size > 0 && out && out != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        DWORD chunk = size > 65536 ? 65536 : static_cast<DWORD>(size);
        if (!WriteFile(out, data, chunk, &written, nullptr) || written == 0) return;
        data += written;
        size -= written;
    }
}

void Say(const std::string& text) {
    std::string line = "avformat: " + text + "\r\n";
    WriteOut(line.data(), line.size());
}

std::wstring Widen(const std::string& s) {
    if (s.empty()) return {};
    int n = MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, nullptr, 0);
    if (n <= 0) return {};
    std::wstring w(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, w.data(), n);
    w.resize(static_cast<size_t>(n - 1));
    return w;
}

std::string ModuleFolder() {
    char path[MAX_PATH * 2] = {};
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof(path));
    std::string p(path, n < sizeof(path) ? n : 0);
    auto slash = p.find_last_of("\\/");
    return slash == std::string::npos ? std::string(".") : p.substr(0, slash);
}

// Wine's path conversions, present only under Wine.
class WinePaths {
public:
    WinePaths() {
        HMODULE ntdll = GetModuleHandleA("ntdll.dll");
        HMODULE kernel = GetModuleHandleA("kernel32.dll");
        if (ntdll && GetProcAddress(ntdll, "wine_get_version") && kernel) {
            toUnix_ = reinterpret_cast<ToUnix>(reinterpret_cast<void*>(GetProcAddress(kernel, "wine_get_unix_file_name")));
            toDos_ = reinterpret_cast<ToDos>(reinterpret_cast<void*>(GetProcAddress(kernel, "wine_get_dos_file_name")));
        }
    }
    bool available() const { return toUnix_ && toDos_; }

    std::string ToUnixPath(const std::string& windowsPath) const {
        std::wstring w = Widen(windowsPath);
        if (w.empty()) return {};
        char* unix = toUnix_(w.c_str());
        if (!unix) return {};
        std::string result(unix);
        HeapFree(GetProcessHeap(), 0, unix);
        return result;
    }

    std::wstring ToDosPath(const std::string& unixPath) const {
        WCHAR* dos = toDos_(unixPath.c_str());
        if (!dos) return {};
        std::wstring result(dos);
        HeapFree(GetProcessHeap(), 0, dos);
        return result;
    }

private:
    using ToUnix = char*(CDECL*)(LPCWSTR);
    using ToDos = WCHAR*(CDECL*)(LPCSTR);
    ToUnix toUnix_ = nullptr;
    ToDos toDos_ = nullptr;
};

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

// The work folder of one bridged conversion; removed with its files.
class WorkFolder {
public:
    bool Create() {
        char temp[MAX_PATH + 1] = {};
        DWORD n = GetTempPathA(sizeof(temp), temp);
        if (n == 0 || n > MAX_PATH) return false;
        for (int attempt = 0; attempt < 100; ++attempt) {
            char name[64];
            std::snprintf(name, sizeof(name), "avformat-%lu-%lu-%d", GetCurrentProcessId(), GetTickCount(), attempt);
            std::string candidate = std::string(temp) + name;
            if (CreateDirectoryA(candidate.c_str(), nullptr)) {
                path_ = candidate;
                return true;
            }
        }
        return false;
    }
    ~WorkFolder() {
        if (path_.empty()) return;
        for (const char* name : {avf::kJobScriptName, avf::kJobOutputName, avf::kJobExitName, avf::kJobAliveName, avf::kJobAbandonedName, "exit.tmp"}) {
            DeleteFileA(File(name).c_str());
        }
        RemoveDirectoryA(path_.c_str());
    }
    std::string File(const char* name) const { return path_ + "\\" + name; }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// Removes work folders whose heartbeat stopped long ago: left behind when
// avformat.dll was terminated before its job had started (a started job
// removes its own folder once the heartbeat is stale).
void SweepStaleWorkFolders() {
    char temp[MAX_PATH + 1] = {};
    DWORD n = GetTempPathA(sizeof(temp), temp);
    if (n == 0 || n > MAX_PATH) return;
    WIN32_FIND_DATAA fd{};
    HANDLE find = FindFirstFileA((std::string(temp) + "avformat-*").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE) return;
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
        for (const char* name : {avf::kJobScriptName, avf::kJobOutputName, avf::kJobExitName, avf::kJobAliveName,
                                 avf::kJobAbandonedName, "exit.tmp"}) {
            DeleteFileA((folder + "\\" + name).c_str());
        }
        RemoveDirectoryA(folder.c_str());
    } while (FindNextFileA(find, &fd));
    FindClose(find);
}

// Copies what has been appended to a file since the last call to stdout.
class Relay {
public:
    explicit Relay(std::string path) : path_(std::move(path)) {}
    bool opened() const { return file_.valid(); }
    void Pump() {
        if (!file_) {
            file_.reset(CreateFileA(path_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
            if (!file_) return;
        }
        char buf[8192];
        DWORD got = 0;
        while (ReadFile(file_.get(), buf, sizeof(buf), &got, nullptr) && got > 0) WriteOut(buf, got);
    }

private:
    std::string path_;
    win::unique_handle file_;
};

void Touch(HANDLE file) {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    SetFileTime(file, nullptr, nullptr, &now);
}

int RunThroughWine(const WinePaths& wine, const avf::LegacyRequest& request) {
    const std::string sourceUnix = wine.ToUnixPath(request.source);
    const std::string destUnix = wine.ToUnixPath(request.dest);
    if (sourceUnix.empty() || destUnix.empty()) {
        Say("cannot turn \"" + (sourceUnix.empty() ? request.source : request.dest) + "\" into a Linux path");
        return kExitRejected;
    }
    avf::MappedCommand cmd = avf::MapToFfmpeg(request, sourceUnix, destUnix);
    if (!cmd.ok) {
        Say(cmd.error);
        return kExitRejected;
    }

    std::string shown = "ffmpeg";
    for (const auto& a : cmd.args) {
        shown += ' ';
        shown += avf::ShellQuote(a);
    }
    Say(shown);

    SweepStaleWorkFolders();
    WorkFolder work;
    if (!work.Create()) {
        Say("cannot create a work folder in the temporary folder");
        return kExitBridgeFailed;
    }
    const std::string workUnix = wine.ToUnixPath(work.path());
    win::unique_handle alive(CreateFileA(work.File(avf::kJobAliveName).c_str(), GENERIC_WRITE | FILE_WRITE_ATTRIBUTES,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, CREATE_ALWAYS,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
    if (workUnix.empty() || !alive ||
        !WriteWholeFile(work.File(avf::kJobScriptName), avf::BuildJobScript(workUnix, cmd.args))) {
        Say("cannot prepare the conversion job in " + work.path());
        return kExitBridgeFailed;
    }

    std::wstring shell = wine.ToDosPath("/bin/sh");
    std::wstring line = L"/bin/sh " + Widen(avf::QuoteWindowsArgument(workUnix + "/" + avf::kJobScriptName));
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (shell.empty() ||
        !CreateProcessW(shell.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        Say("cannot start /bin/sh for the conversion job (error " + std::to_string(GetLastError()) + ")");
        return kExitBridgeFailed;
    }
    // Whatever the platform returned is of no use for waiting; only close it.
    win::unique_handle process(pi.hProcess), thread(pi.hThread);

    Relay relay(work.File(avf::kJobOutputName));
    const std::string exitFile = work.File(avf::kJobExitName);
    DWORD lastBeat = GetTickCount();
    const DWORD started = lastBeat;
    for (;;) {
        relay.Pump();
        if (FileExists(exitFile)) {
            relay.Pump();
            int rc = avf::ParseExitCode(ReadWholeFile(exitFile));
            return rc < 0 ? kExitBridgeFailed : rc;
        }
        DWORD now = GetTickCount();
        if (now - lastBeat >= 1000) {
            Touch(alive.get());
            lastBeat = now;
        }
        if (!relay.opened() && now - started > 30000) {
            Say("the conversion job did not start");
            return kExitBridgeFailed;
        }
        Sleep(50);
    }
}

int RunOnWindows(const avf::LegacyRequest& request) {
    const std::string ffmpeg = ModuleFolder() + "\\ffmpeg.exe";
    if (!FileExists(ffmpeg)) {
        Say("ffmpeg.exe was not found beside avformat.dll (" + ffmpeg + ")");
        return kExitNoConverter;
    }
    avf::MappedCommand cmd = avf::MapToFfmpeg(request, request.source, request.dest);
    if (!cmd.ok) {
        Say(cmd.error);
        return kExitRejected;
    }
    std::string line = avf::BuildWindowsCommandLine(ffmpeg, cmd.args);
    Say(line);

    // ffmpeg writes straight into this process's standard output and error.
    HANDLE self = GetCurrentProcess();
    auto inheritable = [&](DWORD which) {
        HANDLE h = GetStdHandle(which), dup = nullptr;
        if (h && h != INVALID_HANDLE_VALUE) DuplicateHandle(self, h, self, &dup, 0, TRUE, DUPLICATE_SAME_ACCESS);
        return win::unique_handle(dup);
    };
    win::unique_handle out = inheritable(STD_OUTPUT_HANDLE), err = inheritable(STD_ERROR_HANDLE);
    STARTUPINFOA si{};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = nullptr;
    si.hStdOutput = out.get();
    si.hStdError = err ? err.get() : out.get();

    win::unique_handle job(CreateJobObjectA(nullptr, nullptr));
    if (job) {
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits, sizeof(limits));
    }
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_SUSPENDED, nullptr, nullptr, &si, &pi)) {
        Say("cannot start " + ffmpeg + " (error " + std::to_string(GetLastError()) + ")");
        return kExitNoConverter;
    }
    win::unique_handle process(pi.hProcess), thread(pi.hThread);
    if (job) AssignProcessToJobObject(job.get(), process.get());
    ResumeThread(thread.get());
    out.reset();
    err.reset();
    WaitForSingleObject(process.get(), INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.get(), &code);
    return static_cast<int>(code);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
    avf::ParseResult parsed = avf::ParseLegacyArguments(args);
    if (!parsed.request) {
        Say(parsed.error);
        Say("usage: avformat.dll -i SOURCE [-y] [-b kbit/s] [-r rate] [-s WxH] [-vcodec name] [-vtag tag] "
            "[-aspect a] [-bt kbit/s] [-f format] [-target t] [-bufsize kbit] [-g n] [-qscale q] "
            "[-maxrate kbit/s] [-deinterlace] [-sameq] [-acodec name] [-atag tag] [-ab kbit/s] [-ar Hz] "
            "[-ac n] DEST");
        return kExitRejected;
    }
    WinePaths wine;
    return wine.available() ? RunThroughWine(wine, *parsed.request) : RunOnWindows(*parsed.request);
}

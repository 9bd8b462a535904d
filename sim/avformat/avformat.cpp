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
// through the bridge of sim/winebridge (WineBridge.h): a /bin/sh job in a
// work folder "avformat-..." of the temporary folder, whose output this
// process relays to its standard output while it keeps the job's heartbeat.
// AVFORMAT_FFMPEG (Linux side) may name another ffmpeg.
#include "FfmpegMapping.h"
#include "JobScript.h"
#include "LegacyOptions.h"
#include "WinHandles.h"
#include "WineBridge.h"

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

std::string ModuleFolder() {
    char path[MAX_PATH * 2] = {};
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof(path));
    std::string p(path, n < sizeof(path) ? n : 0);
    auto slash = p.find_last_of("\\/");
    return slash == std::string::npos ? std::string(".") : p.substr(0, slash);
}

bool FileExists(const std::string& path) {
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

int RunThroughWine(const winebridge::WinePaths& wine, const avf::LegacyRequest& request) {
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

    const int rc = winebridge::RunFfmpeg(wine, cmd.args, "avformat", WriteOut, Say);
    return rc == winebridge::kBridgeFailed ? kExitBridgeFailed : rc;
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
    winebridge::WinePaths wine;
    return wine.available() ? RunThroughWine(wine, *parsed.request) : RunOnWindows(*parsed.request);
}

// avformat.dll: the outside media converter, a console program despite its
// file name. It takes the classic converter command line (LegacyOptions.h),
// translates it for a present-day ffmpeg (FfmpegMapping.h), runs the
// conversion, prints ffmpeg's messages on its standard output and exits with
// ffmpeg's exit code once the conversion has ended. Its first line is the
// ffmpeg command it runs ("avformat: ffmpeg 'arg' ..." under Wine, quoted for
// /bin/sh). A command line it does not accept gets a message on standard
// output and exit code 2.
//
// A Windows ffmpeg.exe beside this program or in a folder of the PATH
// (FfmpegLocator.h) does the work wherever one is found, under Wine too: it
// gets this process's standard output and error and runs inside a job
// object that ends it when this process ends (so terminating avformat.dll
// also stops the conversion).
//
// Without one, under Wine (found through Wine's path conversions), the Linux
// ffmpeg does the work through the bridge of sim/winebridge (WineBridge.h):
// a /bin/sh job in a work folder "avformat-..." of the temporary folder,
// whose output this process relays to its standard output while it keeps
// the job's heartbeat. AVFORMAT_FFMPEG (Linux side) may name another ffmpeg.
// On Windows without one, it says where it looked and exits with 3.
#include "FfmpegLocator.h"
#include "FfmpegMapping.h"
#include "JobScript.h"
#include "LegacyOptions.h"
#include "LongPath.h"
#include "ModuleFolder.h"
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

// The first Windows ffmpeg.exe beside this program or on the PATH; empty
// when there is none.
std::string FindWindowsFfmpeg() {
    std::string path;
    if (DWORD n = GetEnvironmentVariableA("PATH", nullptr, 0); n > 0) {
        path.resize(n);
        n = GetEnvironmentVariableA("PATH", path.data(), n);
        path.resize(n < path.size() ? n : 0);
    }
    for (const auto& candidate : avf::FfmpegCandidates(win::ProgramFolder(), path)) {
        if (win::FileExists(candidate)) return candidate;
    }
    return {};
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

int RunWindowsFfmpeg(const std::string& ffmpeg, const avf::LegacyRequest& request) {
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
    if (!CreateProcessA(ffmpeg.c_str(), line.data(), nullptr, nullptr, TRUE, CREATE_SUSPENDED, nullptr, nullptr, &si, &pi)) {
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
    if (const std::string ffmpeg = FindWindowsFfmpeg(); !ffmpeg.empty()) return RunWindowsFfmpeg(ffmpeg, *parsed.request);
    winebridge::WinePaths wine;
    if (wine.available()) return RunThroughWine(wine, *parsed.request);
    Say(avf::NoFfmpegMessage(win::ProgramFolder()));
    return kExitNoConverter;
}

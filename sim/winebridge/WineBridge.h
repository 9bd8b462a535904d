// Runs the Linux ffmpeg from a Windows program under Wine: shared by
// avformat.dll and the simulated engine's image recorder.
//
// A Linux program started from Wine gets no Windows pipe (its output is
// lost and the pipe reports its end at once) and no usable process handle,
// so:
//   1. a work folder is made in the Windows temporary folder and turned into
//      a Linux path (wine_get_unix_file_name);
//   2. a /bin/sh job (JobScript.h) is written there and started with
//      CreateProcess of /bin/sh (Windows name from wine_get_dos_file_name);
//      the job runs ffmpeg with its output redirected into output.log and,
//      when ffmpeg has ended, writes its exit status into exit.code;
//   3. the caller's thread relays the growing output.log, touches the file
//      "alive" about once a second (the job stops ffmpeg when that heartbeat
//      is older than a few seconds, which is what happens when the Windows
//      process ends), and returns when exit.code appears, with that status;
//      the work folder is removed. Folders whose heartbeat is over a minute
//      old (a process ended before its job started) are swept away at the
//      next run.
// AVFORMAT_FFMPEG (Linux side) may name another ffmpeg.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace winebridge {

// Wine's path conversions, present only under Wine.
class WinePaths {
public:
    WinePaths();
    bool available() const { return toUnix_ && toDos_; }
    // Empty when the path cannot be converted.
    std::string ToUnixPath(const std::string& windowsPath) const;
    std::wstring ToDosPath(const std::string& unixPath) const;

private:
    using ToUnix = char*(CDECL*)(LPCWSTR);
    using ToDos = WCHAR*(CDECL*)(LPCSTR);
    ToUnix toUnix_ = nullptr;
    ToDos toDos_ = nullptr;
};

// What went wrong on the Windows side of a run (never ffmpeg's own exit code).
inline constexpr int kBridgeFailed = -1;

// Runs ffmpeg with `args` (Linux paths) through a job in a work folder named
// "<folderPrefix>-<process>-<tick>-<n>" and waits for it on the calling
// thread. `output` receives ffmpeg's output as it grows; `say` a line
// about a failure of the bridge. Returns ffmpeg's exit status, or
// kBridgeFailed.
int RunFfmpeg(const WinePaths& wine, const std::vector<std::string>& args, const std::string& folderPrefix,
              const std::function<void(const char* data, size_t size)>& output,
              const std::function<void(const std::string& line)>& say);

}  // namespace winebridge

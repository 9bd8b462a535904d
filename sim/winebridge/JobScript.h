// Texts handed to other processes, as pure logic: the shell job
// that runs the Linux ffmpeg under Wine (for avformat.dll and the simulated
// engine), and Windows command-line quoting for
// ffmpeg.exe on Windows.
#pragma once

#include <string>
#include <vector>

namespace avf {

// File names inside a job's work folder.
inline constexpr const char* kJobScriptName = "job.sh";
inline constexpr const char* kJobOutputName = "output.log";
inline constexpr const char* kJobExitName = "exit.code";
inline constexpr const char* kJobAliveName = "alive";
// Written by the job when the heartbeat went stale; the job then removes its
// work folder itself, since nobody is left to read the exit status.
inline constexpr const char* kJobAbandonedName = "abandoned";

// Seconds without a heartbeat (the alive file's time stamp) after which the
// job stops ffmpeg: the converter process was terminated.
inline constexpr int kHeartbeatTimeoutSeconds = 5;

// 'text' for /bin/sh, embedded single quotes as '\''.
std::string ShellQuote(const std::string& text);

// The /bin/sh job: runs ffmpeg (the one AVFORMAT_FFMPEG names, or the first on
// the Linux PATH) with args, its output into workDir/output.log; stops it
// when the heartbeat goes stale (and then removes workDir); otherwise writes its exit status into
// workDir/exit.code (written under another name and renamed, so that a
// reader never sees it half-written). workDir is a Linux path.
std::string BuildJobScript(const std::string& workDir, const std::vector<std::string>& args);

// One argument quoted for a Windows command line (the C runtime's rules).
std::string QuoteWindowsArgument(const std::string& arg);
// program + args, each quoted as needed, separated by single blanks.
std::string BuildWindowsCommandLine(const std::string& program, const std::vector<std::string>& args);

// The exit status in the text of exit.code; -1 when it is not a number.
int ParseExitCode(const std::string& text);

}  // namespace avf

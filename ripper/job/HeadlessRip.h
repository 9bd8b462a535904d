// The headless rip mode: the rip job with no window, driven by the command
// line (RipCommandLine.h) and reporting as text lines on the console the
// program was started from (or its standard output when that is redirected).
//
// Exit codes: 0 when every requested track was written completely (with
// /tracks:all, every audio track: the data tracks are left out); 1 when a
// track was abandoned (unreadable block), failed, could not be written or
// was a data track asked for by number, when secure mode found suspicious
// positions, when a track is not verified against the AccurateRip record
// (/verify), or when the log cannot be written; 2 for bad arguments, an
// AccurateRip record file that cannot be read, a missing CD access library
// or drive, no disc, a disc without audio tracks, a requested track the
// disc does not hold, or an output folder that does not exist. Every code
// but 0 comes with a one-line reason.
#pragma once

#include <string>
#include <vector>

#include "RipCommandLine.h"
#include "UserNotice.h"

namespace HeadlessRip {

constexpr int ExitComplete = 0;
constexpr int ExitIncomplete = 1;
constexpr int ExitBadRequest = 2;

// The progress line for one report: "<text>: <done> of <total> frames (<p> %)".
std::string ProgressLine(const std::string& text, float done, float total);

// The line for a message of the job: "<title>: <text>", or the text alone
// without a title.
using ::NoticeLine;

}  // namespace HeadlessRip

// Runs the headless rip mode with the program's arguments (the first one
// "/rip", optional here) and returns the process's exit code. `lossy`, when
// not empty, is an argument the ANSI code page could not hold: the mode
// refuses the line, naming it.
int RunHeadlessRip(const std::vector<std::string>& args, const std::string& lossy = {});

// The headless rip mode's command line, parsed without touching the system:
//
//   /rip [/tracks:all|LIST] [/format:MP3|WAV] [/bitrate:N] [/quality:NAME]
//        [/out:FOLDER] [/drive:N] [/secure] [/log] [/verify:FILE]
//
// LIST is track numbers and ranges separated by commas ("1,3-5"). Switch
// names, "all", formats and quality names are not case-sensitive; a switch
// may start with '/' or '-' and takes its value after ':' or '='. Each switch
// may be given once. /secure reads every block twice and compares (test and
// copy); /log writes "Rip log.txt" and "Disc.cue" beside the tracks; /verify
// compares the tracks with an AccurateRip record file and implies /log.
// Absent switches take the program's defaults: all tracks,
// "MP3", 160 kbit/s, "Normal", the saved output folder, drive 0.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "OutputFormat.h"

namespace RipCommandLine {

constexpr int MaxTrackNumber = 99;  // a disc holds tracks 1..99
constexpr int MaxDrive = 7;         // the drive list holds 8 entries

struct RipCommand {
    bool allTracks = true;
    std::vector<int> tracks;      // ascending, no repeats; used when !allTracks
    OutputFormat format = OutputFormat::Mp3;
    std::string bitrateText = "160";
    int qualityIndex = 1;         // position in the "Quality" list ("Normal")
    std::optional<std::string> outFolder;  // absent: the saved output folder
    int drive = 0;
    bool secure = false;                   // /secure
    bool log = false;                      // /log (or /verify)
    std::optional<std::string> verifyFile;  // /verify:FILE

    // Whether track `number` is one the command asks for.
    bool Wants(int number) const;
};

struct ParseResult {
    std::optional<RipCommand> command;
    std::string error;  // one line, set when command is empty
    explicit operator bool() const { return command.has_value(); }
};

// True when `arg` is the switch that selects the headless rip mode ("/rip").
bool IsRipSwitch(std::string_view arg);

// Parses the program's arguments; a leading "/rip" is skipped.
ParseResult Parse(const std::vector<std::string>& args);

// The track list syntax on its own: "all" gives an empty list with
// `all` set; else the numbers of LIST, ascending, without repeats.
struct TrackSelection {
    bool all = false;
    std::vector<int> tracks;
};
std::optional<TrackSelection> ParseTrackList(std::string_view text, std::string& error);

// The line that shows the command's syntax.
std::string_view Usage();

}  // namespace RipCommandLine

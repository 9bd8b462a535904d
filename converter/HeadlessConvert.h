// The headless conversion mode: the conversion job with no window, driven by
// the command line and reporting as text lines on the console the program
// was started from (or its standard output when that is redirected):
//
//   /convert FILE... [/preset:NAME] /out:FOLDER
//
// NAME is a format caption of the converter tab, exactly as the list shows
// it (quote it when it holds blanks); without /preset the tab's default
// format is used. A switch may start with '/' or '-' and takes its value
// after ':' or '='; switch names are not case-sensitive.
//
// Exit codes: 0 when every file was converted (the converter ended and the
// destination holds data); 1 when a converter could not be started or wrote
// nothing; 2 for bad arguments, an unknown preset, a missing file, a folder
// given as a file, a file the preset would convert onto itself, or an output
// folder that does not exist. Every code but 0 comes with a reason.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace HeadlessConvert {

constexpr int ExitComplete = 0;
constexpr int ExitIncomplete = 1;
constexpr int ExitBadRequest = 2;

struct ConvertCommand {
    std::vector<std::string> files;
    std::string preset;
    std::string outFolder;
};

struct ParseResult {
    std::optional<ConvertCommand> command;
    std::string error;  // one line, set when command is empty
    explicit operator bool() const { return command.has_value(); }
};

// True when `arg` selects the headless conversion mode ("/convert").
bool IsConvertSwitch(std::string_view arg);

// Parses the program's arguments; a leading "/convert" is skipped.
ParseResult Parse(const std::vector<std::string>& args);

std::string_view Usage();

}  // namespace HeadlessConvert

// Runs the headless conversion mode with the program's arguments and returns
// the process's exit code.
// `lossy`, when not empty, is an argument the ANSI code page could not hold:
// the mode refuses the line, naming it.
int RunHeadlessConvert(const std::vector<std::string>& args, const std::string& lossy = {});

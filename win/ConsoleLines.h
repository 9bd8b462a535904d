// Where a program's text lines go: its standard output when that leads
// somewhere (a console program, or a redirection), else the console of the
// parent process, else nowhere.
#pragma once

#include <windows.h>

#include <string>

#include "WinHandles.h"

namespace win {

class ConsoleLines {
public:
    ConsoleLines();
    ConsoleLines(const ConsoleLines&) = delete;
    ConsoleLines& operator=(const ConsoleLines&) = delete;

    // Writes `text` and a line end; control characters in `text` are written
    // as \xNN, so a line is always one line.
    void Line(const std::string& text);

private:
    HANDLE out_ = nullptr;
    unique_handle console_;
};

}  // namespace win

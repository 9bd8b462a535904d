// Small helpers the program's windows share: a window's text, the frame
// rectangle of a popup centred over its owner, and the shell's folder picker.
#pragma once

#include <windows.h>

#include <string>

namespace controls {

// The window's text; empty for a null window.
std::string WindowText(HWND h);

// Where a popup with the given client size, style and extended style goes:
// centred over `owner`, or over the work area when there is none. The
// rectangle is the frame's (left, top, width in right, height in bottom).
RECT CenteredFrame(HWND owner, int clientWidth, int clientHeight, DWORD style,
                   DWORD exStyle);

// The shell's folder picker: no owner, the desktop as root, file-system
// folders only, the title "Directory" for an empty title. The chosen path
// without leading and trailing blanks; empty when cancelled.
std::string BrowseForFolder(const std::string &title = {});

} // namespace controls

// Small helpers the program's windows share: a window's text, a combo box's
// chosen text, making a child control, the columns of a report-view list, the
// frame rectangle of a popup centred over its owner, and the shell's folder
// picker.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <string>

namespace controls {

// The window's text; empty for a null window.
std::string WindowText(HWND h);

// The text of a combo box's selected item; its edit text when nothing is
// selected (a drop-down list then has none).
std::string SelectedComboText(HWND combo);

// A child control of `parent` with the control id `id` at (x, y), w by h, in
// `font` (none: the control's own). `style` gets WS_CHILD; a visible control
// asks for WS_VISIBLE itself.
HWND CreateChild(HWND parent, const char* cls, const char* text, DWORD style, int id, int x, int y, int w, int h,
                 HFONT font, DWORD exStyle = 0);

// One column of a report-view list: its header text and its width in pixels.
struct ListColumn {
    const char* text;
    int width;
};

// Appends `columns` to the list, in order.
void AddListColumns(HWND list, std::initializer_list<ListColumn> columns);

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

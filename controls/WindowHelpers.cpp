#include "WindowHelpers.h"

#include <commctrl.h>
#include <shlobj.h>

namespace controls {

std::string WindowText(HWND h) {
  if (!h)
    return {};
  const int n = ::GetWindowTextLengthA(h);
  std::string s(static_cast<size_t>(n) + 1, '\0');
  const int got = ::GetWindowTextA(h, s.data(), n + 1);
  s.resize(static_cast<size_t>(got > 0 ? got : 0));
  return s;
}

std::string SelectedComboText(HWND combo) {
  if (!combo)
    return {};
  const LRESULT sel = ::SendMessageA(combo, CB_GETCURSEL, 0, 0);
  if (sel == CB_ERR)
    return WindowText(combo);
  const LRESULT n = ::SendMessageA(combo, CB_GETLBTEXTLEN, sel, 0);
  if (n == CB_ERR)
    return {};
  std::string s(static_cast<size_t>(n) + 1, '\0');
  ::SendMessageA(combo, CB_GETLBTEXT, sel, reinterpret_cast<LPARAM>(s.data()));
  s.resize(static_cast<size_t>(n));
  return s;
}

HWND CreateChild(HWND parent, const char *cls, const char *text, DWORD style,
                 int id, int x, int y, int w, int h, HFONT font,
                 DWORD exStyle) {
  HWND c = ::CreateWindowExA(exStyle, cls, text, WS_CHILD | style, x, y, w, h,
                             parent,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                             ::GetModuleHandleA(nullptr), nullptr);
  if (c && font)
    ::SendMessageA(c, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return c;
}

void AddListColumns(HWND list, std::initializer_list<ListColumn> columns) {
  int i = 0;
  for (const ListColumn &column : columns) {
    LVCOLUMNA c{};
    c.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    c.pszText = const_cast<char *>(column.text);
    c.cx = column.width;
    c.iSubItem = i;
    ::SendMessageA(list, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&c));
    ++i;
  }
}

RECT CenteredFrame(HWND owner, int clientWidth, int clientHeight, DWORD style,
                   DWORD exStyle) {
  RECT frame{0, 0, clientWidth, clientHeight};
  ::AdjustWindowRectEx(&frame, style, FALSE, exStyle);
  const int w = frame.right - frame.left, h = frame.bottom - frame.top;
  RECT area;
  if (!owner || !::GetWindowRect(owner, &area))
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
  const int x = area.left + ((area.right - area.left) - w) / 2;
  const int y = area.top + ((area.bottom - area.top) - h) / 2;
  return RECT{x, y, w, h};
}

std::string BrowseForFolder(const std::string &title) {
  char chosen[MAX_PATH] = {};
  BROWSEINFOA info{};
  info.hwndOwner = nullptr;
  info.lpszTitle = title.empty() ? "Directory" : title.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS;
  std::string result;
  if (PIDLIST_ABSOLUTE pidl = ::SHBrowseForFolderA(&info)) {
    if (::SHGetPathFromIDListA(pidl, chosen))
      result = chosen;
    ::CoTaskMemFree(pidl);
  }
  const auto first = result.find_first_not_of(' ');
  if (first == std::string::npos)
    return {};
  return result.substr(first, result.find_last_not_of(' ') - first + 1);
}

} // namespace controls

#include "WindowHelpers.h"

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

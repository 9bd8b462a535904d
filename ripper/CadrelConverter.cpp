// CadrelConverter: the program. With /rip as its first argument it rips
// without a window (HeadlessRip.h); otherwise it shows the main window and
// runs until that window is closed.
#include <windows.h>

#include <objbase.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "Cadrel.h"
#include "HeadlessRip.h"

namespace {

// The program's arguments, split the way the C runtime splits them: blanks
// separate, double quotes group, backslashes before a quote escape it.
std::vector<std::string> Arguments() {
    std::vector<std::string> args;
    int count = 0;
    LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (!wide) return args;
    for (int i = 1; i < count; ++i) {
        const int n = ::WideCharToMultiByte(CP_ACP, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
        std::string a(n > 0 ? static_cast<size_t>(n) : 1, '\0');
        if (n > 0) ::WideCharToMultiByte(CP_ACP, 0, wide[i], -1, a.data(), n, nullptr, nullptr);
        a.resize(a.find('\0') == std::string::npos ? a.size() : a.find('\0'));
        args.push_back(a);
    }
    ::LocalFree(wide);
    return args;
}

bool IsRipSwitch(const std::string& a) {
    return a.size() == 4 && (a[0] == '/' || a[0] == '-') && (a[1] | 0x20) == 'r' && (a[2] | 0x20) == 'i' &&
           (a[3] | 0x20) == 'p';
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int showCommand) {
    const std::vector<std::string> args = Arguments();
    if (!args.empty() && IsRipSwitch(args[0])) return RunHeadlessRip(args);

    // The folder picker needs an apartment.
    const HRESULT ole = ::OleInitialize(nullptr);
    int exitCode = 0;
    {
        Cadrel window;
        if (!window.Create(showCommand)) {
            exitCode = 1;
        } else {
            MSG msg;
            while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
                HWND root = msg.hwnd ? ::GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
                if (root && ::IsDialogMessageA(root, &msg)) continue;
                ::TranslateMessage(&msg);
                ::DispatchMessageA(&msg);
            }
            exitCode = static_cast<int>(msg.wParam);
        }
    }
    if (SUCCEEDED(ole)) ::OleUninitialize();
    return exitCode;
}

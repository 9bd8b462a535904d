// CadrelConverter: the program. With /rip as its first argument it rips
// without a window (HeadlessRip.h), with /convert it converts without a
// window (HeadlessConvert.h); otherwise it shows the main window and
// runs until that window is closed.
#include <windows.h>

#include <objbase.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "Cadrel.h"
#include "HeadlessConvert.h"
#include "HeadlessRip.h"
#include "RipCommandLine.h"
#include "TextConversion.h"

namespace {

// The program's arguments, split the way the C runtime splits them: blanks
// separate, double quotes group, backslashes before a quote escape it.
std::vector<std::string> Arguments() {
    std::vector<std::string> args;
    int count = 0;
    LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (!wide) return args;
    for (int i = 1; i < count; ++i) args.push_back(win::Narrow(wide[i]));
    ::LocalFree(wide);
    return args;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int showCommand) {
    const std::vector<std::string> args = Arguments();
    if (!args.empty() && RipCommandLine::IsRipSwitch(args[0])) return RunHeadlessRip(args);
    if (!args.empty() && HeadlessConvert::IsConvertSwitch(args[0])) return RunHeadlessConvert(args);

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

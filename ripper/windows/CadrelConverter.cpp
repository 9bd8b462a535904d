// CadrelConverter: the program. With /rip as its first argument it rips
// without a window (HeadlessRip.h), with /convert it converts without a
// window (HeadlessConvert.h); otherwise it shows the main window and
// runs until that window is closed.
#include <windows.h>

#include <objbase.h>

#include <string>
#include <vector>

#include "Cadrel.h"
#include "HeadlessConvert.h"
#include "HeadlessRip.h"
#include "ProgramArguments.h"
#include "RipCommandLine.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int showCommand) {
    const win::ProgramArguments arguments = win::GetProgramArguments();
    const std::vector<std::string>& args = arguments.args;
    if (!args.empty() && RipCommandLine::IsRipSwitch(args[0])) return RunHeadlessRip(args, arguments.lossy);
    if (!args.empty() && HeadlessConvert::IsConvertSwitch(args[0])) return RunHeadlessConvert(args, arguments.lossy);

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

// close-when-done FILE TITLE [SECONDS]: stands in for the user of a script
// that waits in a message box while a burn runs. Waits until FILE exists
// (at most SECONDS, default 120), then closes the window captioned TITLE
// (as the OK button would), waiting for it to appear if need be. Exit code
// 0 when the file appeared, 1 when the time ran out (the box is closed all
// the same, so the script goes on and reports).
#include <windows.h>

#include <string>

namespace {

bool FileThere(const wchar_t* path) {
    const DWORD a = GetFileAttributesW(path);
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) return 2;
    const int seconds = argc > 3 ? _wtoi(argv[3]) : 120;
    bool appeared = false;
    for (int waited = 0; waited < seconds * 10; ++waited) {
        if ((appeared = FileThere(argv[1]))) break;
        Sleep(100);
    }
    // The box may not be up yet: look for it for another ten seconds.
    for (int tries = 0; tries < 100; ++tries) {
        if (HWND box = FindWindowW(nullptr, argv[2])) {
            PostMessageW(box, WM_CLOSE, 0, 0);
            break;
        }
        Sleep(100);
    }
    return appeared ? 0 : 1;
}

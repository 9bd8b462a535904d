// WindowShots: pictures of the program's windows for the documentation. It
// opens the main window on whatever disc is in the drive, saves the screen,
// then rips every track to MP3 into a scratch folder and saves the screen
// again while the progress window is up, cancelling the job after that.
// With a third name it then shows the converter tab with a few files listed,
// and with a fourth the conversion progress window over it, as a job shows it
// while a file converts.
//
//   WindowShots.exe MAIN.bmp PROGRESS.bmp [CONVERTER.bmp [CONVERSION.bmp]]
//
// Run it inside Wine's virtual desktop so that the window frames show
// (scripts/screenshots does).
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <string>
#include <vector>

#include "BitmapFile.h"
#include "Cadrel.h"
#include "CandyButton.h"
#include "ConverterTab.h"
#include "GdiObjects.h"
#include "frmconverprogress.h"

namespace {

Cadrel* g_window = nullptr;
std::string g_progressShot;
bool g_progressSaved = false;

bool SaveScreen(const std::string& path) {
    const int w = ::GetSystemMetrics(SM_CXSCREEN), h = ::GetSystemMetrics(SM_CYSCREEN);
    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof bmi.bmiHeader;
    bmi.bmiHeader.biWidth = w;
    bmi.bmiHeader.biHeight = -h;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    HDC screen = ::GetDC(nullptr);
    win::unique_memory_dc mem(screen);
    void* bits = nullptr;
    win::unique_bitmap dib(::CreateDIBSection(mem.get(), &bmi, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!dib || !bits) {
        ::ReleaseDC(nullptr, screen);
        return false;
    }
    {
        win::selected_object sel(mem.get(), dib.get());
        ::BitBlt(mem.get(), 0, 0, w, h, screen, 0, 0, SRCCOPY);
        ::GdiFlush();
    }
    ::ReleaseDC(nullptr, screen);
    return SaveTopDownBitmap(path.c_str(), bits, w, h);
}

void PumpFor(DWORD ms) {
    const DWORD end = ::GetTickCount() + ms;
    while (::GetTickCount() < end) {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        ::Sleep(20);
    }
}

// A few media files of different sizes in `folder`, for the converter tab.
std::vector<std::string> SampleMedia(const std::string& folder) {
    const struct {
        const char* name;
        DWORD bytes;
    } files[] = {{"Holiday 2026.avi", 18734112}, {"concert.live.mpg", 7340032}, {"Interview.mov", 1234567},
                 {"Lecture 04.wmv", 24117248}, {"birthday.flv", 3145728}};
    std::vector<std::string> paths;
    for (const auto& f : files) {
        const std::string path = folder + "\\" + f.name;
        HANDLE h = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) continue;
        LARGE_INTEGER size{};
        size.QuadPart = f.bytes;
        ::SetFilePointerEx(h, size, nullptr, FILE_BEGIN);
        ::SetEndOfFile(h);
        ::CloseHandle(h);
        paths.push_back(path);
    }
    return paths;
}

// Runs while the job pumps messages: the progress window is up by then.
void CALLBACK DuringRip(HWND, UINT, UINT_PTR id, DWORD) {
    if (g_progressSaved) return;
    g_progressSaved = true;
    ::KillTimer(nullptr, id);
    SaveScreen(g_progressShot);
    g_window->JobState().Cancel();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: WindowShots MAIN.bmp PROGRESS.bmp\n");
        return 2;
    }
    g_progressShot = argv[2];
    Cadrel window;
    g_window = &window;
    if (!window.Create(SW_SHOWNORMAL)) return 1;
    ::SetWindowPos(window.hWnd(), nullptr, 20, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    HWND list = window.Control(Cadrel::IdListView1);
    for (int i = 0; i < ListView_GetItemCount(list); ++i) ListView_SetCheckState(list, i, TRUE);
    if (auto* b = window.Button(Cadrel::IdCandyButton1)) b->SetCaption("Select None");
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    const std::string out = std::string(temp) + "cadrel-window-shots";
    ::CreateDirectoryA(out.c_str(), nullptr);
    ::SetWindowTextA(window.Control(Cadrel::IdTxtOutPath), out.c_str());
    PumpFor(2500);
    if (!SaveScreen(argv[1])) return 1;
    ::SetTimer(nullptr, 0, 2500, DuringRip);
    ::SendMessageA(window.hWnd(), WM_COMMAND, MAKEWPARAM(Cadrel::IdCandyButton3, BN_CLICKED),
                   reinterpret_cast<LPARAM>(window.Control(Cadrel::IdCandyButton3)));
    if (!g_progressSaved) return 1;
    if (argc < 4) return 0;
    const std::string media = out + "\\media";
    ::CreateDirectoryA(media.c_str(), nullptr);
    window.ShowPage(1);
    ConverterTab* tab = window.Converter();
    if (!tab) return 1;
    tab->AddFiles(SampleMedia(media));
    tab->SetRowChecked(0, true);
    tab->SetRowChecked(2, true);
    tab->SetFormatCaption("iPOD Video (320x240) MPEG4");
    tab->SetOutputFolder(out);
    PumpFor(2000);
    if (!SaveScreen(argv[3])) return 1;
    if (argc < 5) return 0;
    // The progress window as the job fills it for the first checked file; the
    // bar is moved on as its timer moves it every five seconds.
    frmconverprogress progress;
    progress.Show(window.hWnd());
    progress.FileStarted("Holiday 2026.mp4");
    progress.Converting();
    for (int i = 0; i < 4; ++i) progress.Timer1_Timer();
    PumpFor(1500);
    return SaveScreen(argv[4]) ? 0 : 1;
}

// Helpers for tests that drive real windows on the test's own thread.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace testing_support {

// Records the text and title of every message box the thread shows and
// presses OK, so a test runs through code that asks the user.
class MessageBoxRecorder {
public:
    MessageBoxRecorder() {
        current_ = this;
        hook_ = ::SetWindowsHookExA(WH_CBT, &Hook, nullptr, ::GetCurrentThreadId());
    }
    ~MessageBoxRecorder() {
        if (hook_) ::UnhookWindowsHookEx(hook_);
        current_ = nullptr;
    }
    MessageBoxRecorder(const MessageBoxRecorder&) = delete;
    MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

    std::vector<std::string> texts;
    std::vector<std::string> titles;

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wp, LPARAM lp) {
        if (code == HCBT_ACTIVATE && current_) {
            HWND box = reinterpret_cast<HWND>(wp);
            char cls[32] = {};
            ::GetClassNameA(box, cls, sizeof cls);
            if (std::string(cls) == "#32770") {
                char text[512] = {}, title[256] = {};
                ::GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
                ::GetWindowTextA(box, title, sizeof title);
                current_->texts.emplace_back(text);
                current_->titles.emplace_back(title);
                ::PostMessageA(box, WM_COMMAND, IDOK, 0);
            }
        }
        return ::CallNextHookEx(nullptr, code, wp, lp);
    }
    static inline MessageBoxRecorder* current_ = nullptr;
    HHOOK hook_ = nullptr;
};

// Dispatches what is waiting; a quit message left by the previous test's
// window is dropped, or it would hold back every timer of the next one.
inline void Pump() {
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
}

}  // namespace testing_support

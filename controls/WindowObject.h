// WindowObject: ties one C++ object to one window of a registered class.
//
// Derived supplies `LRESULT HandleMessage(UINT, WPARAM, LPARAM)`. The object
// is passed as the lpParam of CreateWindowEx, attached at WM_NCCREATE and
// detached after WM_NCDESTROY, when OnFinalMessage runs (controls delete
// themselves there; windows owned by other code leave it empty). Nothing
// thrown in a handler leaves the window procedure: it is answered by the
// default procedure instead.
#pragma once

#include <windows.h>

namespace controls {

// Registers a window class served by a plain window procedure (a painted
// helper child, a tab page) once per process; later calls answer true.
inline bool RegisterPlainWindowClass(const char* className, WNDPROC proc, HBRUSH background = nullptr) noexcept {
    HINSTANCE instance = ::GetModuleHandleA(nullptr);
    WNDCLASSEXA existing{};
    existing.cbSize = sizeof existing;
    if (::GetClassInfoExA(instance, className, &existing)) return true;
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = background;
    wc.lpszClassName = className;
    return ::RegisterClassExA(&wc) != 0;
}

template <class Derived>
class WindowObject {
public:
    WindowObject() = default;
    WindowObject(const WindowObject&) = delete;
    WindowObject& operator=(const WindowObject&) = delete;
    virtual ~WindowObject() = default;

    HWND hWnd() const noexcept { return hwnd_; }

    // The object of a window of this class, or null for any other window
    // (a window of another class, a destroyed handle, null).
    static Derived* FromWindow(HWND hwnd) noexcept {
        if (!hwnd || !::IsWindow(hwnd)) return nullptr;
        if (reinterpret_cast<WNDPROC>(::GetWindowLongPtrA(hwnd, GWLP_WNDPROC)) != &WindowObject::WndProc)
            return nullptr;
        return reinterpret_cast<Derived*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    }

    // Registers the window class once per process; later calls answer true.
    static bool RegisterWindowClass(const char* className, UINT style = CS_DBLCLKS, HCURSOR cursor = nullptr,
                                    HBRUSH background = nullptr, HICON icon = nullptr) noexcept {
        HINSTANCE instance = ::GetModuleHandleA(nullptr);
        WNDCLASSEXA existing{};
        existing.cbSize = sizeof existing;
        if (::GetClassInfoExA(instance, className, &existing)) return true;
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.style = style;
        wc.lpfnWndProc = &WindowObject::WndProc;
        wc.hInstance = instance;
        wc.hCursor = cursor ? cursor : ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        wc.hbrBackground = background;
        wc.hIcon = icon;
        wc.lpszClassName = className;
        return ::RegisterClassExA(&wc) != 0;
    }

protected:
    virtual void OnFinalMessage() {}

    LRESULT Default(UINT msg, WPARAM wp, LPARAM lp) noexcept { return ::DefWindowProcA(hwnd_, msg, wp, lp); }

private:
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
        Derived* self = nullptr;
        if (msg == WM_NCCREATE) {
            auto* cs = reinterpret_cast<CREATESTRUCTA*>(lp);
            self = static_cast<Derived*>(reinterpret_cast<WindowObject*>(cs->lpCreateParams));
            if (!self) return FALSE;
            static_cast<WindowObject*>(self)->hwnd_ = hwnd;
            ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        } else {
            self = reinterpret_cast<Derived*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        }
        if (!self) return ::DefWindowProcA(hwnd, msg, wp, lp);
        LRESULT result = 0;
        try {
            result = self->HandleMessage(msg, wp, lp);
        } catch (...) {
            result = ::DefWindowProcA(hwnd, msg, wp, lp);
        }
        if (msg == WM_NCDESTROY) {
            ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
            auto* base = static_cast<WindowObject*>(self);
            base->hwnd_ = nullptr;
            base->OnFinalMessage();
        }
        return result;
    }

    HWND hwnd_ = nullptr;
};

}  // namespace controls

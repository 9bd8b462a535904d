// ProgressFrame<Derived>: the frame both progress windows share. A popup with
// a caption, centred over its owner, whose close box is disabled when it is
// made and whose frame cannot close it (its button is the way out); the
// system's message font for its texts; its labels and its one button.
// The derived window adds its own controls and texts.
#pragma once

#include <windows.h>

#include "CandyButton.h"
#include "GdiObjects.h"
#include "PropertyBag.h"
#include "WindowHelpers.h"
#include "WindowObject.h"
#include "modCloseBtn.h"

namespace controls {

template <class Derived>
class ProgressFrame : public WindowObject<Derived> {
public:
    HWND Control(int id) const noexcept { return this->hWnd() ? ::GetDlgItem(this->hWnd(), id) : nullptr; }

protected:
    struct Look {
        const char* className;
        const char* caption;
        int clientWidth;
        int clientHeight;
        HBRUSH background;  // the class's background brush, or null
    };

    // Makes the window unless it exists; true when it exists afterwards.
    bool CreateFrame(HWND owner, const Look& look) {
        if (this->hWnd()) return true;
        this->RegisterWindowClass(look.className, 0, nullptr, look.background);
        const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
        // Centred over the owner (or the screen when there is none).
        const RECT at = CenteredFrame(owner, look.clientWidth, look.clientHeight, style, WS_EX_DLGMODALFRAME);
        if (!::CreateWindowExA(WS_EX_DLGMODALFRAME, look.className, look.caption, style, at.left, at.top, at.right,
                               at.bottom, owner, nullptr, ::GetModuleHandleA(nullptr),
                               static_cast<WindowObject<Derived>*>(this)))
            return false;
        // The frame cannot close the window: its button is the way out.
        modCloseBtn::EnableCloseButton(this->hWnd(), false);
        return true;
    }

    void ShowFrame() {
        ::ShowWindow(this->hWnd(), SW_SHOWNORMAL);
        ::UpdateWindow(this->hWnd());
    }

    // The system's message font, made once; the GUI font when there is none.
    HFONT Font() {
        if (!font_) {
            NONCLIENTMETRICSA metrics{};
            metrics.cbSize = sizeof metrics;
            if (::SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
                font_.reset(::CreateFontIndirectA(&metrics.lfMessageFont));
        }
        return font_ ? font_.get() : static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
    }

    // A child of `parent` (the window when null) in the frame's font.
    HWND AddChild(const char* cls, const char* text, DWORD style, int id, const RECT& at, HWND parent = nullptr) {
        HWND h = ::CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, at.left, at.top, at.right - at.left,
                                   at.bottom - at.top, parent ? parent : this->hWnd(),
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleA(nullptr),
                                   nullptr);
        if (h) ::SendMessageA(h, WM_SETFONT, reinterpret_cast<WPARAM>(Font()), FALSE);
        return h;
    }

    HWND AddLabel(const char* text, int id, const RECT& at, DWORD style = SS_LEFT | SS_NOPREFIX) {
        return AddChild("STATIC", text, style, id, at);
    }

    // The frame's button, in the buttons' bold face.
    CandyButton* AddButton(int id, const char* caption, const RECT& at) {
        PropertyBag bag{{"Caption", caption}, {"Style", "0"}, {"Font", "Tahoma,8,Bold"}};
        return CandyButton::Create(this->hWnd(), id, at, &bag);
    }

    // Close requests from the frame are refused; true when `msg` was one.
    static bool IsCloseRequest(UINT msg, WPARAM wp) noexcept {
        return msg == WM_CLOSE || (msg == WM_SYSCOMMAND && (wp & 0xFFF0) == SC_CLOSE);
    }

private:
    win::unique_font font_;
};

}  // namespace controls

// Owners for GDI and user-interface objects: pens, brushes, bitmaps, fonts and
// regions (DeleteObject), memory surfaces (DeleteDC), icons (DestroyIcon) and
// image lists (ImageList_Destroy), all unique_owner; and the scope guards of
// drawing: a window's surface (ReleaseDC), the paint pair BeginPaint/EndPaint
// and an object selected into a surface.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include "Owner.h"

namespace win {

template <class H>
bool DeleteGdiObject(H h) noexcept {
    return ::DeleteObject(h) != FALSE;
}

template <class H>
using unique_gdi = unique_owner<null_traits<H, DeleteGdiObject<H>>>;

using unique_pen = unique_gdi<HPEN>;
using unique_brush = unique_gdi<HBRUSH>;
using unique_bitmap = unique_gdi<HBITMAP>;
using unique_font = unique_gdi<HFONT>;
using unique_region = unique_gdi<HRGN>;

inline bool DestroyIconHandle(HICON h) noexcept { return ::DestroyIcon(h) != FALSE; }
using unique_icon = unique_owner<null_traits<HICON, DestroyIconHandle>>;

inline bool DestroyImageList(HIMAGELIST h) noexcept { return ImageList_Destroy(h) != FALSE; }
using unique_imagelist = unique_owner<null_traits<HIMAGELIST, DestroyImageList>>;

inline bool DeleteSurface(HDC h) noexcept { return ::DeleteDC(h) != FALSE; }

// A memory surface from CreateCompatibleDC.
class unique_memory_dc : public unique_owner<null_traits<HDC, DeleteSurface>> {
public:
    unique_memory_dc() noexcept = default;
    explicit unique_memory_dc(HDC compatibleWith) noexcept : unique_owner(::CreateCompatibleDC(compatibleWith)) {}
};

// A window's surface from GetDC, released with ReleaseDC.
class window_dc {
public:
    explicit window_dc(HWND hwnd) noexcept : hwnd_(hwnd), h_(::GetDC(hwnd)) {}
    window_dc(const window_dc&) = delete;
    window_dc& operator=(const window_dc&) = delete;
    ~window_dc() {
        if (h_) ::ReleaseDC(hwnd_, h_);
    }
    HDC get() const noexcept { return h_; }
    explicit operator bool() const noexcept { return h_ != nullptr; }

private:
    HWND hwnd_;
    HDC h_;
};

// BeginPaint/EndPaint for one WM_PAINT.
class paint_dc {
public:
    explicit paint_dc(HWND hwnd) noexcept : hwnd_(hwnd), h_(::BeginPaint(hwnd, &ps_)) {}
    paint_dc(const paint_dc&) = delete;
    paint_dc& operator=(const paint_dc&) = delete;
    ~paint_dc() { ::EndPaint(hwnd_, &ps_); }
    HDC get() const noexcept { return h_; }
    const PAINTSTRUCT& info() const noexcept { return ps_; }

private:
    HWND hwnd_;
    PAINTSTRUCT ps_{};
    HDC h_;
};

// Selects an object into a surface for the scope and puts the old one back.
class selected_object {
public:
    selected_object(HDC dc, HGDIOBJ obj) noexcept : dc_(dc), old_(obj ? ::SelectObject(dc, obj) : nullptr) {}
    selected_object(const selected_object&) = delete;
    selected_object& operator=(const selected_object&) = delete;
    ~selected_object() {
        if (old_) ::SelectObject(dc_, old_);
    }

private:
    HDC dc_;
    HGDIOBJ old_;
};

}  // namespace win

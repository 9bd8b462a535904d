// Owners for the GDI objects the owner-drawn controls create: pens, brushes,
// bitmaps, fonts and regions (DeleteObject), memory surfaces (DeleteDC),
// window surfaces (ReleaseDC), objects selected into a surface for a scope,
// and the paint pair BeginPaint/EndPaint.
#pragma once

#include <windows.h>

#include <utility>

namespace controls {

template <class H>
class unique_gdi {
public:
    unique_gdi() noexcept = default;
    explicit unique_gdi(H h) noexcept : h_(h) {}
    unique_gdi(unique_gdi&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
    unique_gdi& operator=(unique_gdi&& o) noexcept {
        if (this != &o) reset(std::exchange(o.h_, nullptr));
        return *this;
    }
    unique_gdi(const unique_gdi&) = delete;
    unique_gdi& operator=(const unique_gdi&) = delete;
    ~unique_gdi() { reset(); }

    H get() const noexcept { return h_; }
    explicit operator bool() const noexcept { return h_ != nullptr; }
    H release() noexcept { return std::exchange(h_, nullptr); }
    void reset(H h = nullptr) noexcept {
        H old = std::exchange(h_, h);
        if (old) ::DeleteObject(old);
    }

private:
    H h_ = nullptr;
};

using unique_pen = unique_gdi<HPEN>;
using unique_brush = unique_gdi<HBRUSH>;
using unique_bitmap = unique_gdi<HBITMAP>;
using unique_font = unique_gdi<HFONT>;
using unique_region = unique_gdi<HRGN>;

// A memory surface from CreateCompatibleDC.
class unique_memory_dc {
public:
    unique_memory_dc() noexcept = default;
    explicit unique_memory_dc(HDC compatibleWith) noexcept : h_(::CreateCompatibleDC(compatibleWith)) {}
    unique_memory_dc(unique_memory_dc&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
    unique_memory_dc& operator=(unique_memory_dc&& o) noexcept {
        if (this != &o) {
            reset();
            h_ = std::exchange(o.h_, nullptr);
        }
        return *this;
    }
    unique_memory_dc(const unique_memory_dc&) = delete;
    unique_memory_dc& operator=(const unique_memory_dc&) = delete;
    ~unique_memory_dc() { reset(); }
    HDC get() const noexcept { return h_; }
    explicit operator bool() const noexcept { return h_ != nullptr; }
    void reset() noexcept {
        if (h_) ::DeleteDC(h_);
        h_ = nullptr;
    }

private:
    HDC h_ = nullptr;
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

}  // namespace controls

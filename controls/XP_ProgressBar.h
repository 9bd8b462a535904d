// XP_ProgressBar: the owner-drawn progress bar of the program's windows.
//
// It keeps a percentage, draws itself in one of ten looks chosen by
// `Scrolling`, and can print the percentage in its middle. Every redraw
// paints into an off-screen bitmap (a memory surface compatible with the
// display, enlarged only when the control grows) and copies the result to the
// screen in one step; where that surface cannot be made, it draws straight
// onto its window.
//
// The object belongs to its window: Create makes both, and the object is
// deleted when the window is destroyed (with its parent or DestroyWindow).
//
// Property bag keys and defaults: "Max" 100, "Min" 0, "Value" 0,
// "Scrolling" 0, "Orientation" 0, "ShowText" False, "Color" &H8000000D (the
// system highlight colour; a value with the top bit set names a system colour
// by its index), "BrushStyle" 4, "Image" "" (the path of a .bmp file; empty
// for none), "Font" "Tahoma,8" (see FontDescription.h).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "FontDescription.h"
#include "GdiObjects.h"
#include "PropertyBag.h"
#include "WindowObject.h"

namespace controls {

class XP_ProgressBar : public WindowObject<XP_ProgressBar> {
public:
    static constexpr const char* kClassName = "XP_ProgressBar";
    static constexpr uint32_t kSystemColorFlag = 0x80000000u;
    static constexpr uint32_t kDefaultColor = kSystemColorFlag | COLOR_HIGHLIGHT;
    static constexpr int32_t kDefaultBrushStyle = HS_CROSS;  // 4, the cross hatch

    // Everything one redraw reads; the gallery and tests can draw any look
    // with it without a window.
    struct Settings {
        int32_t percent = 0;        // drawn as at most 100
        int32_t scrolling = 0;      // look 0..9; others draw as look 0
        int32_t orientation = 0;    // non-zero: upright (looks 0 to 2)
        bool showText = false;
        COLORREF color = RGB(49, 106, 197);  // a resolved RGB colour
        int32_t brushStyle = kDefaultBrushStyle;  // look 7; outside 0..5 the cross hatch (4)
        HBITMAP image = nullptr;    // look 8 pattern; not owned, may be null
        HFONT font = nullptr;       // not owned; null = the default text font
    };

    // Registers the window class (once per process).
    static bool Register() noexcept;

    // Creates the control as a child of parent (a plain pop-up when parent is
    // null) with the given id and rectangle in the parent's client
    // coordinates. `initial` holds properties by their keys; absent or
    // unreadable keys keep their defaults. Null when the window cannot be
    // created.
    static XP_ProgressBar* Create(HWND parent, int id, const RECT& rect,
                                  const PropertyBag* initial = nullptr) noexcept;

    // ---- properties ------------------------------------------------------
    // Value, Color, Image, Orientation, Scrolling and ShowText redraw at once;
    // Min, Max, BrushStyle and Font are stored for the next redraw. Min, Max,
    // Image, Orientation, Scrolling, ShowText and BrushStyle mark their key
    // in Changed().
    int32_t Max() const noexcept { return max_; }
    void SetMax(int32_t value);
    int32_t Min() const noexcept { return min_; }
    void SetMin(int32_t value);
    // Stored as a percentage (see progress::PercentFromValue / ValueFromPercent).
    int32_t Value() const noexcept;
    void SetValue(int32_t value);
    int32_t Percent() const noexcept { return percent_; }
    int32_t Scrolling() const noexcept { return scrolling_; }
    void SetScrolling(int32_t look);
    int32_t Orientation() const noexcept { return orientation_; }
    void SetOrientation(int32_t value);
    bool ShowText() const noexcept { return showText_; }
    void SetShowText(bool value);
    // The resolved RGB colour; setting a system colour (top bit set) stores
    // that colour's current RGB value.
    COLORREF Color() const noexcept { return color_; }
    void SetColor(uint32_t value);
    int32_t BrushStyle() const noexcept { return brushStyle_; }
    void SetBrushStyle(int32_t style);
    // The control keeps its own copy of the picture; the caller keeps its
    // bitmap. Null clears the picture. False (nothing changed) when the copy
    // cannot be made.
    HBITMAP Image() const noexcept { return image_.get(); }
    bool SetImage(HBITMAP source);
    // Loads the picture from a .bmp file; an empty path clears it.
    bool SetImageFile(const std::string& path);
    const FontDescription& Font() const noexcept { return font_; }
    void SetFont(const FontDescription& font);
    // Takes the description of an existing font; the caller keeps it.
    bool SetFont(HFONT font);
    // The off-screen surface in use, or null while drawing straight onto the window.
    HDC hDC() const noexcept { return memory_.get(); }

    const ChangedProperties& Changed() const noexcept { return changed_; }
    void ClearChanged() { changed_.Clear(); }

    // Applies the properties a bag holds (without marking them changed) and redraws.
    void ReadProperties(const PropertyBag& bag);
    // Writes every persisted property with its current value.
    void WriteProperties(PropertyBag& bag) const;

    // ---- drawing -----------------------------------------------------------
    // The redraw: caps the percentage at 100, draws the look and the text,
    // and copies the picture to the control's surface.
    void DrawProgressBar();
    Settings CurrentSettings() const;
    // The client-sized part of the off-screen bitmap as 0x00BBGGRR values,
    // rows top to bottom. False while drawing straight onto the window.
    bool CopyPixels(std::vector<uint32_t>& out, int& width, int& height) const;
    // Size of the off-screen bitmap (0 x 0 without one).
    SIZE SurfaceSize() const noexcept { return surfaceSize_; }

    // Draws one bar into `area` of any surface.
    static void Render(HDC dc, const RECT& area, const Settings& settings);
    // Draws one bar of width x height into a fresh bitmap and reads it back
    // as 0x00BBGGRR values, rows top to bottom.
    static bool RenderPixels(const Settings& settings, int width, int height, std::vector<uint32_t>& out);
    // The RGB value of a colour property value (system colours resolved).
    static COLORREF ResolveColor(uint32_t value) noexcept;

    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);

private:
    XP_ProgressBar();
    ~XP_ProgressBar() override;
    void OnFinalMessage() override;

    void ApplyBag(const PropertyBag& bag);
    bool EnsureSurface(int width, int height);
    void ReleaseSurface() noexcept;
    void DrawInto(HDC target);
    HFONT TextFont();

    int32_t max_ = 100;
    int32_t min_ = 0;
    int32_t percent_ = 0;
    int32_t scrolling_ = 0;
    int32_t orientation_ = 0;
    bool showText_ = false;
    COLORREF color_ = 0;
    int32_t brushStyle_ = kDefaultBrushStyle;
    win::unique_bitmap image_;
    std::string imagePath_;
    FontDescription font_;
    win::unique_font fontObject_;
    bool fontStale_ = true;
    ChangedProperties changed_;

    win::unique_memory_dc memory_;
    win::unique_bitmap surface_;
    HGDIOBJ originalBitmap_ = nullptr;
    SIZE surfaceSize_{0, 0};

    bool* destroyedFlag_ = nullptr;  // set while Create waits on CreateWindowEx
};

}  // namespace controls

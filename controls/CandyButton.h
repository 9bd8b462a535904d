// CandyButton: the owner-drawn push button of every command button of the
// program's windows.
//
// A child window of the registered class "CandyButton". It draws itself in
// one of several looks (ButtonFace.h) from four face colours, shows a hover
// state (mouse-leave notices through TrackMouseEvent), can act as a toggle
// (Checked) and raises Click, DblClick, MouseDown, MouseMove and MouseUp.
// Click also reaches the parent as WM_COMMAND (id, BN_CLICKED) from the
// button's window, so dialogs can treat it as a push button; BM_CLICK clicks
// it. Enter pressed and released while it has the focus clicks it (it asks
// the dialog manager for Enter through WM_GETDLGCODE).
//
// The window owns the object: Create returns it, and it is deleted when its
// window is destroyed (also from inside one of its own event handlers).
//
// Property bag keys and defaults are those of CandyButtonProperties; a bag
// without "Caption" gives the button its own name ("Name" in the bag, else
// "CandyButton<id>") as caption. Further text forms:
//   "Font"     as FontDescription reads it (default "Tahoma,8")
//   "Picture"  "#<id>" for an icon (or else bitmap) resource of the program,
//              otherwise the path of an .ico or .bmp file
// PictureAlignment: 0 picture left of the caption, 1 right of it, 2 above
// it, 3 below it, 4 centred behind it; other values count as 0.
// DisplayHand: the pointer is a hand while over an enabled button.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "ButtonFace.h"
#include "ButtonLogic.h"
#include "FontDescription.h"
#include "GdiObjects.h"
#include "PropertyBag.h"
#include "WindowObject.h"

namespace controls {

struct CandyButtonProperties {
    bool enabled = true;                      // "Enabled"
    FontDescription font;                      // "Font"
    std::string caption;                      // "Caption"
    bool captionHighLite = false;             // "CaptionHighLite"
    uint32_t captionHighLiteColor = 0x00FF00; // "CaptionHighLiteColor"
    bool iconHighLite = false;                // "IconHighLite"
    uint32_t iconHighLiteColor = 0x00FF00;    // "IconHighLiteColor"
    uint32_t foreColor = 0;                   // "ForeColor"
    HANDLE picture = nullptr;                 // "Picture": HICON or HBITMAP (not owned here)
    UINT pictureType = IMAGE_ICON;            //   IMAGE_ICON or IMAGE_BITMAP
    int32_t pictureAlignment = kPictureLeft;  // "PictureAlignment"
    int32_t style = 0;                        // "Style"
    bool checked = false;                     // "Checked"
    ButtonFaceColors colors;                  // "ColorButtonUp", "ColorButtonHover", "ColorButtonDown", "ColorBright"
    int32_t borderBrightness = 0;             // "BorderBrightness", -100..100
    bool displayHand = false;                 // "DisplayHand"
    int32_t colorScheme = 0;                  // "ColorScheme"
};

class CandyButton : public WindowObject<CandyButton> {
public:
    static constexpr const char* kClassName = "CandyButton";

    static bool Register();

    // Creates the button as child `id` of `parent` at `rect` (parent client
    // coordinates), visible, with the properties of `initial` (defaults for
    // keys it lacks). Null when the window cannot be created.
    static CandyButton* Create(HWND parent, int id, const RECT& rect, const PropertyBag* initial = nullptr);

    // Draws a button with `props` in `state` (0..4) into `dc` at `rect`, over
    // what `dc` already shows there: for galleries and previews. State 3
    // also shows the hover highlights.
    static void Render(HDC dc, const RECT& rect, const CandyButtonProperties& props, int state);
    static void Render(HDC dc, const RECT& rect, const CandyButtonProperties& props, int state, bool hovered);

    // --- properties ------------------------------------------------------
    const CandyButtonProperties& Properties() const { return props_; }

    bool Enabled() const { return props_.enabled; }
    void SetEnabled(bool value);
    const FontDescription& Font() const { return props_.font; }
    void SetFont(const FontDescription& font);
    const std::string& Caption() const { return props_.caption; }
    void SetCaption(const std::string& caption);
    bool CaptionHighLite() const { return props_.captionHighLite; }
    void SetCaptionHighLite(bool value);
    uint32_t CaptionHighLiteColor() const { return props_.captionHighLiteColor; }
    void SetCaptionHighLiteColor(uint32_t value);
    bool IconHighLite() const { return props_.iconHighLite; }
    void SetIconHighLite(bool value);
    uint32_t IconHighLiteColor() const { return props_.iconHighLiteColor; }
    void SetIconHighLiteColor(uint32_t value);
    uint32_t ForeColor() const { return props_.foreColor; }
    void SetForeColor(uint32_t value);
    HANDLE Picture() const { return props_.picture; }
    // The button keeps its own copy of `image` (IMAGE_ICON or IMAGE_BITMAP);
    // null removes the picture. False when the image cannot be copied.
    bool SetPicture(HANDLE image, UINT type);
    int32_t PictureAlignment() const { return props_.pictureAlignment; }
    void SetPictureAlignment(int32_t value);
    int32_t Style() const { return props_.style; }
    void SetStyle(int32_t value);
    bool Checked() const { return props_.checked; }
    void SetChecked(bool value);
    uint32_t ColorButtonHover() const { return props_.colors.hover; }
    void SetColorButtonHover(uint32_t value);
    uint32_t ColorButtonUp() const { return props_.colors.up; }
    void SetColorButtonUp(uint32_t value);
    uint32_t ColorButtonDown() const { return props_.colors.down; }
    void SetColorButtonDown(uint32_t value);
    uint32_t ColorBright() const { return props_.colors.bright; }
    void SetColorBright(uint32_t value);
    int32_t BorderBrightness() const { return props_.borderBrightness; }
    void SetBorderBrightness(int32_t value);
    bool DisplayHand() const { return props_.displayHand; }
    void SetDisplayHand(bool value);
    int32_t ColorScheme() const { return props_.colorScheme; }
    void SetColorScheme(int32_t value);

    // Persistence: every key with its current value ("Picture" only when
    // the picture came from a bag text).
    void WriteProperties(PropertyBag& bag) const;
    const ChangedProperties& Changed() const { return changed_; }
    ChangedProperties& Changed() { return changed_; }

    // --- run-time state --------------------------------------------------
    int VisualState() const { return machine_.DrawnState(); }
    bool Hovered() const { return machine_.Hovered(); }
    bool FocusFlag() const { return machine_.Focused(); }
    int Id() const { return id_; }

    // --- events (button: 1 left, 2 right, 4 middle; shift: 1 Shift, 2 Ctrl, 4 Alt)
    std::function<void()> OnClick;
    std::function<void()> OnDblClick;
    std::function<void(int button, int shift, int x, int y)> OnMouseDown;
    std::function<void(int button, int shift, int x, int y)> OnMouseMove;
    std::function<void(int button, int shift, int x, int y)> OnMouseUp;

    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);

protected:
    void OnFinalMessage() override;

private:
    // An off-screen 32-bit surface, enlarged only when the button grows.
    struct Surface {
        win::unique_memory_dc dc;
        win::unique_bitmap bitmap;
        HGDIOBJ original = nullptr;
        uint32_t* bits = nullptr;
        int width = 0, height = 0;
        bool Ensure(HDC compatible, int w, int h);
        ~Surface();
    };
    // The picture the button owns.
    // A picture the button owns: an icon, or a bitmap.
    struct OwnedPicture {
        win::unique_icon icon;
        win::unique_bitmap bitmap;
        HANDLE handle = nullptr;
        UINT type = IMAGE_ICON;
        void Reset(HANDLE h = nullptr, UINT t = IMAGE_ICON);
    };

    CandyButton() = default;
    ~CandyButton() override = default;

    static void RenderInto(Surface& surface, HDC target, const RECT& rect, const CandyButtonProperties& props,
                           int state, bool hovered, HFONT font, HBRUSH background);

    void ReadProperties(const PropertyBag& bag, const std::string& name);
    bool LoadPictureText(const std::string& text);
    void Apply(ButtonInput input, const ButtonInputArgs& args = {});
    void Raise(const ButtonOutcome& out);
    void Redraw();
    void Paint(HDC dc);
    void RebuildFont();
    void MarkChanged(const char* key, bool redraw = true);
    void TrackLeave();
    ButtonInputArgs MouseArgs(WPARAM wp, LPARAM lp, int button) const;

    CandyButtonProperties props_;
    ButtonStateMachine machine_;
    ChangedProperties changed_;
    OwnedPicture picture_;
    std::string pictureText_;
    win::unique_font font_;
    Surface surface_;
    int id_ = 0;
    bool attached_ = false;
    int depth_ = 0;
    bool finished_ = false;
};

}  // namespace controls

// ButtonLogic: what CandyButton decides without touching a window.
//
// - The colour schemes: ColorScheme 1..6 name four face colours at once;
//   every other number is only remembered.
// - BorderBrightness is kept within -100..100.
// - The visual-state machine: every mouse, keyboard, focus and property
//   input goes through ButtonStateMachine::Apply, which answers the state to
//   draw, which events to raise (in the order they are raised) and whether
//   the button must be repainted. A disabled button ignores every input:
//   no event, no repaint, no change.
// - The content layout: where the caption and the picture go for each
//   PictureAlignment.
#pragma once

#include <cstdint>
#include <optional>

namespace controls {

// ---------------------------------------------------------------------------
// Colours (0x00BBGGRR, as the platform's COLORREF).

struct ButtonFaceColors {
    uint32_t up = 0xE99950;
    uint32_t hover = 0xFFC090;
    uint32_t down = 0xE99950;
    uint32_t bright = 0xFFEDB0;
    bool operator==(const ButtonFaceColors&) const = default;
};

// The four colours of ColorScheme 1..6; nothing for any other number.
std::optional<ButtonFaceColors> ColorSchemeColors(int32_t scheme);

// BorderBrightness as stored: clamped to -100..100.
int32_t ClampBorderBrightness(int32_t value);

// ---------------------------------------------------------------------------
// Visual states and the transition table.

enum ButtonVisualState : int {
    kStateNormal = 0,
    kStatePressed = 1,
    kStateFocused = 2,
    kStateHovered = 3,
    kStateChecked = 4,
};

// Mouse buttons and shift states as the events carry them.
enum ButtonMouseButton : int { kLeftButton = 1, kRightButton = 2, kMiddleButton = 4 };
enum ButtonShiftState : int { kShiftMask = 1, kCtrlMask = 2, kAltMask = 4 };

enum class ButtonInput {
    MouseDown,      // a mouse button went down over the button
    MouseMove,      // the pointer moved (over the button, or outside while captured)
    MouseUp,        // a mouse button went up
    PlatformClick,  // a click the platform reports on its own (BM_CLICK)
    DoubleClick,    // the second press of a double click
    EnterDown,      // Enter pressed (auto-repeats are not inputs)
    EnterUp,        // Enter released
    FocusGained,
    FocusLost,
    PointerEnter,   // the pointer came over the button
    PointerLeave,   // the platform's mouse-leave notice
    CheckedSet,     // the Checked property was assigned
    ShowNormal,     // a property that is shown in the normal state changed
    EnabledSet,     // the Enabled property was assigned
};

struct ButtonInputArgs {
    int button = 0;       // MouseDown/MouseUp: the button that changed; MouseMove: buttons held
    int shift = 0;
    int x = 0;
    int y = 0;
    bool inside = true;   // the point lies over the button
    bool value = false;   // CheckedSet/EnabledSet: the new value
};

// Events, raised in this order when several are due.
enum ButtonEvent : uint32_t {
    kRaiseNone = 0,
    kRaiseMouseDown = 1u << 0,
    kRaiseDblClick = 1u << 1,
    kRaiseMouseMove = 1u << 2,
    kRaiseMouseUp = 1u << 3,
    kRaiseClick = 1u << 4,
};

struct ButtonOutcome {
    uint32_t events = kRaiseNone;
    ButtonInputArgs eventArgs;  // button, shift, x, y of the mouse events raised
    bool redraw = false;
    bool trackLeave = false;    // hover began: ask the platform for a mouse-leave notice
    int state = kStateNormal;   // the state to draw after the input
    bool hover = false;
    bool focus = false;
};

class ButtonStateMachine {
public:
    ButtonOutcome Apply(ButtonInput input, const ButtonInputArgs& args = {});

    // The state to draw: a checked button always draws state 4.
    int DrawnState() const { return checked_ ? kStateChecked : state_; }
    int State() const { return state_; }
    bool Hovered() const { return hover_; }
    bool Focused() const { return focus_; }
    bool Checked() const { return checked_; }
    bool Enabled() const { return enabled_; }

    // Whether hover can be shown at all (no mouse-leave notice, no hover).
    void SetHoverTracking(bool available) { hoverTracking_ = available; }

private:
    void Enter(ButtonOutcome& out);
    void Down(ButtonOutcome& out);
    void Up(ButtonOutcome& out);

    int state_ = kStateNormal;
    bool hover_ = false;
    bool focus_ = false;
    bool checked_ = false;
    bool enabled_ = true;
    bool armed_ = false;      // left button went down over the button: its release there is a click
    bool enterHeld_ = false;  // Enter went down on this button
    bool hoverTracking_ = true;
};

// ---------------------------------------------------------------------------
// Content layout.

// PictureAlignment: where the picture goes relative to the caption.
enum PictureAlignment : int {
    kPictureLeft = 0,    // left of the caption, the pair centred (the default)
    kPictureRight = 1,   // right of the caption
    kPictureTop = 2,     // above the caption
    kPictureBottom = 3,  // below the caption
    kPictureCenter = 4,  // centred behind the caption
};

struct LayoutRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const LayoutRect&) const = default;
};

struct ContentLayout {
    LayoutRect text;     // empty when there is no caption
    LayoutRect picture;  // empty when there is no picture
};

// Places a caption of textW x textH and a picture of picW x picH (0 x 0 for
// none) in a client area of width x height, `gap` pixels apart. Unknown
// alignments are treated as kPictureLeft. Both are clipped to the area.
ContentLayout LayoutContent(int width, int height, int textW, int textH, int picW, int picH, int alignment,
                            int gap = 4);

}  // namespace controls

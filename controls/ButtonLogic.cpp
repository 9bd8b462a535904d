#include "ButtonLogic.h"

#include <algorithm>

namespace controls {

std::optional<ButtonFaceColors> ColorSchemeColors(int32_t scheme) {
    //                       up        hover     down      bright
    static const ButtonFaceColors kSchemes[] = {
        {0xD06720, 0xE99950, 0xA06710, 0xFFEDB0},
        {0xD09060, 0xE06000, 0xA98050, 0xFFFAFA},
        {0x800000, 0xA00000, 0xF00000, 0xFF0000},
        {0x000080, 0x0000A0, 0x0000F0, 0x0000FF},
        {0x008000, 0x00A000, 0x00C000, 0x00FF00},
        {0x008080, 0x00A0A0, 0x00C0C0, 0x00FFFF},
    };
    if (scheme < 1 || scheme > 6) return std::nullopt;
    return kSchemes[scheme - 1];
}

int32_t ClampBorderBrightness(int32_t value) { return std::clamp<int32_t>(value, -100, 100); }

// ---------------------------------------------------------------------------

void ButtonStateMachine::Enter(ButtonOutcome& out) {
    hover_ = true;
    out.trackLeave = true;
    // Coming back over the button while its press is still held shows it
    // pressed again, as a push button does.
    state_ = armed_ ? kStatePressed : kStateHovered;
}

void ButtonStateMachine::Down(ButtonOutcome& out) {
    state_ = kStatePressed;
    out.events |= kRaiseMouseDown;
}

void ButtonStateMachine::Up(ButtonOutcome& out) {
    if (!checked_) state_ = hover_ ? kStateHovered : focus_ ? kStateFocused : kStateNormal;
    out.events |= kRaiseMouseUp;
}

ButtonOutcome ButtonStateMachine::Apply(ButtonInput input, const ButtonInputArgs& args) {
    ButtonOutcome out;
    out.eventArgs = args;
    const int drawnBefore = DrawnState();
    const bool hoverBefore = hover_;
    bool forceRedraw = false;

    const bool propertyInput = input == ButtonInput::EnabledSet || input == ButtonInput::CheckedSet;
    if (!enabled_ && !propertyInput) {
        out.state = DrawnState();
        out.hover = hover_;
        out.focus = focus_;
        return out;
    }

    switch (input) {
    case ButtonInput::MouseDown:
        Down(out);
        if (args.button == kLeftButton && args.inside) armed_ = true;
        break;

    case ButtonInput::MouseMove:
        out.events |= kRaiseMouseMove;
        if ((args.button & kLeftButton) && !args.inside) {
            hover_ = false;
            state_ = kStateNormal;
        } else if (args.inside && !hover_ && hoverTracking_) {
            Enter(out);
        }
        break;

    case ButtonInput::MouseUp:
        Up(out);
        if (args.button == kLeftButton) {
            if (armed_ && args.inside) out.events |= kRaiseClick;
            armed_ = false;
        }
        break;

    case ButtonInput::PlatformClick:
        out.events |= kRaiseClick;
        break;

    case ButtonInput::DoubleClick:
        state_ = kStatePressed;
        out.events |= kRaiseDblClick;
        armed_ = false;  // the release of a double click is not another click
        break;

    case ButtonInput::EnterDown:
        out.eventArgs = ButtonInputArgs{kLeftButton, args.shift, 0, 0, true, false};
        Down(out);
        enterHeld_ = true;
        break;

    case ButtonInput::EnterUp:
        // Only a release of an Enter pressed on this button counts: an Enter
        // still held from another window when this one got the focus does
        // not click it.
        if (!enterHeld_) break;
        enterHeld_ = false;
        out.eventArgs = ButtonInputArgs{kLeftButton, args.shift, 0, 0, true, false};
        Up(out);
        out.events |= kRaiseClick;
        break;

    case ButtonInput::FocusGained:
        focus_ = true;
        if (!checked_ && !hover_) state_ = kStateFocused;
        break;

    case ButtonInput::FocusLost:
        focus_ = false;
        enterHeld_ = false;
        if (!checked_) state_ = kStateNormal;
        break;

    case ButtonInput::PointerEnter:
        if (!hover_ && hoverTracking_) Enter(out);
        break;

    case ButtonInput::PointerLeave:
        hover_ = false;
        state_ = kStateNormal;
        break;

    case ButtonInput::CheckedSet:
        checked_ = args.value;
        state_ = checked_ ? kStateChecked : hover_ ? kStateHovered : kStateNormal;
        forceRedraw = true;
        break;

    case ButtonInput::ShowNormal:
        state_ = kStateNormal;
        forceRedraw = true;
        break;

    case ButtonInput::EnabledSet:
        if (enabled_ == args.value) break;
        enabled_ = args.value;
        hover_ = false;
        armed_ = false;
        enterHeld_ = false;
        state_ = enabled_ && focus_ ? kStateFocused : kStateNormal;
        forceRedraw = true;
        break;
    }

    out.state = DrawnState();
    out.hover = hover_;
    out.focus = focus_;
    out.redraw = forceRedraw || out.state != drawnBefore || hover_ != hoverBefore;
    return out;
}

// ---------------------------------------------------------------------------

namespace {
LayoutRect Centered(int width, int height, int w, int h, int x = -1, int y = -1) {
    LayoutRect r;
    r.left = x >= 0 ? x : (width - w) / 2;
    r.top = y >= 0 ? y : (height - h) / 2;
    r.right = r.left + w;
    r.bottom = r.top + h;
    return r;
}

LayoutRect Clip(LayoutRect r, int width, int height) {
    if (r.Width() <= 0 || r.Height() <= 0) return {};
    r.left = std::max(r.left, 0);
    r.top = std::max(r.top, 0);
    r.right = std::min(r.right, width);
    r.bottom = std::min(r.bottom, height);
    if (r.right <= r.left || r.bottom <= r.top) return {};
    return r;
}
}  // namespace

ContentLayout LayoutContent(int width, int height, int textW, int textH, int picW, int picH, int alignment,
                            int gap) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    textW = std::max(textW, 0);
    textH = std::max(textH, 0);
    picW = std::max(picW, 0);
    picH = std::max(picH, 0);
    const bool hasText = textW > 0 && textH > 0;
    const bool hasPic = picW > 0 && picH > 0;
    ContentLayout out;
    if (!hasPic || !hasText || alignment == kPictureCenter) {
        if (hasText) out.text = Centered(width, height, textW, textH);
        if (hasPic) out.picture = Centered(width, height, picW, picH);
    } else if (alignment == kPictureTop || alignment == kPictureBottom) {
        const int total = picH + gap + textH;
        const int top = (height - total) / 2;
        const int picTop = alignment == kPictureTop ? top : top + textH + gap;
        const int textTop = alignment == kPictureTop ? top + picH + gap : top;
        out.picture = Centered(width, height, picW, picH, -1, std::max(picTop, 0));
        out.text = Centered(width, height, textW, textH, -1, std::max(textTop, 0));
        if (picTop < 0 || textTop < 0) {  // taller than the area: keep the order, start at the top
            const int first = alignment == kPictureTop ? picH : textH;
            if (alignment == kPictureTop) out.text = Centered(width, height, textW, textH, -1, first + gap);
            else out.picture = Centered(width, height, picW, picH, -1, first + gap);
        }
    } else {
        const int total = picW + gap + textW;
        const int left = std::max((width - total) / 2, 0);
        const bool right = alignment == kPictureRight;
        const int picLeft = right ? left + textW + gap : left;
        const int textLeft = right ? left : left + picW + gap;
        out.picture = Centered(width, height, picW, picH, picLeft);
        out.text = Centered(width, height, textW, textH, textLeft);
    }
    out.text = Clip(out.text, width, height);
    out.picture = Clip(out.picture, width, height);
    return out;
}

}  // namespace controls

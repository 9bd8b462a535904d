#include "CandyButton.h"

#include <windowsx.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace controls {

namespace {

// Mouse-leave notices: TrackMouseEvent of User32 where the platform has it,
// else _TrackMouseEvent of Comctl32 (kept loaded for the process), else none.
using TrackMouseEventFn = BOOL(WINAPI*)(LPTRACKMOUSEEVENT);

TrackMouseEventFn MouseLeaveTracker() {
    static const TrackMouseEventFn tracker = []() -> TrackMouseEventFn {
        if (HMODULE user = ::GetModuleHandleA("user32.dll")) {
            if (FARPROC f = ::GetProcAddress(user, "TrackMouseEvent")) return reinterpret_cast<TrackMouseEventFn>(reinterpret_cast<void*>(f));
        }
        if (HMODULE comctl = ::LoadLibraryA("comctl32.dll")) {
            if (FARPROC f = ::GetProcAddress(comctl, "_TrackMouseEvent")) return reinterpret_cast<TrackMouseEventFn>(reinterpret_cast<void*>(f));
        }
        return nullptr;
    }();
    return tracker;
}

SIZE PictureSize(HANDLE picture, UINT type) {
    SIZE size{0, 0};
    if (!picture) return size;
    if (type == IMAGE_ICON) {
        ICONINFO info{};
        if (::GetIconInfo(static_cast<HICON>(picture), &info)) {
            win::unique_bitmap mask(info.hbmMask), color(info.hbmColor);
            BITMAP bm{};
            if (color && ::GetObjectA(color.get(), sizeof bm, &bm)) {
                size = {bm.bmWidth, bm.bmHeight};
            } else if (mask && ::GetObjectA(mask.get(), sizeof bm, &bm)) {
                size = {bm.bmWidth, bm.bmHeight / 2};  // monochrome icon: mask and image stacked
            }
        }
    } else {
        BITMAP bm{};
        if (::GetObjectA(picture, sizeof bm, &bm)) size = {bm.bmWidth, std::abs(bm.bmHeight)};
    }
    return size;
}

win::unique_font CreateButtonFont(HDC dc, const FontDescription& desc) {
    LOGFONTA lf{};
    const int dpi = dc ? ::GetDeviceCaps(dc, LOGPIXELSY) : 96;
    lf.lfHeight = -static_cast<LONG>(std::lround(desc.points * (dpi > 0 ? dpi : 96) / 72.0));
    lf.lfWeight = desc.bold ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = desc.italic ? TRUE : FALSE;
    lf.lfUnderline = desc.underline ? TRUE : FALSE;
    lf.lfStrikeOut = desc.strikeout ? TRUE : FALSE;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfQuality = ANTIALIASED_QUALITY;
    lf.lfOutPrecision = OUT_TT_PRECIS;
    lstrcpynA(lf.lfFaceName, desc.face.c_str(), LF_FACESIZE);
    return win::unique_font(::CreateFontIndirectA(&lf));
}

void DrawPicture(HDC dc, HANDLE picture, UINT type, const LayoutRect& r, bool enabled) {
    if (!picture || r.Width() <= 0 || r.Height() <= 0) return;
    if (type == IMAGE_ICON) {
        if (enabled) {
            ::DrawIconEx(dc, r.left, r.top, static_cast<HICON>(picture), r.Width(), r.Height(), 0, nullptr, DI_NORMAL);
        } else {
            ::DrawStateA(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(picture), 0, r.left, r.top, r.Width(),
                         r.Height(), DST_ICON | DSS_DISABLED);
        }
        return;
    }
    if (!enabled) {
        ::DrawStateA(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(picture), 0, r.left, r.top, r.Width(), r.Height(),
                     DST_BITMAP | DSS_DISABLED);
        return;
    }
    // Bitmaps: the colour of their top-left pixel shows the face through.
    win::unique_memory_dc src(dc);
    if (!src) return;
    win::selected_object sel(src.get(), picture);
    const COLORREF key = ::GetPixel(src.get(), 0, 0);
    ::TransparentBlt(dc, r.left, r.top, r.Width(), r.Height(), src.get(), 0, 0, r.Width(), r.Height(), key);
}

int ShiftState() {
    int shift = 0;
    if (::GetKeyState(VK_SHIFT) < 0) shift |= kShiftMask;
    if (::GetKeyState(VK_CONTROL) < 0) shift |= kCtrlMask;
    if (::GetKeyState(VK_MENU) < 0) shift |= kAltMask;
    return shift;
}

int HeldButtons(WPARAM wp) {
    int held = 0;
    if (wp & MK_LBUTTON) held |= kLeftButton;
    if (wp & MK_RBUTTON) held |= kRightButton;
    if (wp & MK_MBUTTON) held |= kMiddleButton;
    return held;
}

}  // namespace

// ---------------------------------------------------------------------------
// Surfaces and pictures

bool CandyButton::Surface::Ensure(HDC compatible, int w, int h) {
    if (bits && dc && w <= width && h <= height) return true;
    if (!dc) dc = win::unique_memory_dc(compatible);
    if (!dc) return false;
    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof bmi.bmiHeader;
    bmi.bmiHeader.biWidth = std::max(w, width);
    bmi.bmiHeader.biHeight = -std::max(h, height);  // top-down
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    void* raw = nullptr;
    win::unique_bitmap fresh(::CreateDIBSection(dc.get(), &bmi, DIB_RGB_COLORS, &raw, nullptr, 0));
    if (!fresh || !raw) return false;
    HGDIOBJ previous = ::SelectObject(dc.get(), fresh.get());
    if (!original) original = previous;
    bitmap = std::move(fresh);
    bits = static_cast<uint32_t*>(raw);
    width = bmi.bmiHeader.biWidth;
    height = -bmi.bmiHeader.biHeight;
    return true;
}

CandyButton::Surface::~Surface() {
    if (dc && original) ::SelectObject(dc.get(), original);
}

void CandyButton::OwnedPicture::Reset(HANDLE h, UINT t) {
    icon.reset();
    bitmap.reset();
    if (t == IMAGE_ICON) icon.reset(static_cast<HICON>(h));
    else bitmap.reset(static_cast<HBITMAP>(h));
    handle = h;
    type = t;
}

// ---------------------------------------------------------------------------
// Drawing

void CandyButton::RenderInto(Surface& surface, HDC target, const RECT& rect, const CandyButtonProperties& props,
                             int state, bool hovered, HFONT font, HBRUSH background) {
    const int w = rect.right - rect.left, h = rect.bottom - rect.top;
    if (!target || w <= 0 || h <= 0) return;
    state = std::clamp(state, 0, 4);

    const bool offscreen = surface.Ensure(target, w, h);
    HDC dc = offscreen ? surface.dc.get() : target;
    const int ox = offscreen ? 0 : rect.left, oy = offscreen ? 0 : rect.top;
    const RECT local{ox, oy, ox + w, oy + h};

    if (offscreen) {
        if (background) ::FillRect(dc, &local, background);
        else ::BitBlt(dc, 0, 0, w, h, target, rect.left, rect.top, SRCCOPY);
    }

    // Content measures and places.
    win::selected_object selFont(dc, font ? static_cast<HGDIOBJ>(font) : ::GetStockObject(DEFAULT_GUI_FONT));
    RECT textBox{0, 0, 0, 0};
    if (!props.caption.empty())
        ::DrawTextA(dc, props.caption.c_str(), -1, &textBox, DT_SINGLELINE | DT_CALCRECT);
    const SIZE pic = PictureSize(props.picture, props.pictureType);
    ContentLayout layout = LayoutContent(w - 6, h - 4, textBox.right - textBox.left, textBox.bottom - textBox.top,
                                         pic.cx, pic.cy, props.pictureAlignment);
    const int shift = PressedOffset(props.style, state);
    auto place = [&](LayoutRect r) {
        if (r.Width() <= 0) return r;
        r.left += ox + 3 + shift;
        r.right += ox + 3 + shift;
        r.top += oy + 2 + shift;
        r.bottom += oy + 2 + shift;
        return r;
    };
    const LayoutRect textRect = place(layout.text);
    const LayoutRect picRect = place(layout.picture);

    ButtonFaceParams face;
    face.style = props.style;
    face.state = state;
    face.enabled = props.enabled;
    face.colors = props.colors;
    face.borderBrightness = props.borderBrightness;
    if (offscreen && hovered && props.iconHighLite && picRect.Width() > 0) {
        face.glow = true;
        face.glowX = (picRect.left + picRect.right) / 2;
        face.glowY = (picRect.top + picRect.bottom) / 2;
        face.glowRadius = std::max(picRect.Width(), picRect.Height()) * 11 / 10 + 3;
        face.glowColor = props.iconHighLiteColor;
    }

    if (offscreen) {
        ::GdiFlush();
        // Paint the face over the background, row by row of the surface.
        std::vector<uint32_t> pixels(size_t(w) * size_t(h));
        for (int y = 0; y < h; ++y)
            std::copy_n(surface.bits + size_t(y) * size_t(surface.width), w, pixels.begin() + size_t(y) * size_t(w));
        PaintButtonFace(pixels.data(), w, h, face);
        for (int y = 0; y < h; ++y)
            std::copy_n(pixels.begin() + size_t(y) * size_t(w), w, surface.bits + size_t(y) * size_t(surface.width));
    } else {
        // No off-screen surface: a plain face straight onto the target.
        win::unique_brush brush(::CreateSolidBrush(props.enabled ? FaceColorForState(props.colors, state)
                                                            : ::GetSysColor(COLOR_BTNFACE)));
        win::unique_pen pen(::CreatePen(PS_SOLID, 1, BorderColorFor(FaceColorForState(props.colors, state),
                                                                props.borderBrightness)));
        win::selected_object sb(dc, brush.get()), sp(dc, pen.get());
        ::RoundRect(dc, local.left, local.top, local.right, local.bottom, 6, 6);
    }

    if (offscreen && !props.enabled && picRect.Width() > 0) {
        // A disabled picture: drawn, then faded to a light grey over the face.
        ::GdiFlush();
        std::vector<uint32_t> before;
        before.reserve(size_t(picRect.Width()) * size_t(picRect.Height()));
        for (int y = picRect.top; y < picRect.bottom; ++y)
            for (int x = picRect.left; x < picRect.right; ++x) before.push_back(surface.bits[size_t(y) * surface.width + x]);
        DrawPicture(dc, props.picture, props.pictureType, picRect, true);
        ::GdiFlush();
        size_t i = 0;
        for (int y = picRect.top; y < picRect.bottom; ++y) {
            for (int x = picRect.left; x < picRect.right; ++x, ++i) {
                uint32_t& p = surface.bits[size_t(y) * surface.width + x];
                p = FadedPicturePixel(before[i], p);
            }
        }
    } else {
        DrawPicture(dc, props.picture, props.pictureType, picRect, props.enabled);
    }

    if (textRect.Width() > 0) {
        RECT tr{textRect.left, textRect.top, textRect.right, textRect.bottom};
        const uint32_t faceColor = FaceColorForState(props.colors, state);
        uint32_t color = props.foreColor;
        if (hovered && props.captionHighLite) color = props.captionHighLiteColor;
        ::SetBkMode(dc, TRANSPARENT);
        const UINT flags = DT_SINGLELINE | DT_CENTER | DT_VCENTER;
        if (!props.enabled) {
            ::SetTextColor(dc, RGB(250, 250, 250));
            RECT shadow = tr;
            ::OffsetRect(&shadow, 1, 1);
            ::DrawTextA(dc, props.caption.c_str(), -1, &shadow, flags);
            color = RGB(150, 150, 150);
        } else if (props.style != 1) {
            RECT shadow = tr;
            ::OffsetRect(&shadow, 0, 1);
            ::SetTextColor(dc, CaptionShadowColor(faceColor, color));
            ::DrawTextA(dc, props.caption.c_str(), -1, &shadow, flags);
        }
        ::SetTextColor(dc, color);
        ::DrawTextA(dc, props.caption.c_str(), -1, &tr, flags);
    }

    if (offscreen) ::BitBlt(target, rect.left, rect.top, w, h, dc, 0, 0, SRCCOPY);
}

void CandyButton::Render(HDC dc, const RECT& rect, const CandyButtonProperties& props, int state) {
    Render(dc, rect, props, state, state == kStateHovered);
}

void CandyButton::Render(HDC dc, const RECT& rect, const CandyButtonProperties& props, int state, bool hovered) {
    if (!dc) return;
    Surface surface;
    win::unique_font font = CreateButtonFont(dc, props.font);
    RenderInto(surface, dc, rect, props, state, hovered, font.get(), nullptr);
}

void CandyButton::Paint(HDC dc) {
    if (!dc) return;
    RECT rc{};
    ::GetClientRect(hWnd(), &rc);
    HWND parent = ::GetParent(hWnd());
    HBRUSH background = parent ? reinterpret_cast<HBRUSH>(::SendMessageA(parent, WM_CTLCOLORBTN,
                                                                          reinterpret_cast<WPARAM>(dc),
                                                                          reinterpret_cast<LPARAM>(hWnd())))
                               : nullptr;
    if (!background) background = ::GetSysColorBrush(COLOR_BTNFACE);
    if (!font_) RebuildFont();
    RenderInto(surface_, dc, rc, props_, machine_.DrawnState(), machine_.Hovered(), font_.get(), background);
}

void CandyButton::Redraw() {
    if (hWnd()) ::RedrawWindow(hWnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

void CandyButton::RebuildFont() {
    win::window_dc screen(nullptr);
    font_ = CreateButtonFont(screen.get(), props_.font);
}

// ---------------------------------------------------------------------------
// Creation and persistence

bool CandyButton::Register() {
    return RegisterWindowClass(kClassName, CS_DBLCLKS | CS_PARENTDC);
}

CandyButton* CandyButton::Create(HWND parent, int id, const RECT& rect, const PropertyBag* initial) {
    if (!parent || !Register()) return nullptr;
    auto* button = new CandyButton();
    button->id_ = id;
    const PropertyBag empty;
    const PropertyBag& bag = initial ? *initial : empty;
    button->ReadProperties(bag, bag.ReadText("Name", "CandyButton" + std::to_string(id)));
    DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS;
    if (!button->props_.enabled) style |= WS_DISABLED;
    HWND hwnd = ::CreateWindowExA(0, kClassName, button->props_.caption.c_str(), style, rect.left, rect.top,
                                  rect.right - rect.left, rect.bottom - rect.top, parent,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleA(nullptr),
                                  static_cast<WindowObject<CandyButton>*>(button));
    if (!hwnd) {
        // Once attached, the window's destruction has deleted the object.
        if (!button->attached_) delete button;
        return nullptr;
    }
    button->changed_.Clear();
    return button;
}

void CandyButton::ReadProperties(const PropertyBag& bag, const std::string& name) {
    CandyButtonProperties p;
    p.caption = bag.ReadText("Caption", name);
    if (auto text = bag.Read("Font")) {
        if (auto font = FontDescription::Parse(*text)) p.font = *font;
    }
    p.enabled = bag.ReadBool("Enabled", true);
    p.captionHighLite = bag.ReadBool("CaptionHighLite", p.captionHighLite);
    p.captionHighLiteColor = bag.ReadColor("CaptionHighLiteColor", p.captionHighLiteColor);
    p.iconHighLite = bag.ReadBool("IconHighLite", p.iconHighLite);
    p.iconHighLiteColor = bag.ReadColor("IconHighLiteColor", p.iconHighLiteColor);
    p.foreColor = bag.ReadColor("ForeColor", p.foreColor);
    p.pictureAlignment = bag.ReadInt("PictureAlignment", p.pictureAlignment);
    p.style = bag.ReadInt("Style", p.style);
    p.checked = bag.ReadBool("Checked", false);
    p.colorScheme = bag.ReadInt("ColorScheme", 0);
    // Colours missing from the bag come from its scheme, else the defaults.
    const ButtonFaceColors fallback = ColorSchemeColors(p.colorScheme).value_or(ButtonFaceColors{});
    p.colors.hover = bag.ReadColor("ColorButtonHover", fallback.hover);
    p.colors.up = bag.ReadColor("ColorButtonUp", fallback.up);
    p.colors.down = bag.ReadColor("ColorButtonDown", fallback.down);
    p.colors.bright = bag.ReadColor("ColorBright", fallback.bright);
    p.borderBrightness = ClampBorderBrightness(bag.ReadInt("BorderBrightness", 0));
    p.displayHand = bag.ReadBool("DisplayHand", false);
    props_ = p;
    if (auto text = bag.Read("Picture")) LoadPictureText(*text);

    machine_ = ButtonStateMachine{};
    machine_.SetHoverTracking(MouseLeaveTracker() != nullptr);
    if (props_.checked) machine_.Apply(ButtonInput::CheckedSet, ButtonInputArgs{0, 0, 0, 0, true, true});
    if (!props_.enabled) machine_.Apply(ButtonInput::EnabledSet, ButtonInputArgs{0, 0, 0, 0, true, false});
}

bool CandyButton::LoadPictureText(const std::string& text) {
    HINSTANCE module = ::GetModuleHandleA(nullptr);
    HANDLE image = nullptr;
    UINT type = IMAGE_ICON;
    if (text.size() > 1 && text[0] == '#') {
        auto n = ParseBagNumber(text.substr(1));
        if (n && *n > 0 && *n <= 0xFFFF) {
            LPCSTR res = MAKEINTRESOURCEA(static_cast<WORD>(*n));
            image = ::LoadImageA(module, res, IMAGE_ICON, 0, 0, 0);
            if (!image) {
                type = IMAGE_BITMAP;
                image = ::LoadImageA(module, res, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
            }
        }
    } else if (!text.empty()) {
        image = ::LoadImageA(nullptr, text.c_str(), IMAGE_ICON, 0, 0, LR_LOADFROMFILE);
        if (!image) {
            type = IMAGE_BITMAP;
            image = ::LoadImageA(nullptr, text.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION);
        }
    }
    if (!image) return false;
    picture_.Reset(image, type);
    props_.picture = image;
    props_.pictureType = type;
    pictureText_ = text;
    return true;
}

void CandyButton::WriteProperties(PropertyBag& bag) const {
    bag.WriteBool("Enabled", props_.enabled);
    bag.Write("Font", props_.font.Format());
    bag.Write("Caption", props_.caption);
    bag.WriteBool("CaptionHighLite", props_.captionHighLite);
    bag.WriteColor("CaptionHighLiteColor", props_.captionHighLiteColor);
    bag.WriteBool("IconHighLite", props_.iconHighLite);
    bag.WriteColor("IconHighLiteColor", props_.iconHighLiteColor);
    bag.WriteColor("ForeColor", props_.foreColor);
    if (!pictureText_.empty()) bag.Write("Picture", pictureText_);
    bag.WriteInt("PictureAlignment", props_.pictureAlignment);
    bag.WriteInt("Style", props_.style);
    bag.WriteBool("Checked", props_.checked);
    bag.WriteColor("ColorButtonHover", props_.colors.hover);
    bag.WriteColor("ColorButtonUp", props_.colors.up);
    bag.WriteColor("ColorButtonDown", props_.colors.down);
    bag.WriteColor("ColorBright", props_.colors.bright);
    bag.WriteInt("BorderBrightness", props_.borderBrightness);
    bag.WriteBool("DisplayHand", props_.displayHand);
    bag.WriteInt("ColorScheme", props_.colorScheme);
}

// ---------------------------------------------------------------------------
// Property setters

void CandyButton::MarkChanged(const char* key, bool redraw) {
    changed_.Mark(key);
    if (redraw) Redraw();
}

void CandyButton::SetEnabled(bool value) {
    props_.enabled = value;
    if (hWnd()) ::EnableWindow(hWnd(), value ? TRUE : FALSE);  // WM_ENABLE updates the look
    Apply(ButtonInput::EnabledSet, ButtonInputArgs{0, 0, 0, 0, true, value});
    MarkChanged("Enabled", false);
}

void CandyButton::SetFont(const FontDescription& font) {
    props_.font = font;
    font_.reset();
    MarkChanged("Font");
}

void CandyButton::SetCaption(const std::string& caption) {
    props_.caption = caption;
    if (hWnd()) ::DefWindowProcA(hWnd(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(caption.c_str()));
    MarkChanged("Caption");
}

void CandyButton::SetCaptionHighLite(bool value) {
    props_.captionHighLite = value;
    MarkChanged("CaptionHighLite");
}

void CandyButton::SetCaptionHighLiteColor(uint32_t value) {
    props_.captionHighLiteColor = value;
    MarkChanged("CaptionHighLiteColor");
}

void CandyButton::SetIconHighLite(bool value) {
    props_.iconHighLite = value;
    MarkChanged("IconHighLite");
}

void CandyButton::SetIconHighLiteColor(uint32_t value) {
    props_.iconHighLiteColor = value;
    MarkChanged("IconHighLiteColor");
}

void CandyButton::SetForeColor(uint32_t value) {
    props_.foreColor = value;
    MarkChanged("ForeColor");
}

bool CandyButton::SetPicture(HANDLE image, UINT type) {
    if (type != IMAGE_ICON && type != IMAGE_BITMAP) return false;
    HANDLE copy = nullptr;
    if (image) {
        copy = ::CopyImage(image, type, 0, 0, type == IMAGE_BITMAP ? LR_CREATEDIBSECTION : 0);
        if (!copy) return false;
    }
    picture_.Reset(copy, type);
    props_.picture = copy;
    props_.pictureType = type;
    pictureText_.clear();
    MarkChanged("Picture");
    return true;
}

void CandyButton::SetPictureAlignment(int32_t value) {
    props_.pictureAlignment = value;
    MarkChanged("PictureAlignment");
}

void CandyButton::SetStyle(int32_t value) {
    props_.style = value;
    MarkChanged("Style");
}

void CandyButton::SetChecked(bool value) {
    props_.checked = value;
    Apply(ButtonInput::CheckedSet, ButtonInputArgs{0, 0, 0, 0, true, value});
    MarkChanged("Checked", false);
}

void CandyButton::SetColorButtonHover(uint32_t value) {
    props_.colors.hover = value;
    MarkChanged("ColorButtonHover");
}

void CandyButton::SetColorButtonUp(uint32_t value) {
    props_.colors.up = value;
    MarkChanged("ColorButtonUp");
}

void CandyButton::SetColorButtonDown(uint32_t value) {
    props_.colors.down = value;
    MarkChanged("ColorButtonDown");
}

void CandyButton::SetColorBright(uint32_t value) {
    props_.colors.bright = value;
    MarkChanged("ColorBright");
}

void CandyButton::SetBorderBrightness(int32_t value) {
    props_.borderBrightness = ClampBorderBrightness(value);
    Apply(ButtonInput::ShowNormal);
    MarkChanged("BorderBrightness", false);
}

void CandyButton::SetDisplayHand(bool value) {
    props_.displayHand = value;
    MarkChanged("DisplayHand", false);
}

void CandyButton::SetColorScheme(int32_t value) {
    props_.colorScheme = value;
    changed_.Mark("ColorScheme");
    if (auto colors = ColorSchemeColors(value)) {
        props_.colors = *colors;
        for (const char* key : {"ColorButtonUp", "ColorButtonHover", "ColorButtonDown", "ColorBright"})
            changed_.Mark(key);
        Redraw();
    }
}

// ---------------------------------------------------------------------------
// Input

void CandyButton::Apply(ButtonInput input, const ButtonInputArgs& args) {
    const ButtonOutcome out = machine_.Apply(input, args);
    if (out.trackLeave) TrackLeave();
    if (out.redraw) Redraw();
    Raise(out);
}

// Handlers may destroy the button's window (a Cancel that closes its
// window): after each event the window is checked before anything else
// runs, and the object itself outlives the handler (see OnFinalMessage).
void CandyButton::Raise(const ButtonOutcome& out) {
    const ButtonInputArgs& a = out.eventArgs;
    auto mouse = [&](uint32_t bit, const std::function<void(int, int, int, int)>& handler) {
        if (!(out.events & bit) || !hWnd()) return;
        if (auto h = handler) h(a.button, a.shift, a.x, a.y);
    };
    mouse(kRaiseMouseDown, OnMouseDown);
    if ((out.events & kRaiseDblClick) && hWnd()) {
        if (auto h = OnDblClick) h();
    }
    mouse(kRaiseMouseMove, OnMouseMove);
    mouse(kRaiseMouseUp, OnMouseUp);
    if ((out.events & kRaiseClick) && hWnd()) {
        if (auto h = OnClick) h();
        if (HWND self = hWnd()) {
            if (HWND parent = ::GetParent(self))
                ::SendMessageA(parent, WM_COMMAND, MAKEWPARAM(id_, BN_CLICKED), reinterpret_cast<LPARAM>(self));
        }
    }
}

void CandyButton::TrackLeave() {
    TrackMouseEventFn track = MouseLeaveTracker();
    if (!track || !hWnd()) return;
    TRACKMOUSEEVENT tme{};
    tme.cbSize = sizeof tme;
    tme.dwFlags = TME_LEAVE;
    tme.hwndTrack = hWnd();
    track(&tme);
}

ButtonInputArgs CandyButton::MouseArgs(WPARAM wp, LPARAM lp, int button) const {
    ButtonInputArgs args;
    args.button = button;
    args.shift = ShiftState();
    args.x = GET_X_LPARAM(lp);
    args.y = GET_Y_LPARAM(lp);
    RECT rc{};
    ::GetClientRect(hWnd(), &rc);
    const POINT pt{args.x, args.y};
    args.inside = ::PtInRect(&rc, pt) != FALSE;
    return args;
}

void CandyButton::OnFinalMessage() {
    if (depth_ > 0) finished_ = true;  // deleted when the outermost message returns
    else delete this;
}

LRESULT CandyButton::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    struct Depth {
        CandyButton* self;
        explicit Depth(CandyButton* s) : self(s) { ++self->depth_; }
        ~Depth() {
            if (--self->depth_ == 0 && self->finished_) delete self;
        }
    } depth(this);

    switch (msg) {
    case WM_NCCREATE:
        attached_ = true;
        return Default(msg, wp, lp);

    case WM_ERASEBKGND:
        return 1;

    case WM_PAINT: {
        win::paint_dc dc(hWnd());
        Paint(dc.get());
        return 0;
    }
    case WM_PRINTCLIENT:
        Paint(reinterpret_cast<HDC>(wp));
        return 0;

    case WM_SIZE:
        ::InvalidateRect(hWnd(), nullptr, FALSE);
        return 0;

    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: {
        if (!machine_.Enabled()) return 0;
        if (::GetFocus() != hWnd()) ::SetFocus(hWnd());
        if (!hWnd()) return 0;
        ::SetCapture(hWnd());
        const int button = msg == WM_LBUTTONDOWN ? kLeftButton : msg == WM_RBUTTONDOWN ? kRightButton : kMiddleButton;
        Apply(ButtonInput::MouseDown, MouseArgs(wp, lp, button));
        return 0;
    }
    case WM_LBUTTONDBLCLK:
        if (!machine_.Enabled()) return 0;
        ::SetCapture(hWnd());
        Apply(ButtonInput::DoubleClick, MouseArgs(wp, lp, kLeftButton));
        return 0;
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
        // Only the left button double-clicks; the others press again.
        return HandleMessage(msg == WM_RBUTTONDBLCLK ? WM_RBUTTONDOWN : WM_MBUTTONDOWN, wp, lp);

    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP: {
        const int button = msg == WM_LBUTTONUP ? kLeftButton : msg == WM_RBUTTONUP ? kRightButton : kMiddleButton;
        if (HeldButtons(wp) == 0 && ::GetCapture() == hWnd()) ::ReleaseCapture();
        Apply(ButtonInput::MouseUp, MouseArgs(wp, lp, button));
        return 0;
    }
    case WM_MOUSEMOVE:
        Apply(ButtonInput::MouseMove, MouseArgs(wp, lp, HeldButtons(wp)));
        return 0;

    case WM_MOUSELEAVE:
        Apply(ButtonInput::PointerLeave);
        return 0;

    case WM_KEYDOWN:
        if (wp == VK_RETURN) {
            if (!(lp & (1 << 30))) Apply(ButtonInput::EnterDown, ButtonInputArgs{kLeftButton, ShiftState()});
            return 0;
        }
        break;
    case WM_KEYUP:
        if (wp == VK_RETURN) {
            Apply(ButtonInput::EnterUp, ButtonInputArgs{kLeftButton, ShiftState()});
            return 0;
        }
        break;
    case WM_CHAR:
        if (wp == '\r') return 0;
        break;
    case WM_GETDLGCODE:
        if (wp == VK_RETURN) return DLGC_WANTMESSAGE;
        if (lp) {
            const MSG* m = reinterpret_cast<const MSG*>(lp);
            if ((m->message == WM_KEYDOWN || m->message == WM_KEYUP || m->message == WM_CHAR) &&
                (m->wParam == VK_RETURN || m->wParam == '\r'))
                return DLGC_WANTMESSAGE;
        }
        return 0;

    case WM_SETFOCUS:
        Apply(ButtonInput::FocusGained);
        return 0;
    case WM_KILLFOCUS:
        Apply(ButtonInput::FocusLost);
        return 0;
    case WM_CAPTURECHANGED:
        return 0;

    case WM_ENABLE:
        props_.enabled = wp != 0;
        Apply(ButtonInput::EnabledSet, ButtonInputArgs{0, 0, 0, 0, true, wp != 0});
        return 0;

    case WM_SETTEXT: {
        LRESULT r = Default(msg, wp, lp);
        props_.caption = lp ? reinterpret_cast<const char*>(lp) : "";
        changed_.Mark("Caption");
        Redraw();
        return r;
    }
    case WM_GETFONT:
        if (!font_) RebuildFont();
        return reinterpret_cast<LRESULT>(font_.get());

    case BM_CLICK:
        Apply(ButtonInput::PlatformClick);
        return 0;

    case WM_SETCURSOR:
        if (props_.displayHand && machine_.Enabled() && LOWORD(lp) == HTCLIENT) {
            ::SetCursor(::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_HAND)));
            return TRUE;
        }
        break;
    }
    return Default(msg, wp, lp);
}

}  // namespace controls

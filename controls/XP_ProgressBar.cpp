#include "XP_ProgressBar.h"

#include <algorithm>
#include <cstring>

#include "ColorMath.h"
#include "ProgressValue.h"

namespace controls {

namespace {

using color::Blend;
using color::kBlack;
using color::kSilver;
using color::kWhite;
using color::Lighten;
using progress::Box;

constexpr COLORREF kBorderGrey = RGB(104, 104, 104);

// Drawing primitives on one surface, in the bar's own coordinates (the
// caller moves the origin to the bar's top left corner).
class Painter {
public:
    explicit Painter(HDC dc) : dc_(dc) {}

    void Fill(const Box& b, COLORREF c) const {
        if (b.Empty()) return;
        RECT r{b.left, b.top, b.right, b.bottom};
        ::SetBkColor(dc_, c);
        ::ExtTextOutA(dc_, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
    }
    void Pixel(int x, int y, COLORREF c) const { Fill(Box{x, y, x + 1, y + 1}, c); }

    // A one-pixel solid line from (x0, y0) to (x1, y1), both ends included;
    // horizontal or vertical.
    void DrawLine(int x0, int y0, int x1, int y1, COLORREF c) const {
        Fill(Box{std::min(x0, x1), std::min(y0, y1), std::max(x0, x1) + 1, std::max(y0, y1) + 1}, c);
    }

    void Frame(const Box& b, COLORREF c) const {
        if (b.Empty()) return;
        DrawLine(b.left, b.top, b.right - 1, b.top, c);
        DrawLine(b.left, b.bottom - 1, b.right - 1, b.bottom - 1, c);
        DrawLine(b.left, b.top, b.left, b.bottom - 1, c);
        DrawLine(b.right - 1, b.top, b.right - 1, b.bottom - 1, c);
    }

    // A linear colour ramp over the box: `across` = false runs it from the
    // top row to the bottom row, true from the left column to the right one.
    void DrawGradient(COLORREF from, COLORREF to, const Box& b, bool across) const {
        if (b.Empty()) return;
        const int n = across ? b.Width() : b.Height();
        for (int i = 0; i < n; ++i) {
            const COLORREF c = color::RampAt(from, to, i, n);
            if (across) Fill(Box{b.left + i, b.top, b.left + i + 1, b.bottom}, c);
            else Fill(Box{b.left, b.top + i, b.right, b.top + i + 1}, c);
        }
    }

    // The XP-like shading across the thickness of the bar: rows for a lying
    // bar, columns for an upright one.
    void Shade(COLORREF c, const Box& part, const Box& whole, bool upright) const {
        if (part.Empty()) return;
        if (upright) {
            const int n = whole.Width();
            for (int x = part.left; x < part.right; ++x)
                Fill(Box{x, part.top, x + 1, part.bottom}, color::BarShadeAt(c, x - whole.left, n));
        } else {
            const int n = whole.Height();
            for (int y = part.top; y < part.bottom; ++y)
                Fill(Box{part.left, y, part.right, y + 1}, color::BarShadeAt(c, y - whole.top, n));
        }
    }

    void Edge(const Box& b, UINT edge, UINT flags) const {
        RECT r{b.left, b.top, b.right, b.bottom};
        ::DrawEdge(dc_, &r, edge, flags);
    }

    // The rounded grey border of the XP-like looks: a one-pixel line whose
    // corners are cut and softened against `inside` (the colour next to them).
    void RoundedBorder(int w, int h, COLORREF inside) const {
        if (w < 4 || h < 4) {
            Frame(Box{0, 0, w, h}, kBorderGrey);
            return;
        }
        const COLORREF edge = kBorderGrey;
        DrawLine(2, 0, w - 3, 0, edge);
        DrawLine(2, h - 1, w - 3, h - 1, edge);
        DrawLine(0, 2, 0, h - 3, edge);
        DrawLine(w - 1, 2, w - 1, h - 3, edge);
        const COLORREF outer = Blend(kWhite, edge, 40);   // the cut corner itself
        const COLORREF half = Blend(kWhite, edge, 150);   // half covered by the curve
        const COLORREF bend = Blend(inside, edge, 170);   // where the curve turns
        const int xs[2] = {0, w - 1}, ys[2] = {0, h - 1};
        for (int cx = 0; cx < 2; ++cx) {
            for (int cy = 0; cy < 2; ++cy) {
                const int x = xs[cx], y = ys[cy];
                const int dx = cx ? -1 : 1, dy = cy ? -1 : 1;
                Pixel(x, y, outer);
                Pixel(x + dx, y, half);
                Pixel(x, y + dy, half);
                Pixel(x + dx, y + dy, bend);
            }
        }
        // A faint inner shadow under the top line and inside the left one,
        // as a recessed groove has.
        const COLORREF shadow = Blend(inside, edge, 45);
        DrawLine(2, 1, w - 3, 1, shadow);
        DrawLine(1, 2, 1, h - 3, shadow);
        const COLORREF light = Blend(inside, edge, 15);
        DrawLine(2, h - 2, w - 3, h - 2, light);
        DrawLine(w - 2, 2, w - 2, h - 3, light);
    }

    HDC dc() const { return dc_; }

private:
    HDC dc_;
};

void DrawSmooth(const Painter& p, const XP_ProgressBar::Settings& s, const progress::LookLayout& lay, int w,
                int h) {
    p.RoundedBorder(w, h, kWhite);
    const int look = progress::EffectiveLook(s.scrolling);
    if (look == 0) {
        for (const Box& b : lay.blocks) p.Shade(s.color, b, lay.track, lay.vertical);
    } else {
        p.Shade(s.color, lay.fill, lay.track, lay.vertical);
    }
}

void DrawGlossy(const Painter& p, const XP_ProgressBar::Settings& s, const progress::LookLayout& lay, int w, int h) {
    const Box& t = lay.track;
    const int mid = t.top + t.Height() / 2;
    p.DrawGradient(kWhite, kSilver, Box{t.left, t.top, t.right, mid}, false);
    p.DrawGradient(kBlack, kSilver, Box{t.left, mid, t.right, t.bottom}, false);
    const Box& f = lay.fill;
    if (!f.Empty()) {
        const int fmid = f.top + f.Height() / 2;
        p.DrawGradient(Lighten(s.color, 150), Blend(s.color, kBlack, 180), Box{f.left, f.top, f.right, fmid}, false);
        p.DrawGradient(Blend(s.color, kBlack, 190), s.color, Box{f.left, fmid, f.right, f.bottom}, false);
    }
    // Only the outermost ring of the border: the glossy track reaches the edge.
    if (w >= 4 && h >= 4) {
        p.DrawLine(2, 0, w - 3, 0, kBorderGrey);
        p.DrawLine(2, h - 1, w - 3, h - 1, kBorderGrey);
        p.DrawLine(0, 2, 0, h - 3, kBorderGrey);
        p.DrawLine(w - 1, 2, w - 1, h - 3, kBorderGrey);
        const COLORREF half = Blend(kWhite, kBorderGrey, 150);
        const int xs[2] = {0, w - 1}, ys[2] = {0, h - 1};
        for (int cx = 0; cx < 2; ++cx)
            for (int cy = 0; cy < 2; ++cy) {
                const int x = xs[cx], y = ys[cy], dx = cx ? -1 : 1, dy = cy ? -1 : 1;
                p.Pixel(x, y, Blend(kWhite, kBorderGrey, 40));
                p.Pixel(x + dx, y, half);
                p.Pixel(x, y + dy, half);
                p.Pixel(x + dx, y + dy, kBorderGrey);
            }
    } else {
        p.Frame(Box{0, 0, w, h}, kBorderGrey);
    }
}

void DrawLook(const Painter& p, const XP_ProgressBar::Settings& s, const progress::LookLayout& lay, int w, int h) {
    const COLORREF c = s.color;
    const Box client{0, 0, w, h};
    switch (progress::EffectiveLook(s.scrolling)) {
    case 0:
    case 1:
    case 2:
        DrawSmooth(p, s, lay, w, h);
        break;
    case 3:
        p.Frame(client, Lighten(c, 100));
        p.Fill(lay.fill, Lighten(c, 180));
        break;
    case 4:
        p.Edge(client, EDGE_ETCHED, BF_RECT);
        p.DrawGradient(Lighten(c, 140), Lighten(c, 200), lay.fill, true);
        break;
    case 5:
        p.Frame(client, Lighten(c, 10));
        p.DrawGradient(c, Lighten(c, 100), lay.track, false);
        p.DrawGradient(Lighten(c, 250), c, lay.fill, false);
        if (!lay.fill.Empty())
            p.DrawLine(lay.fill.right - 1, lay.fill.top, lay.fill.right - 1, lay.fill.bottom - 1, Lighten(c, 25));
        break;
    case 6:
        p.Frame(client, Blend(c, kBlack, 200));
        p.DrawGradient(kBlack, Lighten(Blend(c, kBlack, 100), 10), lay.fill, true);
        break;
    case 7: {
        p.Edge(client, EDGE_BUMP, BF_RECT);
        if (lay.fill.Empty()) break;
        p.Fill(lay.fill, Lighten(c, 140));
        const int style = s.brushStyle >= HS_HORIZONTAL && s.brushStyle <= HS_DIAGCROSS ? s.brushStyle : HS_CROSS;
        win::unique_brush hatch(::CreateHatchBrush(style, c));
        if (hatch) {
            RECT r{lay.fill.left, lay.fill.top, lay.fill.right, lay.fill.bottom};
            ::SetBkMode(p.dc(), TRANSPARENT);
            ::FillRect(p.dc(), &r, hatch.get());
        }
        break;
    }
    case 8: {
        p.Edge(client, BDR_SUNKENOUTER, BF_RECT);
        if (lay.fill.Empty() || !s.image) break;
        win::unique_brush pattern(::CreatePatternBrush(s.image));
        if (pattern) {
            RECT r{lay.fill.left, lay.fill.top, lay.fill.right, lay.fill.bottom};
            ::FillRect(p.dc(), &r, pattern.get());
        }
        break;
    }
    case 9:
        DrawGlossy(p, s, lay, w, h);
        break;
    }
}

void DrawBarText(const Painter& p, const XP_ProgressBar::Settings& s, const progress::LookLayout& lay, int w, int h) {
    const int look = progress::EffectiveLook(s.scrolling);
    const std::string text = progress::BarText(s.percent, look);
    HDC dc = p.dc();
    HFONT font = s.font ? s.font : static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
    win::selected_object useFont(dc, font);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextAlign(dc, TA_LEFT | TA_TOP);
    RECT r{0, 0, w, h};
    const UINT format = DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP;
    ::SetTextColor(dc, look == 6 ? kSilver : kBlack);
    ::DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &r, format);
    if ((look == 6 || look == 9) && !lay.fill.Empty()) {
        const int saved = ::SaveDC(dc);
        ::IntersectClipRect(dc, lay.fill.left, lay.fill.top, lay.fill.right, lay.fill.bottom);
        ::SetTextColor(dc, look == 6 ? Lighten(s.color, 80) : kWhite);
        ::DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &r, format);
        ::RestoreDC(dc, saved);
    }
}

// A 32-bit top-down DIB section and its memory surface, for reading pixels back.
struct PixelSurface {
    win::unique_memory_dc dc;
    win::unique_bitmap bitmap;
    HGDIOBJ old = nullptr;
    uint32_t* bits = nullptr;
    int width = 0, height = 0;

    bool Make(int w, int h) {
        if (w <= 0 || h <= 0) return false;
        dc = win::unique_memory_dc(nullptr);
        if (!dc) return false;
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = w;
        bi.bmiHeader.biHeight = -h;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        bi.bmiHeader.biCompression = BI_RGB;
        void* p = nullptr;
        bitmap.reset(::CreateDIBSection(dc.get(), &bi, DIB_RGB_COLORS, &p, nullptr, 0));
        if (!bitmap || !p) return false;
        bits = static_cast<uint32_t*>(p);
        old = ::SelectObject(dc.get(), bitmap.get());
        width = w;
        height = h;
        return true;
    }
    void Read(std::vector<uint32_t>& out) const {
        ::GdiFlush();
        out.resize(static_cast<size_t>(width) * height);
        for (size_t i = 0; i < out.size(); ++i) {
            const uint32_t v = bits[i];  // 0x00RRGGBB in memory order B, G, R, x
            out[i] = ((v & 0xFF) << 16) | (v & 0xFF00) | ((v >> 16) & 0xFF);
        }
    }
    ~PixelSurface() {
        if (old) ::SelectObject(dc.get(), old);
    }
};

int PointsToHeight(double points) {
    int dpi = 96;
    if (const win::window_dc screen(nullptr); screen) dpi = ::GetDeviceCaps(screen.get(), LOGPIXELSY);
    return -static_cast<int>(points * dpi / 72.0 + 0.5);
}

double HeightToPoints(LONG height) {
    int dpi = 96;
    if (const win::window_dc screen(nullptr); screen) dpi = ::GetDeviceCaps(screen.get(), LOGPIXELSY);
    if (dpi <= 0) dpi = 96;
    const double pts = (height < 0 ? -height : height) * 72.0 / dpi;
    return std::max(1.0, static_cast<int>(pts * 4 + 0.5) / 4.0);  // quarter points
}

}  // namespace

// ---- the window class ---------------------------------------------------------

XP_ProgressBar::XP_ProgressBar() : color_(ResolveColor(kDefaultColor)) {}

XP_ProgressBar::~XP_ProgressBar() { ReleaseSurface(); }

void XP_ProgressBar::OnFinalMessage() {
    if (destroyedFlag_) *destroyedFlag_ = true;
    delete this;
}

bool XP_ProgressBar::Register() noexcept {
    return RegisterWindowClass(kClassName, CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS);
}

XP_ProgressBar* XP_ProgressBar::Create(HWND parent, int id, const RECT& rect, const PropertyBag* initial) noexcept {
    if (!Register()) return nullptr;
    XP_ProgressBar* bar = nullptr;
    try {
        bar = new XP_ProgressBar();
        if (initial) bar->ApplyBag(*initial);
    } catch (...) {
        delete bar;
        return nullptr;
    }
    bool destroyed = false;
    bar->destroyedFlag_ = &destroyed;
    const DWORD style = parent ? WS_CHILD | WS_VISIBLE : WS_POPUP | WS_VISIBLE;
    HMENU menu = parent ? reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)) : nullptr;
    HWND hwnd = ::CreateWindowExA(0, kClassName, "", style, rect.left, rect.top, rect.right - rect.left,
                                  rect.bottom - rect.top, parent, menu, ::GetModuleHandleA(nullptr), bar);
    if (!hwnd) {
        if (!destroyed) delete bar;
        return nullptr;
    }
    bar->destroyedFlag_ = nullptr;
    return bar;
}

COLORREF XP_ProgressBar::ResolveColor(uint32_t value) noexcept {
    if (value & kSystemColorFlag) return ::GetSysColor(static_cast<int>(value & ~kSystemColorFlag)) & 0xFFFFFF;
    return value & 0xFFFFFF;
}

void XP_ProgressBar::ApplyBag(const PropertyBag& bag) {
    max_ = bag.ReadInt("Max", 100);
    min_ = bag.ReadInt("Min", 0);
    percent_ = progress::PercentFromValue(bag.ReadInt("Value", 0), max_, min_);
    scrolling_ = bag.ReadInt("Scrolling", 0);
    orientation_ = bag.ReadInt("Orientation", 0);
    showText_ = bag.ReadBool("ShowText", false);
    color_ = ResolveColor(bag.ReadColor("Color", kDefaultColor));
    brushStyle_ = bag.ReadInt("BrushStyle", kDefaultBrushStyle);
    const std::string path = bag.ReadText("Image", "");
    if (path.empty()) {
        image_.reset();
        imagePath_.clear();
    } else if (HANDLE loaded = ::LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE)) {
        image_.reset(static_cast<HBITMAP>(loaded));
        imagePath_ = path;
    }
    if (auto font = bag.Read("Font")) {
        if (auto parsed = FontDescription::Parse(*font)) font_ = *parsed;
    } else {
        font_ = FontDescription{};
    }
    fontStale_ = true;
}

void XP_ProgressBar::ReadProperties(const PropertyBag& bag) {
    ApplyBag(bag);
    DrawProgressBar();
}

void XP_ProgressBar::WriteProperties(PropertyBag& bag) const {
    bag.WriteInt("Max", max_);
    bag.WriteInt("Min", min_);
    bag.WriteInt("Value", Value());
    bag.WriteInt("Scrolling", scrolling_);
    bag.WriteInt("Orientation", orientation_);
    bag.WriteBool("ShowText", showText_);
    bag.WriteColor("Color", color_);
    bag.WriteInt("BrushStyle", brushStyle_);
    bag.Write("Image", imagePath_);
    bag.Write("Font", font_.Format());
}

void XP_ProgressBar::SetMax(int32_t value) {
    max_ = value;
    changed_.Mark("Max");
}

void XP_ProgressBar::SetMin(int32_t value) {
    min_ = value;
    changed_.Mark("Min");
}

int32_t XP_ProgressBar::Value() const noexcept { return progress::ValueFromPercent(percent_, max_, min_); }

void XP_ProgressBar::SetValue(int32_t value) {
    percent_ = progress::PercentFromValue(value, max_, min_);
    DrawProgressBar();
}

void XP_ProgressBar::SetScrolling(int32_t look) {
    scrolling_ = look;
    changed_.Mark("Scrolling");
    DrawProgressBar();
}

void XP_ProgressBar::SetOrientation(int32_t value) {
    orientation_ = value;
    changed_.Mark("Orientation");
    DrawProgressBar();
}

void XP_ProgressBar::SetShowText(bool value) {
    showText_ = value;
    changed_.Mark("ShowText");
    DrawProgressBar();
}

void XP_ProgressBar::SetColor(uint32_t value) {
    color_ = ResolveColor(value);
    DrawProgressBar();
}

void XP_ProgressBar::SetBrushStyle(int32_t style) {
    brushStyle_ = style;
    changed_.Mark("BrushStyle");
}

bool XP_ProgressBar::SetImage(HBITMAP source) {
    win::unique_bitmap copy;
    if (source) {
        copy.reset(static_cast<HBITMAP>(::CopyImage(source, IMAGE_BITMAP, 0, 0, 0)));
        if (!copy) return false;
    }
    image_ = std::move(copy);
    imagePath_.clear();
    changed_.Mark("Image");
    DrawProgressBar();
    return true;
}

bool XP_ProgressBar::SetImageFile(const std::string& path) {
    if (path.empty()) return SetImage(nullptr);
    HANDLE loaded = ::LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE);
    if (!loaded) return false;
    image_.reset(static_cast<HBITMAP>(loaded));
    imagePath_ = path;
    changed_.Mark("Image");
    DrawProgressBar();
    return true;
}

void XP_ProgressBar::SetFont(const FontDescription& font) {
    font_ = font;
    fontStale_ = true;
}

bool XP_ProgressBar::SetFont(HFONT font) {
    LOGFONTA lf{};
    if (!font || ::GetObjectA(font, sizeof lf, &lf) != sizeof lf) return false;
    FontDescription d;
    d.face = lf.lfFaceName[0] ? std::string(lf.lfFaceName, strnlen(lf.lfFaceName, LF_FACESIZE)) : "Tahoma";
    d.points = HeightToPoints(lf.lfHeight ? lf.lfHeight : -11);
    d.bold = lf.lfWeight >= FW_BOLD;
    d.italic = lf.lfItalic != 0;
    d.underline = lf.lfUnderline != 0;
    d.strikeout = lf.lfStrikeOut != 0;
    SetFont(d);
    return true;
}

HFONT XP_ProgressBar::TextFont() {
    if (fontStale_) {
        LOGFONTA lf{};
        lf.lfHeight = PointsToHeight(font_.points);
        lf.lfWeight = font_.bold ? FW_BOLD : FW_NORMAL;
        lf.lfItalic = font_.italic;
        lf.lfUnderline = font_.underline;
        lf.lfStrikeOut = font_.strikeout;
        lf.lfCharSet = DEFAULT_CHARSET;
        lf.lfQuality = DEFAULT_QUALITY;
        lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
        lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
        lf.lfPitchAndFamily = DEFAULT_PITCH | FF_SWISS;
        const size_t n = std::min(font_.face.size(), static_cast<size_t>(LF_FACESIZE - 1));
        std::memcpy(lf.lfFaceName, font_.face.data(), n);
        fontObject_.reset(::CreateFontIndirectA(&lf));
        fontStale_ = false;
    }
    return fontObject_.get();
}

XP_ProgressBar::Settings XP_ProgressBar::CurrentSettings() const {
    Settings s;
    s.percent = percent_;
    s.scrolling = scrolling_;
    s.orientation = orientation_;
    s.showText = showText_;
    s.color = color_;
    s.brushStyle = brushStyle_;
    s.image = image_.get();
    s.font = fontObject_.get();
    return s;
}

bool XP_ProgressBar::EnsureSurface(int width, int height) {
    width = std::max(width, 1);
    height = std::max(height, 1);
    if (!memory_) {
        win::window_dc screen(nullptr);
        if (!screen) return false;
        memory_ = win::unique_memory_dc(screen.get());
        if (!memory_) return false;
    }
    if (surface_ && width <= surfaceSize_.cx && height <= surfaceSize_.cy) return true;
    const int w = std::max(width, static_cast<int>(surfaceSize_.cx));
    const int h = std::max(height, static_cast<int>(surfaceSize_.cy));
    win::unique_bitmap bigger;
    {
        win::window_dc screen(nullptr);
        if (screen) bigger.reset(::CreateCompatibleBitmap(screen.get(), w, h));
    }
    if (!bigger) return false;  // the old one (if any) is too small: draw directly
    HGDIOBJ previous = ::SelectObject(memory_.get(), bigger.get());
    if (!originalBitmap_) originalBitmap_ = previous;
    surface_ = std::move(bigger);
    surfaceSize_ = SIZE{w, h};
    return true;
}

void XP_ProgressBar::ReleaseSurface() noexcept {
    if (memory_ && originalBitmap_) ::SelectObject(memory_.get(), originalBitmap_);
    originalBitmap_ = nullptr;
    memory_.reset();
    surface_.reset();
    surfaceSize_ = SIZE{0, 0};
}

void XP_ProgressBar::DrawProgressBar() {
    percent_ = progress::DrawnPercent(percent_);
    if (!hWnd()) return;
    win::window_dc target(hWnd());
    if (target) DrawInto(target.get());
}

void XP_ProgressBar::DrawInto(HDC target) {
    RECT client{};
    ::GetClientRect(hWnd(), &client);
    Settings s = CurrentSettings();
    s.font = TextFont();
    const int w = client.right, h = client.bottom;
    if (memory_ && surface_ && w <= surfaceSize_.cx && h <= surfaceSize_.cy) {
        Render(memory_.get(), client, s);
        if (target) ::BitBlt(target, 0, 0, w, h, memory_.get(), 0, 0, SRCCOPY);
    } else if (target) {
        Render(target, client, s);
    }
}

bool XP_ProgressBar::CopyPixels(std::vector<uint32_t>& out, int& width, int& height) const {
    out.clear();
    width = height = 0;
    if (!hWnd() || !memory_ || !surface_) return false;
    RECT client{};
    ::GetClientRect(hWnd(), &client);
    if (client.right <= 0 || client.bottom <= 0 || client.right > surfaceSize_.cx || client.bottom > surfaceSize_.cy)
        return false;
    PixelSurface copy;
    if (!copy.Make(client.right, client.bottom)) return false;
    if (!::BitBlt(copy.dc.get(), 0, 0, client.right, client.bottom, memory_.get(), 0, 0, SRCCOPY)) return false;
    copy.Read(out);
    width = client.right;
    height = client.bottom;
    return true;
}

void XP_ProgressBar::Render(HDC dc, const RECT& area, const Settings& settings) {
    const int w = area.right - area.left, h = area.bottom - area.top;
    if (!dc || w <= 0 || h <= 0) return;
    const int saved = ::SaveDC(dc);
    POINT oldOrigin{};
    ::OffsetViewportOrgEx(dc, area.left, area.top, &oldOrigin);
    ::IntersectClipRect(dc, 0, 0, w, h);
    ::SetBrushOrgEx(dc, area.left, area.top, nullptr);
    const int look = progress::EffectiveLook(settings.scrolling);
    Settings s = settings;
    s.percent = progress::DrawnPercent(s.percent);
    s.color &= 0xFFFFFF;
    const Painter p(dc);
    p.Fill(progress::Box{0, 0, w, h}, look == 6 ? kBlack : kWhite);
    const progress::LookLayout lay = progress::Layout(s.percent, s.scrolling, s.orientation, w, h);
    DrawLook(p, s, lay, w, h);
    if (s.showText) DrawBarText(p, s, lay, w, h);
    ::RestoreDC(dc, saved);
}

bool XP_ProgressBar::RenderPixels(const Settings& settings, int width, int height, std::vector<uint32_t>& out) {
    out.clear();
    PixelSurface surface;
    if (!surface.Make(width, height)) return false;
    Render(surface.dc.get(), RECT{0, 0, width, height}, settings);
    surface.Read(out);
    return true;
}

LRESULT XP_ProgressBar::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_CREATE: {
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(lp);
        EnsureSurface(cs->cx, cs->cy);
        DrawProgressBar();
        return 0;
    }
    case WM_SIZE:
        EnsureSurface(LOWORD(lp), HIWORD(lp));
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        win::paint_dc paint(hWnd());
        percent_ = progress::DrawnPercent(percent_);
        DrawInto(paint.get());
        return 0;
    }
    case WM_PRINTCLIENT:
        if (wp) {
            percent_ = progress::DrawnPercent(percent_);
            DrawInto(reinterpret_cast<HDC>(wp));
        }
        return 0;
    case WM_DESTROY:
        ReleaseSurface();
        return 0;
    default:
        return Default(msg, wp, lp);
    }
}

}  // namespace controls

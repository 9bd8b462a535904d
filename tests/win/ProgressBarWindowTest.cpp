// XP_ProgressBar as a real window: its properties and property bag, and what
// it draws, read back from its off-screen bitmap.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "ColorMath.h"
#include "GdiObjects.h"
#include "ProgressValue.h"
#include "XP_ProgressBar.h"

using controls::PropertyBag;
using controls::XP_ProgressBar;
namespace color = controls::color;

namespace {

struct Picture {
    std::vector<uint32_t> px;
    int w = 0, h = 0;
    uint32_t at(int x, int y) const { return px[static_cast<size_t>(y) * w + x]; }
    bool operator==(const Picture& o) const { return w == o.w && h == o.h && px == o.px; }
};

Picture Grab(const XP_ProgressBar* bar) {
    Picture p;
    EXPECT_TRUE(bar->CopyPixels(p.px, p.w, p.h));
    return p;
}

// The pixels that differ between two pictures of the same size.
std::vector<bool> Difference(const Picture& a, const Picture& b) {
    std::vector<bool> d(a.px.size());
    for (size_t i = 0; i < d.size() && i < b.px.size(); ++i) d[i] = a.px[i] != b.px[i];
    return d;
}

int Count(const std::vector<bool>& mask) { return static_cast<int>(std::count(mask.begin(), mask.end(), true)); }

// Pixels of exactly colour c inside the box.
int CountColour(const Picture& p, controls::progress::Box box, uint32_t c) {
    int n = 0;
    for (int y = box.top; y < box.bottom; ++y)
        for (int x = box.left; x < box.right; ++x) n += p.at(x, y) == c;
    return n;
}

// Pixels within `slack` of colour c on every channel: text edges are smoothed.
int CountNear(const Picture& p, controls::progress::Box box, uint32_t c, int slack = 24) {
    int n = 0;
    for (int y = box.top; y < box.bottom; ++y)
        for (int x = box.left; x < box.right; ++x) {
            const uint32_t v = p.at(x, y);
            n += std::abs(color::Red(v) - color::Red(c)) <= slack && std::abs(color::Green(v) - color::Green(c)) <= slack &&
                 std::abs(color::Blue(v) - color::Blue(c)) <= slack;
        }
    return n;
}

int CountDark(const Picture& p, controls::progress::Box box, int below) {
    int n = 0;
    for (int y = box.top; y < box.bottom; ++y)
        for (int x = box.left; x < box.right; ++x) n += color::Luma(p.at(x, y)) < below;
    return n;
}

// One host window for the whole suite (top-level windows are slow to make
// under Wine); each test's bars are destroyed after it.
class ProgressBarWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "ProgressBarTestHost";
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        RegisterClassA(&wc);
        host_ = CreateWindowExA(0, wc.lpszClassName, "progress bars", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 560,
                                420, nullptr, nullptr, wc.hInstance, nullptr);
    }
    static void TearDownTestSuite() {
        if (host_) DestroyWindow(host_);
        host_ = nullptr;
        Pump();
    }
    void SetUp() override { ASSERT_NE(host_, nullptr); }
    void TearDown() override {
        for (HWND bar : made_)
            if (IsWindow(bar)) DestroyWindow(bar);
        Pump();
    }
    static void Pump() {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    XP_ProgressBar* Make(int w, int h, const PropertyBag* bag = nullptr) {
        RECT r{10, 10 + next_, 10 + w, 10 + next_ + h};
        next_ += h + 4;
        XP_ProgressBar* bar = XP_ProgressBar::Create(host_, 100 + next_, r, bag);
        EXPECT_NE(bar, nullptr);
        if (bar) made_.push_back(bar->hWnd());
        return bar;
    }
    static inline HWND host_ = nullptr;
    std::vector<HWND> made_;
    int next_ = 0;
};

// ---- drawing ---------------------------------------------------------------------

TEST_F(ProgressBarWindow, SegmentedHalfBarEndsOnABlockBoundary) {
    XP_ProgressBar* bar = Make(200, 20);
    ASSERT_TRUE(bar);
    bar->SetValue(50);
    const Picture p = Grab(bar);
    ASSERT_EQ(p.w, 200);
    ASSERT_EQ(p.h, 20);
    const int y = 10;
    int last = -1;
    for (int x = 2; x < p.w - 2; ++x)
        if (p.at(x, y) != color::kWhite) last = x;
    // 50 / 98 of 200 px = 102, cut to 96: twelve blocks, the last ends at 2 + 88 + 6.
    ASSERT_EQ(last, 2 + 11 * 8 + 5);
    for (int k = 0; k < 12; ++k) {
        const int x0 = 2 + k * 8;
        for (int x = x0; x < x0 + 6; ++x) EXPECT_NE(p.at(x, y), color::kWhite) << "block " << k << " x " << x;
        EXPECT_EQ(p.at(x0 + 6, y), color::kWhite) << "gap after block " << k;
        EXPECT_EQ(p.at(x0 + 7, y), color::kWhite) << "gap after block " << k;
    }
    // Each block is shaded in the bar colour: the same column through it shows several tones.
    std::vector<uint32_t> tones;
    for (int yy = 2; yy < 18; ++yy) tones.push_back(p.at(4, yy));
    std::sort(tones.begin(), tones.end());
    EXPECT_GT(std::unique(tones.begin(), tones.end()) - tones.begin(), 4);
}

TEST_F(ProgressBarWindow, OverfullValueDrawsAFullBarWithHundredPercent) {
    PropertyBag textOn{{"ShowText", "True"}, {"Scrolling", "1"}};
    XP_ProgressBar* over = Make(200, 22, &textOn);
    XP_ProgressBar* hundred = Make(200, 22, &textOn);
    PropertyBag textOff{{"Scrolling", "1"}};
    XP_ProgressBar* plain = Make(200, 22, &textOff);
    ASSERT_TRUE(over && hundred && plain);
    over->SetValue(150);
    hundred->SetValue(100);
    plain->SetValue(100);
    EXPECT_EQ(over->Percent(), 100);  // the redraw caps the stored percentage
    EXPECT_EQ(over->Value(), 100);

    const Picture a = Grab(over), b = Grab(hundred), c = Grab(plain);
    EXPECT_EQ(a, b);  // 150 draws exactly what 100 draws, text "100 %" included
    // The bar reaches the far end away from the text.
    for (int x = 2; x < 198; ++x) EXPECT_NE(a.at(x, 3), color::kWhite) << x;
    // The text is in the middle: differences against the textless bar only
    // there, dark ones among them.
    const auto text = Difference(a, c);
    EXPECT_GT(Count(text), 20);
    for (int y = 0; y < a.h; ++y)
        for (int x = 0; x < a.w; ++x)
            if (text[static_cast<size_t>(y) * a.w + x]) {
                EXPECT_GT(x, 70);
                EXPECT_LT(x, 130);
                EXPECT_GT(y, 2);
                EXPECT_LT(y, 20);
            }
    EXPECT_GT(CountDark(a, {80, 5, 120, 17}, 40), CountDark(c, {80, 5, 120, 17}, 40) + 10);
}

TEST_F(ProgressBarWindow, SearchingTextDoesNotDependOnTheValue) {
    auto textMask = [&](int look, int value) {
        PropertyBag on{{"ShowText", "True"}, {"Scrolling", std::to_string(look)}};
        PropertyBag off{{"Scrolling", std::to_string(look)}};
        XP_ProgressBar* with = Make(200, 20, &on);
        XP_ProgressBar* without = Make(200, 20, &off);
        with->SetValue(value);
        without->SetValue(value);
        const auto mask = Difference(Grab(with), Grab(without));
        DestroyWindow(with->hWnd());
        DestroyWindow(without->hWnd());
        next_ = 0;
        return mask;
    };
    const auto searching10 = textMask(2, 10);
    const auto searching90 = textMask(2, 90);
    EXPECT_GT(Count(searching10), 30);
    EXPECT_EQ(searching10, searching90);
    // The percentage text does move with the value ("10 %" against "90 %").
    EXPECT_NE(textMask(1, 10), textMask(1, 90));
}

TEST_F(ProgressBarWindow, PatternLookWithoutImageShowsOnlyItsEdge) {
    PropertyBag bag{{"Scrolling", "8"}};
    XP_ProgressBar* bar = Make(180, 20, &bag);
    ASSERT_TRUE(bar);
    for (int v : {0, 50, 100}) {
        bar->SetValue(v);
        const Picture p = Grab(bar);
        EXPECT_EQ(CountColour(p, {1, 1, p.w - 1, p.h - 1}, color::kWhite), (p.w - 2) * (p.h - 2)) << v;
        EXPECT_LT(CountColour(p, {0, 0, p.w, 1}, color::kWhite), p.w) << "edge drawn";
    }

    // With a picture the bar shows it; the control keeps its own copy.
    const COLORREF red = RGB(220, 0, 0);
    {
        win::window_dc screen(nullptr);
        win::unique_bitmap tile(CreateCompatibleBitmap(screen.get(), 8, 8));
        win::unique_memory_dc mem(screen.get());
        {
            win::selected_object sel(mem.get(), tile.get());
            win::unique_brush brush(CreateSolidBrush(red));
            RECT r{0, 0, 8, 8};
            FillRect(mem.get(), &r, brush.get());
        }
        ASSERT_TRUE(bar->SetImage(tile.get()));
        EXPECT_NE(bar->Image(), tile.get());
    }
    bar->SetValue(50);
    const Picture p = Grab(bar);
    const int barEnd = 50 * 180 / 101;
    EXPECT_EQ(CountColour(p, {1, 1, barEnd, p.h - 1}, red), (barEnd - 1) * (p.h - 2));
    EXPECT_EQ(CountColour(p, {barEnd + 1, 1, p.w - 1, p.h - 1}, red), 0);
    ASSERT_TRUE(bar->SetImage(nullptr));
    EXPECT_EQ(CountColour(Grab(bar), {1, 1, p.w - 1, p.h - 1}, color::kWhite), (p.w - 2) * (p.h - 2));
}

TEST_F(ProgressBarWindow, UprightBarsFillFromTheBottom) {
    for (int look : {0, 1, 2}) {
        PropertyBag bag{{"Scrolling", std::to_string(look)}, {"Orientation", "1"}};
        XP_ProgressBar* bar = Make(20, 200, &bag);
        ASSERT_TRUE(bar);
        bar->SetValue(50);
        const Picture p = Grab(bar);
        int top = -1;
        for (int y = 2; y < p.h - 2; ++y)
            if (p.at(10, y) != color::kWhite) {
                top = y;
                break;
            }
        // 96 px from the inner bottom edge (198): the top edge on a whole
        // block (below the last block's gap in the segmented look).
        EXPECT_EQ(top, look == 0 ? 198 - 96 + 2 : 198 - 96) << look;
        EXPECT_NE(p.at(10, 197), color::kWhite) << look;
        EXPECT_EQ(p.at(10, 50), color::kWhite) << look;
        if (look == 0) {
            EXPECT_EQ(p.at(10, 198 - 7), color::kWhite) << "gap above the first block";
            EXPECT_NE(p.at(10, 198 - 9), color::kWhite);
        }
        DestroyWindow(bar->hWnd());
        next_ = 0;
    }
}

TEST_F(ProgressBarWindow, FlatLookUsesTheSystemColourItWasGiven) {
    PropertyBag bag{{"Scrolling", "3"}};
    XP_ProgressBar* bar = Make(160, 18, &bag);
    ASSERT_TRUE(bar);
    bar->SetColor(0x80000000u | COLOR_HIGHLIGHT);
    const COLORREF sys = GetSysColor(COLOR_HIGHLIGHT);
    EXPECT_EQ(bar->Color(), sys);
    bar->SetColor(0x80000000u | COLOR_BTNSHADOW);
    EXPECT_EQ(bar->Color(), GetSysColor(COLOR_BTNSHADOW));
    bar->SetValue(50);
    const Picture p = Grab(bar);
    EXPECT_EQ(p.at(5, 5), color::Lighten(GetSysColor(COLOR_BTNSHADOW), 180));
    EXPECT_EQ(p.at(0, 5), color::Lighten(GetSysColor(COLOR_BTNSHADOW), 100));
    EXPECT_EQ(p.at(120, 5), color::kWhite);
    bar->SetColor(0x00123456);
    EXPECT_EQ(bar->Color(), 0x123456u);
}

TEST_F(ProgressBarWindow, DarkAndGlossyLooksReprintTheTextOverTheBar) {
    const COLORREF c = RGB(40, 160, 60);
    const COLORREF over = color::Lighten(c, 80);
    const controls::progress::Box text{60, 2, 140, 20};
    PropertyBag dark{{"Scrolling", "6"}, {"ShowText", "True"}};
    XP_ProgressBar* bar = Make(200, 22, &dark);
    ASSERT_TRUE(bar);
    bar->SetColor(c);
    bar->SetValue(0);
    Picture p = Grab(bar);
    EXPECT_EQ(p.at(100, 2), color::kBlack);  // on black
    EXPECT_GT(CountNear(p, text, color::kSilver), 5);
    EXPECT_EQ(CountNear(p, text, over), 0);
    bar->SetValue(100);
    p = Grab(bar);
    EXPECT_GT(CountNear(p, text, over), 5);
    EXPECT_EQ(CountNear(p, text, color::kSilver), 0);
    // Half way the bar ends left of the text's middle: both colours show,
    // the light one only over the bar.
    bar->SetValue(50);
    p = Grab(bar);
    EXPECT_GT(CountNear(p, text, over), 0);
    EXPECT_GT(CountNear(p, text, color::kSilver), 0);
    EXPECT_EQ(CountNear(p, {103, 2, 140, 20}, over), 0);

    PropertyBag glossy{{"Scrolling", "9"}, {"ShowText", "True"}};
    PropertyBag glossyPlain{{"Scrolling", "9"}};
    XP_ProgressBar* shiny = Make(200, 22, &glossy);
    XP_ProgressBar* plain = Make(200, 22, &glossyPlain);
    shiny->SetColor(c);
    plain->SetColor(c);
    shiny->SetValue(100);
    plain->SetValue(100);
    EXPECT_GT(CountNear(Grab(shiny), text, color::kWhite, 8), CountNear(Grab(plain), text, color::kWhite, 8) + 5);
    shiny->SetValue(0);
    plain->SetValue(0);
    // Black text over the light upper half of the empty track.
    EXPECT_GT(CountDark(Grab(shiny), {60, 3, 140, 11}, 60), CountDark(Grab(plain), {60, 3, 140, 11}, 60) + 2);
}

TEST_F(ProgressBarWindow, HatchedLookDrawsItsPatternOverTheLightColour) {
    const COLORREF c = RGB(200, 30, 30);
    PropertyBag bag{{"Scrolling", "7"}, {"BrushStyle", "0"}};
    XP_ProgressBar* bar = Make(200, 24, &bag);
    ASSERT_TRUE(bar);
    bar->SetColor(c);
    bar->SetValue(100);
    const Picture p = Grab(bar);
    const controls::progress::Box inside{10, 4, 150, 20};
    EXPECT_GT(CountColour(p, inside, c), 0);
    EXPECT_GT(CountColour(p, inside, color::Lighten(c, 140)), CountColour(p, inside, c));
    // Horizontal hatch: a row is either all line or all background.
    for (int y = inside.top; y < inside.bottom; ++y)
        EXPECT_EQ(CountColour(p, {10, y, 150, y + 1}, c) % 140, 0) << y;
}

TEST_F(ProgressBarWindow, EveryLookDrawsTheSameOnTheGalleryPath) {
    XP_ProgressBar* bar = Make(150, 20);
    ASSERT_TRUE(bar);
    bar->SetShowText(true);
    for (int look = 0; look < controls::progress::kLookCount; ++look) {
        bar->SetScrolling(look);
        for (int v : {0, 33, 100}) {
            bar->SetValue(v);
            const Picture own = Grab(bar);
            Picture gallery;
            XP_ProgressBar::Settings s = bar->CurrentSettings();
            ASSERT_TRUE(XP_ProgressBar::RenderPixels(s, 150, 20, gallery.px));
            gallery.w = 150;
            gallery.h = 20;
            EXPECT_EQ(own, gallery) << "look " << look << " at " << v;
        }
    }
}

TEST_F(ProgressBarWindow, RenderDrawsOnlyInsideItsAreaOfALargerSurface) {
    // A gallery draws many bars onto one picture: each lands at its place
    // and leaves everything around it alone.
    const int W = 260, H = 60;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = W;
    bi.bmiHeader.biHeight = -H;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    win::unique_memory_dc dc(nullptr);
    void* bits = nullptr;
    win::unique_bitmap dib(CreateDIBSection(dc.get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    ASSERT_TRUE(dib && bits);
    win::selected_object sel(dc.get(), dib.get());
    auto* px = static_cast<uint32_t*>(bits);
    std::fill(px, px + W * H, 0x00FF00FFu);  // magenta in memory order
    for (int look : {0, 6, 7, 9}) {
        XP_ProgressBar::Settings s;
        s.scrolling = look;
        s.percent = 64;
        s.showText = true;
        std::vector<uint32_t> alone;
        ASSERT_TRUE(XP_ProgressBar::RenderPixels(s, 200, 20, alone));
        XP_ProgressBar::Render(dc.get(), RECT{30, 17, 230, 37}, s);
        GdiFlush();
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                const uint32_t v = px[y * W + x];
                const uint32_t rgb = ((v & 0xFF) << 16) | (v & 0xFF00) | ((v >> 16) & 0xFF);
                if (x >= 30 && x < 230 && y >= 17 && y < 37)
                    ASSERT_EQ(rgb, alone[static_cast<size_t>(y - 17) * 200 + (x - 30)]) << look << " " << x << "," << y;
                else
                    ASSERT_EQ(v, 0x00FF00FFu) << look << " outside at " << x << "," << y;
            }
    }
}

// ---- redraw rules, persistence and the off-screen surface ----------------------------

TEST_F(ProgressBarWindow, SomeSettersRedrawAndOthersOnlyStore) {
    PropertyBag bag{{"Scrolling", "7"}, {"ShowText", "True"}};
    XP_ProgressBar* bar = Make(200, 24, &bag);
    ASSERT_TRUE(bar);
    bar->SetValue(80);
    const Picture before = Grab(bar);
    bar->SetBrushStyle(HS_VERTICAL);
    bar->SetMax(200);
    bar->SetMin(3);
    bar->SetFont(controls::FontDescription{"Tahoma", 14, true});
    EXPECT_EQ(Grab(bar), before);
    bar->DrawProgressBar();
    EXPECT_NE(Grab(bar), before);
    const Picture redrawn = Grab(bar);
    bar->SetShowText(false);
    EXPECT_NE(Grab(bar), redrawn);
}

TEST_F(ProgressBarWindow, SettersMarkOnlyThePersistedKeysTheyOwn) {
    XP_ProgressBar* bar = Make(120, 16);
    ASSERT_TRUE(bar);
    EXPECT_TRUE(bar->Changed().Keys().empty());
    bar->SetValue(30);
    bar->SetColor(RGB(1, 2, 3));
    bar->SetFont(controls::FontDescription{"Arial", 9});
    EXPECT_TRUE(bar->Changed().Keys().empty());
    bar->SetMin(0);
    bar->SetMax(50);
    bar->SetImage(nullptr);
    bar->SetOrientation(1);
    bar->SetScrolling(4);
    bar->SetShowText(true);
    bar->SetBrushStyle(2);
    bar->SetMax(60);
    const std::vector<std::string> expected{"Min", "Max", "Image", "Orientation", "Scrolling", "ShowText",
                                            "BrushStyle"};
    EXPECT_EQ(bar->Changed().Keys(), expected);
}

TEST_F(ProgressBarWindow, DefaultsAndKeysOfThePropertyBag) {
    XP_ProgressBar* bar = Make(120, 16);
    ASSERT_TRUE(bar);
    EXPECT_EQ(bar->Max(), 100);
    EXPECT_EQ(bar->Min(), 0);
    EXPECT_EQ(bar->Value(), 0);
    EXPECT_EQ(bar->Scrolling(), 0);
    EXPECT_EQ(bar->Orientation(), 0);
    EXPECT_FALSE(bar->ShowText());
    EXPECT_EQ(bar->Color(), GetSysColor(COLOR_HIGHLIGHT));
    EXPECT_EQ(bar->BrushStyle(), 4);
    EXPECT_EQ(bar->Image(), nullptr);
    EXPECT_EQ(bar->Font().Format(), "Tahoma,8");
    EXPECT_EQ(bar->hDC() != nullptr, true);

    PropertyBag out;
    bar->WriteProperties(out);
    PropertyBag expected;
    expected.WriteInt("Max", 100);
    expected.WriteInt("Min", 0);
    expected.WriteInt("Value", 0);
    expected.WriteInt("Scrolling", 0);
    expected.WriteInt("Orientation", 0);
    expected.WriteBool("ShowText", false);
    expected.WriteColor("Color", GetSysColor(COLOR_HIGHLIGHT));
    expected.WriteInt("BrushStyle", 4);
    expected.Write("Image", "");
    expected.Write("Font", "Tahoma,8");
    EXPECT_EQ(out.Items(), expected.Items());
}

TEST_F(ProgressBarWindow, ReadsItsPropertiesByTheirKeys) {
    PropertyBag bag{{"Max", "200"},         {"Min", "0"},        {"Value", "50"},
                    {"Scrolling", "5"},     {"Orientation", "0"}, {"ShowText", "True"},
                    {"Color", "&H8000000F"}, {"BrushStyle", "2"}, {"Font", "Verdana,10,Bold"}};
    XP_ProgressBar* bar = Make(150, 18, &bag);
    ASSERT_TRUE(bar);
    EXPECT_EQ(bar->Max(), 200);
    EXPECT_EQ(bar->Percent(), 25);
    EXPECT_EQ(bar->Value(), 50);
    EXPECT_EQ(bar->Scrolling(), 5);
    EXPECT_TRUE(bar->ShowText());
    EXPECT_EQ(bar->Color(), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(bar->BrushStyle(), 2);
    EXPECT_EQ(bar->Font().Format(), "Verdana,10,Bold");
    EXPECT_TRUE(bar->Changed().Keys().empty());  // reading is no change

    PropertyBag out;
    bar->WriteProperties(out);
    EXPECT_EQ(out.ReadInt("Value", -1), 50);
    EXPECT_EQ(out.ReadColor("Color", 0), GetSysColor(COLOR_BTNFACE));  // stored resolved
    EXPECT_EQ(out.ReadText("Font", ""), "Verdana,10,Bold");

    // Unreadable texts keep the defaults.
    PropertyBag junk{{"Max", "lots"}, {"ShowText", "perhaps"}, {"Font", "Tahoma"}, {"Color", "blue"}};
    XP_ProgressBar* other = Make(150, 18, &junk);
    ASSERT_TRUE(other);
    EXPECT_EQ(other->Max(), 100);
    EXPECT_FALSE(other->ShowText());
    EXPECT_EQ(other->Font().Format(), "Tahoma,8");
    EXPECT_EQ(other->Color(), GetSysColor(COLOR_HIGHLIGHT));
}

TEST_F(ProgressBarWindow, ZeroMaxAndOddLooksDoNotBreakTheBar) {
    XP_ProgressBar* bar = Make(120, 16);
    ASSERT_TRUE(bar);
    bar->SetMax(0);
    bar->SetValue(40);
    EXPECT_EQ(bar->Percent(), 0);
    EXPECT_EQ(bar->Value(), 0);
    bar->SetValue(40);
    bar->SetScrolling(42);  // kept, drawn as look 0
    EXPECT_EQ(bar->Scrolling(), 42);
    const Picture odd = Grab(bar);
    bar->SetScrolling(0);
    EXPECT_EQ(Grab(bar), odd);
    bar->SetBrushStyle(99);
    bar->SetScrolling(7);
    bar->SetMax(100);
    bar->SetValue(-30);
    EXPECT_EQ(bar->Percent(), -30);
}

TEST_F(ProgressBarWindow, OffscreenBitmapOnlyGrows) {
    XP_ProgressBar* bar = Make(150, 20);
    ASSERT_TRUE(bar);
    EXPECT_EQ(bar->SurfaceSize().cx, 150);
    EXPECT_EQ(bar->SurfaceSize().cy, 20);
    SetWindowPos(bar->hWnd(), nullptr, 0, 0, 100, 14, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(bar->SurfaceSize().cx, 150);
    EXPECT_EQ(bar->SurfaceSize().cy, 20);
    bar->SetValue(100);
    Picture p = Grab(bar);
    EXPECT_EQ(p.w, 100);
    EXPECT_EQ(p.h, 14);
    SetWindowPos(bar->hWnd(), nullptr, 0, 0, 240, 18, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(bar->SurfaceSize().cx, 240);
    EXPECT_EQ(bar->SurfaceSize().cy, 20);
    bar->SetValue(100);
    p = Grab(bar);
    ASSERT_EQ(p.w, 240);
    EXPECT_NE(p.at(230, 9), color::kWhite);  // drawn over the new width
}

TEST_F(ProgressBarWindow, WindowOwnsTheObject) {
    XP_ProgressBar* bar = Make(120, 16);
    ASSERT_TRUE(bar);
    HWND hwnd = bar->hWnd();
    EXPECT_EQ(XP_ProgressBar::FromWindow(hwnd), bar);
    EXPECT_EQ(GetDlgCtrlID(hwnd) != 0, true);
    char cls[32] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    EXPECT_STREQ(cls, "XP_ProgressBar");
    DestroyWindow(hwnd);
    EXPECT_EQ(XP_ProgressBar::FromWindow(hwnd), nullptr);
    // Painting through the window's own messages also works.
    XP_ProgressBar* again = Make(120, 16);
    ASSERT_TRUE(again);
    again->SetValue(60);
    InvalidateRect(again->hWnd(), nullptr, FALSE);
    UpdateWindow(again->hWnd());
    Pump();
    EXPECT_EQ(again->Percent(), 60);
}

}  // namespace

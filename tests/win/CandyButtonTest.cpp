// CandyButton as a real child window, driven with the messages the system
// sends it: clicks, Enter, focus, hover and leave, its property bag, its
// pixels (read back through WM_PRINTCLIENT).
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "CandyButton.h"

using namespace controls;

namespace {

constexpr COLORREF kParentBack = RGB(200, 210, 220);
constexpr int kButtonId = 1234;

struct ParentLog {
    int commands = 0;
    int lastId = -1;
    int lastCode = -1;
    HWND lastFrom = nullptr;
};
ParentLog g_parent;
HBRUSH g_parentBrush = nullptr;

LRESULT CALLBACK ParentProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_COMMAND:
        ++g_parent.commands;
        g_parent.lastId = LOWORD(wp);
        g_parent.lastCode = HIWORD(wp);
        g_parent.lastFrom = reinterpret_cast<HWND>(lp);
        return 0;
    case WM_CTLCOLORBTN:
        return reinterpret_cast<LRESULT>(g_parentBrush);
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

struct Events {
    int click = 0, dblClick = 0, down = 0, move = 0, up = 0;
    int lastButton = -1, lastX = -1, lastY = -1;
    int Total() const { return click + dblClick + down + move + up; }
};

void Hook(CandyButton* b, Events& e) {
    b->OnClick = [&e] { ++e.click; };
    b->OnDblClick = [&e] { ++e.dblClick; };
    b->OnMouseDown = [&e](int button, int, int x, int y) {
        ++e.down;
        e.lastButton = button;
        e.lastX = x;
        e.lastY = y;
    };
    b->OnMouseMove = [&e](int, int, int, int) { ++e.move; };
    b->OnMouseUp = [&e](int button, int, int x, int y) {
        ++e.up;
        e.lastButton = button;
        e.lastX = x;
        e.lastY = y;
    };
}

LPARAM Point(int x, int y) { return MAKELPARAM(static_cast<WORD>(static_cast<short>(x)), static_cast<WORD>(static_cast<short>(y))); }

// Key message flags (repeat count, scan code, previous state, transition).
LPARAM KeyBits(uint32_t bits) { return static_cast<LPARAM>(static_cast<ULONG_PTR>(bits)); }

// The client area's pixels (0x00RRGGBB), painted into a 32-bit surface.
std::vector<uint32_t> Capture(HWND hwnd) {
    RECT rc{};
    GetClientRect(hwnd, &rc);
    const int w = rc.right, h = rc.bottom;
    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof bmi.bmiHeader;
    bmi.bmiHeader.biWidth = w;
    bmi.bmiHeader.biHeight = -h;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(mem, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, dib);
    SendMessageA(hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(mem), PRF_CLIENT);
    GdiFlush();
    std::vector<uint32_t> out(static_cast<const uint32_t*>(bits), static_cast<const uint32_t*>(bits) + size_t(w) * h);
    for (auto& p : out) p &= 0x00FFFFFF;
    SelectObject(mem, old);
    DeleteObject(dib);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return out;
}

// What Render draws for `props` in `state` over the parent's colour.
std::vector<uint32_t> Rendered(const CandyButtonProperties& props, int w, int h, int state, bool hovered) {
    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof bmi.bmiHeader;
    bmi.bmiHeader.biWidth = w;
    bmi.bmiHeader.biHeight = -h;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(mem, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, dib);
    RECT rc{0, 0, w, h};
    FillRect(mem, &rc, g_parentBrush);
    CandyButton::Render(mem, rc, props, state, hovered);
    GdiFlush();
    std::vector<uint32_t> out(static_cast<const uint32_t*>(bits), static_cast<const uint32_t*>(bits) + size_t(w) * h);
    for (auto& p : out) p &= 0x00FFFFFF;
    SelectObject(mem, old);
    DeleteObject(dib);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return out;
}

bool HasPendingPaint(HWND hwnd) { return GetUpdateRect(hwnd, nullptr, FALSE) != FALSE; }

class CandyButtonWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        g_parentBrush = CreateSolidBrush(kParentBack);
        WNDCLASSA wc{};
        wc.lpfnWndProc = ParentProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hbrBackground = g_parentBrush;
        wc.lpszClassName = "CandyButtonTestParent";
        wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        RegisterClassA(&wc);
    }

    static void TearDownTestSuite() {
        if (parent_) DestroyWindow(parent_);
        parent_ = nullptr;
    }

    // One parent for the whole suite (top-level windows are slow to make
    // here); every test starts with it empty.
    void SetUp() override {
        g_parent = {};
        if (!parent_)
            parent_ = CreateWindowExA(0, "CandyButtonTestParent", "buttons", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50,
                                      420, 200, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(parent_, nullptr);
    }

    void TearDown() override {
        while (HWND child = GetWindow(parent_, GW_CHILD)) DestroyWindow(child);
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
    }

    CandyButton* Make(const PropertyBag* bag = nullptr, RECT rc = {20, 20, 140, 52}) {
        CandyButton* b = CandyButton::Create(parent_, kButtonId, rc, bag);
        EXPECT_NE(b, nullptr);
        if (b) UpdateWindow(b->hWnd());
        return b;
    }

    static HWND parent_;
};
HWND CandyButtonWindow::parent_ = nullptr;

}  // namespace

// --- the window class -------------------------------------------------------

TEST_F(CandyButtonWindow, IsAWindowOfItsOwnClass) {
    CandyButton* b = Make();
    ASSERT_NE(b, nullptr);
    char name[64] = {};
    GetClassNameA(b->hWnd(), name, sizeof name);
    EXPECT_STREQ(name, "CandyButton");
    EXPECT_EQ(GetDlgCtrlID(b->hWnd()), kButtonId);
    EXPECT_EQ(CandyButton::FromWindow(b->hWnd()), b);
    EXPECT_EQ(SendMessageA(b->hWnd(), WM_GETDLGCODE, VK_RETURN, 0), DLGC_WANTMESSAGE);
}

// --- clicks ----------------------------------------------------------------

TEST_F(CandyButtonWindow, MouseClickRaisesClickAndTellsTheParent) {
    CandyButton* b = Make();
    ASSERT_NE(b, nullptr);
    Events e;
    Hook(b, e);
    SendMessageA(b->hWnd(), WM_LBUTTONDOWN, MK_LBUTTON, Point(7, 9));
    EXPECT_EQ(b->VisualState(), kStatePressed);
    EXPECT_EQ(e.down, 1);
    EXPECT_EQ(e.lastButton, kLeftButton);
    EXPECT_EQ(e.lastX, 7);
    EXPECT_EQ(e.lastY, 9);
    SendMessageA(b->hWnd(), WM_LBUTTONUP, 0, Point(7, 9));
    EXPECT_EQ(e.up, 1);
    EXPECT_EQ(e.click, 1);
    EXPECT_EQ(g_parent.commands, 1);
    EXPECT_EQ(g_parent.lastId, kButtonId);
    EXPECT_EQ(g_parent.lastCode, BN_CLICKED);
    EXPECT_EQ(g_parent.lastFrom, b->hWnd());
}

TEST_F(CandyButtonWindow, ReleaseOutsideIsNoClick) {
    CandyButton* b = Make();
    ASSERT_NE(b, nullptr);
    Events e;
    Hook(b, e);
    SendMessageA(b->hWnd(), WM_LBUTTONDOWN, MK_LBUTTON, Point(7, 9));
    SendMessageA(b->hWnd(), WM_MOUSEMOVE, MK_LBUTTON, Point(-30, 9));
    EXPECT_EQ(b->VisualState(), kStateNormal);
    SendMessageA(b->hWnd(), WM_LBUTTONUP, 0, Point(-30, 9));
    EXPECT_EQ(e.up, 1);
    EXPECT_EQ(e.click, 0);
    EXPECT_EQ(g_parent.commands, 0);
}

TEST_F(CandyButtonWindow, DoubleClickRaisesDblClickAndOneClick) {
    CandyButton* b = Make();
    ASSERT_NE(b, nullptr);
    Events e;
    Hook(b, e);
    SendMessageA(b->hWnd(), WM_LBUTTONDOWN, MK_LBUTTON, Point(5, 5));
    SendMessageA(b->hWnd(), WM_LBUTTONUP, 0, Point(5, 5));
    SendMessageA(b->hWnd(), WM_LBUTTONDBLCLK, MK_LBUTTON, Point(5, 5));
    EXPECT_EQ(b->VisualState(), kStatePressed);
    SendMessageA(b->hWnd(), WM_LBUTTONUP, 0, Point(5, 5));
    EXPECT_EQ(e.dblClick, 1);
    EXPECT_EQ(e.click, 1);
    EXPECT_EQ(g_parent.commands, 1);
}

TEST_F(CandyButtonWindow, BmClickClicks) {
    CandyButton* b = Make();
    ASSERT_NE(b, nullptr);
    Events e;
    Hook(b, e);
    SendMessageA(b->hWnd(), BM_CLICK, 0, 0);
    EXPECT_EQ(e.click, 1);
    EXPECT_EQ(e.down + e.up, 0);
    EXPECT_EQ(g_parent.commands, 1);
}

TEST_F(CandyButtonWindow, EnterOnAFocusedButtonClicksExactlyOnce) {
    CandyButton* b = Make();
    ASSERT_NE(b, nullptr);
    Events e;
    Hook(b, e);
    SendMessageA(b->hWnd(), WM_SETFOCUS, 0, 0);
    EXPECT_TRUE(b->FocusFlag());
    EXPECT_EQ(b->VisualState(), kStateFocused);
    SendMessageA(b->hWnd(), WM_KEYDOWN, VK_RETURN, 0x001C0001);
    EXPECT_EQ(b->VisualState(), kStatePressed);
    SendMessageA(b->hWnd(), WM_KEYDOWN, VK_RETURN, 0x401C0001);  // auto-repeat
    SendMessageA(b->hWnd(), WM_CHAR, '\r', 0x001C0001);
    SendMessageA(b->hWnd(), WM_KEYUP, VK_RETURN, KeyBits(0xC01C0001u));
    EXPECT_EQ(e.down, 1);
    EXPECT_EQ(e.up, 1);
    EXPECT_EQ(e.lastButton, kLeftButton);
    EXPECT_EQ(e.lastX, 0);
    EXPECT_EQ(e.lastY, 0);
    EXPECT_EQ(e.click, 1);
    EXPECT_EQ(g_parent.commands, 1);
    EXPECT_EQ(b->VisualState(), kStateFocused);
}

// Through the dialog manager: Enter reaches the focused button instead of
// becoming the parent's default command.
TEST_F(CandyButtonWindow, DialogManagerPassesEnterToTheButton) {
    CandyButton* b = Make();
    ASSERT_NE(b, nullptr);
    Events e;
    Hook(b, e);
    SetFocus(b->hWnd());
    if (GetFocus() != b->hWnd()) GTEST_SKIP() << "the test window cannot take the keyboard focus here";
    PostMessageA(b->hWnd(), WM_KEYDOWN, VK_RETURN, 0x001C0001);
    PostMessageA(b->hWnd(), WM_KEYUP, VK_RETURN, KeyBits(0xC01C0001u));
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        if (!IsDialogMessageA(parent_, &m)) {
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
    }
    EXPECT_EQ(e.click, 1);
    EXPECT_EQ(g_parent.commands, 1);
    EXPECT_EQ(g_parent.lastId, kButtonId);
}

TEST_F(CandyButtonWindow, EnterReleasedWithoutItsPressDoesNothing) {
    CandyButton* b = Make();
    ASSERT_NE(b, nullptr);
    Events e;
    Hook(b, e);
    SendMessageA(b->hWnd(), WM_SETFOCUS, 0, 0);
    SendMessageA(b->hWnd(), WM_KEYUP, VK_RETURN, KeyBits(0xC01C0001u));
    EXPECT_EQ(e.Total(), 0);
    EXPECT_EQ(g_parent.commands, 0);
}

TEST_F(CandyButtonWindow, AClickHandlerMayDestroyTheButton) {
    CandyButton* b = Make();
    ASSERT_NE(b, nullptr);
    HWND hwnd = b->hWnd();
    b->OnClick = [hwnd] { DestroyWindow(hwnd); };
    SendMessageA(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, Point(5, 5));
    SendMessageA(hwnd, WM_LBUTTONUP, 0, Point(5, 5));
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(g_parent.commands, 0);  // the window is gone: nothing is sent in its name
}

// --- disabled ---------------------------------------------------------------

TEST_F(CandyButtonWindow, DisabledButtonRaisesNothingAndKeepsItsPixels) {
    PropertyBag bag{{"Enabled", "False"}, {"Caption", "Rip CD"}};
    CandyButton* b = Make(&bag);
    ASSERT_NE(b, nullptr);
    EXPECT_FALSE(b->Enabled());
    EXPECT_FALSE(IsWindowEnabled(b->hWnd()));
    Events e;
    Hook(b, e);
    const auto before = Capture(b->hWnd());
    struct Input {
        UINT msg;
        WPARAM wp;
        LPARAM lp;
    };
    const Input inputs[] = {
        {WM_MOUSEMOVE, 0, Point(10, 10)},      {WM_LBUTTONDOWN, MK_LBUTTON, Point(10, 10)},
        {WM_MOUSEMOVE, MK_LBUTTON, Point(-9, 10)}, {WM_LBUTTONUP, 0, Point(10, 10)},
        {WM_LBUTTONDBLCLK, MK_LBUTTON, Point(10, 10)}, {WM_RBUTTONDOWN, MK_RBUTTON, Point(10, 10)},
        {WM_RBUTTONUP, 0, Point(10, 10)},      {WM_MOUSELEAVE, 0, 0},
        {WM_SETFOCUS, 0, 0},                   {WM_KEYDOWN, VK_RETURN, 0x001C0001},
        {WM_KEYUP, VK_RETURN, KeyBits(0xC01C0001u)},     {WM_KILLFOCUS, 0, 0},
        {BM_CLICK, 0, 0},
    };
    for (const Input& in : inputs) {
        SendMessageA(b->hWnd(), in.msg, in.wp, in.lp);
        EXPECT_FALSE(HasPendingPaint(b->hWnd())) << std::hex << in.msg;
        EXPECT_EQ(Capture(b->hWnd()), before) << std::hex << in.msg;
        EXPECT_EQ(b->VisualState(), kStateNormal);
    }
    EXPECT_EQ(e.Total(), 0);
    EXPECT_EQ(g_parent.commands, 0);
}

TEST_F(CandyButtonWindow, DisablingChangesTheLookAndEnablingRestoresIt) {
    CandyButton* b = Make();
    ASSERT_NE(b, nullptr);
    const auto enabled = Capture(b->hWnd());
    EnableWindow(b->hWnd(), FALSE);  // also from outside the button's own setter
    EXPECT_FALSE(b->Enabled());
    const auto disabled = Capture(b->hWnd());
    EXPECT_NE(disabled, enabled);
    b->SetEnabled(true);
    EXPECT_TRUE(IsWindowEnabled(b->hWnd()));
    EXPECT_EQ(Capture(b->hWnd()), enabled);
    EXPECT_TRUE(b->Changed().Has("Enabled"));
}

// --- looks of the states -----------------------------------------------------

TEST_F(CandyButtonWindow, CheckedDrawsStateFourWhateverTheInput) {
    CandyButton* b = Make();
    ASSERT_NE(b, nullptr);
    RECT rc{};
    GetClientRect(b->hWnd(), &rc);
    const auto normal = Capture(b->hWnd());
    b->SetChecked(true);
    EXPECT_TRUE(b->Checked());
    EXPECT_TRUE(b->Changed().Has("Checked"));
    EXPECT_FALSE(HasPendingPaint(b->hWnd()));  // redrawn at once
    EXPECT_EQ(b->VisualState(), kStateChecked);
    const auto checked = Capture(b->hWnd());
    EXPECT_NE(checked, normal);
    EXPECT_EQ(checked, Rendered(b->Properties(), rc.right, rc.bottom, kStateChecked, false));

    SendMessageA(b->hWnd(), WM_SETFOCUS, 0, 0);
    SendMessageA(b->hWnd(), WM_LBUTTONDOWN, MK_LBUTTON, Point(5, 5));
    SendMessageA(b->hWnd(), WM_LBUTTONUP, 0, Point(5, 5));
    SendMessageA(b->hWnd(), WM_KILLFOCUS, 0, 0);
    EXPECT_EQ(b->VisualState(), kStateChecked);
    EXPECT_EQ(Capture(b->hWnd()), checked);

    b->SetChecked(false);
    EXPECT_EQ(b->VisualState(), kStateNormal);
    EXPECT_EQ(Capture(b->hWnd()), normal);
}

TEST_F(CandyButtonWindow, HoverAndLeave) {
    PropertyBag bag{{"Caption", "Convert Selected"}, {"CaptionHighLite", "True"}, {"CaptionHighLiteColor", "&HFF00FF"},
                    {"Font", "Tahoma,11,Bold"}};
    CandyButton* b = Make(&bag);
    ASSERT_NE(b, nullptr);
    RECT rc{};
    GetClientRect(b->hWnd(), &rc);
    const auto normal = Capture(b->hWnd());
    SendMessageA(b->hWnd(), WM_MOUSEMOVE, 0, Point(30, 10));
    EXPECT_TRUE(b->Hovered());
    EXPECT_EQ(b->VisualState(), kStateHovered);
    const auto hovered = Capture(b->hWnd());
    EXPECT_NE(hovered, normal);
    EXPECT_EQ(hovered, Rendered(b->Properties(), rc.right, rc.bottom, kStateHovered, true));
    // the caption is drawn in its highlight colour while hovered
    const uint32_t magenta = 0xFF00FF;
    size_t highlighted = 0;
    for (uint32_t p : hovered) highlighted += p == magenta;
    EXPECT_GT(highlighted, 10u);
    for (uint32_t p : normal) EXPECT_NE(p, magenta);

    SendMessageA(b->hWnd(), WM_MOUSELEAVE, 0, 0);
    EXPECT_FALSE(b->Hovered());
    EXPECT_EQ(b->VisualState(), kStateNormal);
    EXPECT_EQ(Capture(b->hWnd()), normal);
}

TEST_F(CandyButtonWindow, FocusShowsTheFocusedLook) {
    CandyButton* b = Make();
    ASSERT_NE(b, nullptr);
    const auto normal = Capture(b->hWnd());
    SendMessageA(b->hWnd(), WM_SETFOCUS, 0, 0);
    EXPECT_NE(Capture(b->hWnd()), normal);
    SendMessageA(b->hWnd(), WM_KILLFOCUS, 0, 0);
    EXPECT_FALSE(b->FocusFlag());
    EXPECT_EQ(Capture(b->hWnd()), normal);
}

TEST_F(CandyButtonWindow, BorderBrightnessRedrawsInTheNormalState) {
    CandyButton* b = Make();
    ASSERT_NE(b, nullptr);
    SendMessageA(b->hWnd(), WM_MOUSEMOVE, 0, Point(30, 10));
    ASSERT_EQ(b->VisualState(), kStateHovered);
    b->SetBorderBrightness(150);
    EXPECT_EQ(b->BorderBrightness(), 100);
    EXPECT_TRUE(b->Changed().Has("BorderBrightness"));
    EXPECT_EQ(b->VisualState(), kStateNormal);
    EXPECT_FALSE(HasPendingPaint(b->hWnd()));
    const auto px = Capture(b->hWnd());
    RECT rc{};
    GetClientRect(b->hWnd(), &rc);
    EXPECT_EQ(px[size_t(rc.bottom / 2) * rc.right], 0xFFFFFFu);  // a white border at full brightness
    b->SetBorderBrightness(-150);
    EXPECT_EQ(b->BorderBrightness(), -100);
}

TEST_F(CandyButtonWindow, PictureIsCopiedAndDrawn) {
    CandyButton* b = Make();
    ASSERT_NE(b, nullptr);
    const auto bare = Capture(b->hWnd());
    HICON icon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
    ASSERT_NE(icon, nullptr);
    ASSERT_TRUE(b->SetPicture(icon, IMAGE_ICON));
    EXPECT_NE(b->Picture(), nullptr);
    EXPECT_NE(b->Picture(), static_cast<HANDLE>(icon));
    EXPECT_TRUE(b->Changed().Has("Picture"));
    const auto withIcon = Capture(b->hWnd());
    EXPECT_NE(withIcon, bare);

    // IconHighLite puts a halo behind the picture while hovered
    SendMessageA(b->hWnd(), WM_MOUSEMOVE, 0, Point(30, 10));
    const auto hoverPlain = Capture(b->hWnd());
    b->SetIconHighLite(true);
    EXPECT_NE(Capture(b->hWnd()), hoverPlain);

    EXPECT_TRUE(b->SetPicture(nullptr, IMAGE_ICON));
    EXPECT_EQ(b->Picture(), nullptr);
    EXPECT_FALSE(b->SetPicture(icon, 77));
}

// --- properties and the property bag ----------------------------------------

TEST_F(CandyButtonWindow, DefaultsWithoutABag) {
    CandyButton* b = Make();
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->Caption(), "CandyButton" + std::to_string(kButtonId));
    char text[64] = {};
    GetWindowTextA(b->hWnd(), text, sizeof text);
    EXPECT_EQ(b->Caption(), text);
    EXPECT_TRUE(b->Enabled());
    EXPECT_EQ(b->ColorButtonHover(), 0xFFC090u);
    EXPECT_EQ(b->ColorButtonUp(), 0xE99950u);
    EXPECT_EQ(b->ColorButtonDown(), 0xE99950u);
    EXPECT_EQ(b->ColorBright(), 0xFFEDB0u);
    EXPECT_EQ(b->CaptionHighLiteColor(), 0x00FF00u);
    EXPECT_EQ(b->IconHighLiteColor(), 0x00FF00u);
    EXPECT_FALSE(b->CaptionHighLite());
    EXPECT_FALSE(b->IconHighLite());
    EXPECT_EQ(b->ForeColor(), 0u);
    EXPECT_EQ(b->Picture(), nullptr);
    EXPECT_EQ(b->Style(), 0);
    EXPECT_FALSE(b->Checked());
    EXPECT_EQ(b->BorderBrightness(), 0);
    EXPECT_FALSE(b->DisplayHand());
    EXPECT_EQ(b->ColorScheme(), 0);
    EXPECT_TRUE(b->Changed().Keys().empty());
}

TEST_F(CandyButtonWindow, CaptionFallsBackToTheControlName) {
    PropertyBag named{{"Name", "CandyButton3"}};
    CandyButton* a = Make(&named);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->Caption(), "CandyButton3");
    PropertyBag captioned{{"Name", "CandyButton3"}, {"Caption", "Add Files"}};
    CandyButton* b = Make(&captioned, {20, 60, 140, 90});
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->Caption(), "Add Files");
}

TEST_F(CandyButtonWindow, BagValuesAreReadByTheirKeys) {
    PropertyBag bag{{"Caption", "Cancel"},           {"Enabled", "True"},
                    {"Font", "Verdana,10,Bold"},     {"CaptionHighLite", "True"},
                    {"CaptionHighLiteColor", "&H0000FF"}, {"IconHighLite", "True"},
                    {"IconHighLiteColor", "&HFFFF00"}, {"ForeColor", "&H00FFFFFF"},
                    {"PictureAlignment", "2"},       {"Style", "6"},
                    {"Checked", "True"},             {"ColorButtonHover", "&H111111"},
                    {"ColorButtonUp", "&H222222"},   {"ColorButtonDown", "&H333333"},
                    {"ColorBright", "&H444444"},     {"BorderBrightness", "150"},
                    {"DisplayHand", "True"},         {"ColorScheme", "7"}};
    CandyButton* b = Make(&bag);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->Caption(), "Cancel");
    EXPECT_EQ(b->Font().face, "Verdana");
    EXPECT_EQ(b->Font().points, 10.0);
    EXPECT_TRUE(b->Font().bold);
    EXPECT_TRUE(b->CaptionHighLite());
    EXPECT_EQ(b->CaptionHighLiteColor(), 0x0000FFu);
    EXPECT_TRUE(b->IconHighLite());
    EXPECT_EQ(b->IconHighLiteColor(), 0xFFFF00u);
    EXPECT_EQ(b->ForeColor(), 0xFFFFFFu);
    EXPECT_EQ(b->PictureAlignment(), 2);
    EXPECT_EQ(b->Style(), 6);
    EXPECT_TRUE(b->Checked());
    EXPECT_EQ(b->VisualState(), kStateChecked);
    EXPECT_EQ(b->ColorButtonHover(), 0x111111u);
    EXPECT_EQ(b->ColorButtonUp(), 0x222222u);
    EXPECT_EQ(b->ColorButtonDown(), 0x333333u);
    EXPECT_EQ(b->ColorBright(), 0x444444u);
    EXPECT_EQ(b->BorderBrightness(), 100);
    EXPECT_TRUE(b->DisplayHand());
    EXPECT_EQ(b->ColorScheme(), 7);
    EXPECT_TRUE(b->Changed().Keys().empty());  // reading is no change
}

TEST_F(CandyButtonWindow, ASchemeInTheBagSuppliesMissingColours) {
    PropertyBag bag{{"ColorScheme", "3"}, {"ColorBright", "&H00ABCDEF"}};
    CandyButton* b = Make(&bag);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->ColorButtonUp(), 0x800000u);
    EXPECT_EQ(b->ColorButtonHover(), 0xA00000u);
    EXPECT_EQ(b->ColorButtonDown(), 0xF00000u);
    EXPECT_EQ(b->ColorBright(), 0xABCDEFu);
}

TEST_F(CandyButtonWindow, WrittenPropertiesRecreateTheButton) {
    PropertyBag bag{{"Caption", "Rip CD"}, {"Style", "1"}, {"ColorScheme", "5"}, {"BorderBrightness", "-40"},
                    {"Font", "Arial,9,Italic"}, {"Checked", "True"}, {"PictureAlignment", "3"}};
    CandyButton* a = Make(&bag);
    ASSERT_NE(a, nullptr);
    a->SetForeColor(0x123456);
    PropertyBag written;
    a->WriteProperties(written);
    for (const char* key : {"Enabled", "Font", "Caption", "CaptionHighLite", "CaptionHighLiteColor", "IconHighLite",
                            "IconHighLiteColor", "ForeColor", "PictureAlignment", "Style", "Checked",
                            "ColorButtonHover", "ColorButtonUp", "ColorButtonDown", "ColorBright", "BorderBrightness",
                            "DisplayHand", "ColorScheme"})
        EXPECT_TRUE(written.Has(key)) << key;
    EXPECT_FALSE(written.Has("Picture"));
    CandyButton* b = Make(&written, {20, 60, 140, 90});
    ASSERT_NE(b, nullptr);
    const auto& p = a->Properties();
    const auto& q = b->Properties();
    EXPECT_EQ(q.caption, p.caption);
    EXPECT_EQ(q.font, p.font);
    EXPECT_EQ(q.style, p.style);
    EXPECT_EQ(q.colors, p.colors);
    EXPECT_EQ(q.colorScheme, p.colorScheme);
    EXPECT_EQ(q.borderBrightness, -40);
    EXPECT_EQ(q.checked, true);
    EXPECT_EQ(q.pictureAlignment, 3);
    EXPECT_EQ(q.foreColor, 0x123456u);
}

TEST_F(CandyButtonWindow, ColorSchemeSetsTheFourColoursOrOnlyItsNumber) {
    CandyButton* b = Make();
    ASSERT_NE(b, nullptr);
    b->SetColorScheme(3);
    EXPECT_EQ(b->ColorButtonUp(), 0x800000u);
    EXPECT_EQ(b->ColorBright(), 0xFF0000u);
    EXPECT_TRUE(b->Changed().Has("ColorScheme"));
    EXPECT_TRUE(b->Changed().Has("ColorButtonUp"));
    const auto before = b->Properties().colors;
    b->SetColorScheme(7);
    EXPECT_EQ(b->ColorScheme(), 7);
    EXPECT_EQ(b->Properties().colors, before);
}

TEST_F(CandyButtonWindow, SettersMarkTheirKeys) {
    CandyButton* b = Make();
    ASSERT_NE(b, nullptr);
    b->SetCaption("Cancel");
    char text[32] = {};
    GetWindowTextA(b->hWnd(), text, sizeof text);
    EXPECT_STREQ(text, "Cancel");
    b->SetStyle(6);
    b->SetDisplayHand(true);
    b->SetColorButtonHover(1);
    for (const char* key : {"Caption", "Style", "DisplayHand", "ColorButtonHover"})
        EXPECT_TRUE(b->Changed().Has(key)) << key;
    EXPECT_FALSE(b->Changed().Has("ColorBright"));
    SetWindowTextA(b->hWnd(), "Add Files");
    EXPECT_EQ(b->Caption(), "Add Files");
}

// ControlGallery: the program's owner-drawn controls on one sheet: every
// look of CandyButton in every state, and every look of XP_ProgressBar at
// several percentages (upright too, for the looks that can stand).
//
//   ControlGallery.exe              shows the sheet in a window, with a row of
//                                   live buttons under it, until closed
//   ControlGallery.exe --save F.bmp draws the sheet into F.bmp and exits
//
// Button rows are looks and colour sets; columns the states normal, pressed,
// focused, hovered, checked and a disabled button. Bar rows are the looks
// 0 to 9; columns 0, 25, 50, 75 and 100 %, and 150 set (drawn full).
#include <windows.h>

#include <cstdio>
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "BitmapFile.h"
#include "CandyButton.h"
#include "XP_ProgressBar.h"

using namespace controls;

namespace {

struct Row {
    const char* label;
    CandyButtonProperties props;
    int height;
};

HICON g_icon = nullptr;

std::vector<Row> Rows() {
    std::vector<Row> rows;
    auto make = [](const char* caption, int style, int scheme, uint32_t fore = 0) {
        CandyButtonProperties p;
        p.caption = caption;
        p.style = style;
        p.colorScheme = scheme;
        if (auto c = ColorSchemeColors(scheme)) p.colors = *c;
        p.foreColor = fore;
        p.captionHighLite = false;
        return p;
    };
    rows.push_back({"Style 0", make("Rip CD", 0, 0), 32});
    rows.push_back({"Style 1", make("Add Files", 1, 0), 32});
    rows.push_back({"Style 6", make("Convert Selected", 6, 0), 32});
    rows.push_back({"Style 3", make("Cancel", 3, 0), 32});
    {
        auto p = make("Rip CD", 0, 3, 0xFFFFFF);
        p.picture = g_icon;
        rows.push_back({"0 scheme 3", p, 34});
    }
    {
        auto p = make("Add Files", 6, 5, 0xFFFFFF);
        p.picture = g_icon;
        p.iconHighLite = true;
        p.iconHighLiteColor = 0x00FFFF;
        rows.push_back({"6 scheme 5", p, 34});
    }
    {
        auto p = make("Browse...", 1, 4, 0xFFFFFF);
        p.picture = g_icon;
        p.pictureAlignment = kPictureRight;
        rows.push_back({"1 scheme 4", p, 34});
    }
    {
        auto p = make("Open", 2, 6);
        p.picture = g_icon;
        p.pictureAlignment = kPictureTop;
        p.captionHighLite = true;
        p.captionHighLiteColor = 0x0000C0;
        rows.push_back({"2 scheme 6", p, 58});
    }
    {
        auto p = make("Settings", 0, 1, 0xFFFFFF);
        p.borderBrightness = -80;
        p.font.bold = true;
        rows.push_back({"0 scheme 1 -80", p, 32});
    }
    {
        auto p = make("Help", 3, 2);
        p.borderBrightness = 60;
        p.captionHighLite = true;
        p.captionHighLiteColor = 0xFFFFFF;
        rows.push_back({"3 scheme 2 +60", p, 32});
    }
    return rows;
}

constexpr int kLabelW = 110, kCellW = 150, kButtonW = 132, kTop = 28, kGap = 12;
const char* const kColumns[] = {"normal", "pressed", "focused", "hovered", "checked", "disabled"};

constexpr int kBarRows = 10, kBarH = 22, kBarGap = 10, kBarTitle = 34, kUprightH = 120;
const int kPercents[6] = {0, 25, 50, 75, 100, 150};

int ButtonsHeight(const std::vector<Row>& rows) {
    int h = kTop;
    for (const Row& r : rows) h += r.height + kGap;
    return h;
}

SIZE SheetSize(const std::vector<Row>& rows) {
    const int h = ButtonsHeight(rows) + kBarTitle + kBarRows * (kBarH + kBarGap) + kBarTitle + kUprightH + 16;
    return {kLabelW + kCellW * 6 + 8, h};
}

// The progress bar section: looks 0..9 across the percentages, then the
// upright looks 0..2 at each percentage.
void DrawBars(HDC dc, int top) {
    HGDIOBJ font = GetStockObject(DEFAULT_GUI_FONT);
    SelectObject(dc, font);
    SetTextColor(dc, RGB(60, 60, 60));
    for (int c = 0; c < 6; ++c) {
        char head[32];
        std::snprintf(head, sizeof head, c == 5 ? "%d %% (set)" : "%d %%", kPercents[c]);
        RECT t{kLabelW + c * kCellW, top + 12, kLabelW + c * kCellW + kButtonW, top + kBarTitle};
        DrawTextA(dc, head, -1, &t, DT_CENTER | DT_SINGLELINE);
    }
    int y = top + kBarTitle;
    // A small pattern for look 8.
    HDC screen = GetDC(nullptr);
    win::unique_bitmap pattern(CreateCompatibleBitmap(screen, 8, 8));
    ReleaseDC(nullptr, screen);
    {
        win::unique_memory_dc pm(dc);
        win::selected_object sel(pm.get(), pattern.get());
        for (int py = 0; py < 8; ++py)
            for (int px = 0; px < 8; ++px)
                SetPixel(pm.get(), px, py, ((px / 4 + py / 4) % 2) ? RGB(90, 160, 230) : RGB(200, 225, 250));
    }
    for (int look = 0; look < kBarRows; ++look) {
        char label[32];
        std::snprintf(label, sizeof label, "Scrolling %d", look);
        RECT l{6, y, kLabelW - 4, y + kBarH};
        SelectObject(dc, font);
        SetTextColor(dc, RGB(60, 60, 60));
        DrawTextA(dc, label, -1, &l, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
        for (int c = 0; c < 6; ++c) {
            XP_ProgressBar::Settings s;
            s.percent = std::min(kPercents[c], 100);
            s.scrolling = look;
            s.showText = true;
            s.image = look == 8 ? pattern.get() : nullptr;
            RECT r{kLabelW + c * kCellW, y, kLabelW + c * kCellW + kButtonW, y + kBarH};
            XP_ProgressBar::Render(dc, r, s);
        }
        y += kBarH + kBarGap;
    }
    SelectObject(dc, font);
    SetTextColor(dc, RGB(60, 60, 60));
    RECT head{6, y + 8, kLabelW + kCellW * 6, y + kBarTitle};
    DrawTextA(dc, "Upright (Orientation 1), looks 0, 1 and 2 at 0, 25, 50, 75 and 100 %", -1, &head,
              DT_LEFT | DT_SINGLELINE);
    y += kBarTitle;
    int x = kLabelW;
    for (int look = 0; look < 3; ++look) {
        for (int c = 0; c < 5; ++c) {
            XP_ProgressBar::Settings s;
            s.percent = kPercents[c];
            s.scrolling = look;
            s.orientation = 1;
            RECT r{x, y, x + 22, y + kUprightH};
            XP_ProgressBar::Render(dc, r, s);
            x += 32;
        }
        x += 40;
    }
}

void DrawSheet(HDC dc, const std::vector<Row>& rows) {
    const SIZE size = SheetSize(rows);
    RECT all{0, 0, size.cx, size.cy};
    win::unique_brush back(CreateSolidBrush(RGB(240, 240, 240)));
    FillRect(dc, &all, back.get());
    SetBkMode(dc, TRANSPARENT);
    HGDIOBJ font = GetStockObject(DEFAULT_GUI_FONT);
    HGDIOBJ oldFont = SelectObject(dc, font);
    SetTextColor(dc, RGB(60, 60, 60));
    for (int c = 0; c < 6; ++c) {
        RECT t{kLabelW + c * kCellW, 6, kLabelW + c * kCellW + kButtonW, kTop};
        DrawTextA(dc, kColumns[c], -1, &t, DT_CENTER | DT_SINGLELINE);
    }
    int y = kTop;
    for (const Row& row : rows) {
        RECT l{6, y, kLabelW - 4, y + row.height};
        SelectObject(dc, font);
        DrawTextA(dc, row.label, -1, &l, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
        for (int c = 0; c < 6; ++c) {
            RECT r{kLabelW + c * kCellW, y, kLabelW + c * kCellW + kButtonW, y + row.height};
            CandyButtonProperties p = row.props;
            int state = c;
            if (c == 5) {
                p.enabled = false;
                state = kStateNormal;
            }
            CandyButton::Render(dc, r, p, state);
        }
        y += row.height + kGap;
    }
    DrawBars(dc, y);
    SelectObject(dc, oldFont);
}

bool SaveBitmap(const char* path, const std::vector<Row>& rows) {
    const SIZE size = SheetSize(rows);
    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof bmi.bmiHeader;
    bmi.bmiHeader.biWidth = size.cx;
    bmi.bmiHeader.biHeight = -size.cy;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    HDC screen = GetDC(nullptr);
    win::unique_memory_dc mem(screen);
    ReleaseDC(nullptr, screen);
    void* bits = nullptr;
    win::unique_bitmap dib(CreateDIBSection(mem.get(), &bmi, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!dib || !bits) return false;
    {
        win::selected_object sel(mem.get(), dib.get());
        DrawSheet(mem.get(), rows);
        GdiFlush();
    }
    return SaveTopDownBitmap(path, bits, size.cx, size.cy);
}

std::vector<Row> g_rows;

LRESULT CALLBACK SheetProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_PAINT: {
        win::paint_dc dc(hwnd);
        DrawSheet(dc.get(), g_rows);
        return 0;
    }
    case WM_CTLCOLORBTN: {
        static HBRUSH brush = CreateSolidBrush(RGB(240, 240, 240));
        return reinterpret_cast<LRESULT>(brush);
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

}  // namespace

int main(int argc, char** argv) {
    g_icon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_INFORMATION));
    // The sheet's icons are drawn at 16 x 16, as command buttons carry them.
    g_icon = static_cast<HICON>(CopyImage(g_icon, IMAGE_ICON, 16, 16, 0));
    g_rows = Rows();
    if (argc >= 3 && std::strcmp(argv[1], "--save") == 0) return SaveBitmap(argv[2], g_rows) ? 0 : 1;

    WNDCLASSA wc{};
    wc.lpfnWndProc = SheetProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.lpszClassName = "ControlGallerySheet";
    wc.hbrBackground = CreateSolidBrush(RGB(240, 240, 240));
    RegisterClassA(&wc);
    const SIZE size = SheetSize(g_rows);
    RECT frame{0, 0, size.cx, size.cy + 60};
    AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
    HWND sheet = CreateWindowExA(0, "ControlGallerySheet", "Control gallery", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10,
                                 10, frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                                 wc.hInstance, nullptr);
    // Live buttons under the sheet: hover, press and tab through them.
    const char* captions[] = {"Rip CD", "Add Files", "Convert Selected", "Cancel", "Checked"};
    const int styles[] = {0, 1, 6, 3, 0};
    for (int i = 0; i < 5; ++i) {
        PropertyBag bag{{"Caption", captions[i]}, {"Style", std::to_string(styles[i])}, {"CaptionHighLite", "True"},
                        {"CaptionHighLiteColor", "&H000080"}};
        if (i == 4) bag.Write("Checked", "True");
        RECT r{kLabelW + i * kCellW, size.cy + 14, kLabelW + i * kCellW + kButtonW, size.cy + 46};
        CandyButton::Create(sheet, 100 + i, r, &bag);
    }
    MSG m;
    while (GetMessageA(&m, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageA(sheet, &m)) {
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
    }
    return 0;
}

#include "frmProgress.h"

#include "ProgressFigures.h"
#include "GdiObjects.h"
#include "PropertyBag.h"
#include "XP_ProgressBar.h"
#include "WindowHelpers.h"

namespace {

constexpr const char* ClassName = "CadrelfrmProgress";
constexpr const char* FillClassName = "CadrelProgressFill";
constexpr const char* FrameClassName = "CadrelProgressFrame";
constexpr int ClientWidth = 380;
constexpr int ClientHeight = 146;

// picProgress1: a sunken frame whose inside is the 100 % width.
LRESULT CALLBACK FrameProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_ERASEBKGND) {
        RECT rc;
        ::GetClientRect(hwnd, &rc);
        ::FillRect(reinterpret_cast<HDC>(wp), &rc, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
        return 1;
    }
    return ::DefWindowProcA(hwnd, msg, wp, lp);
}

// picProgress2: the filled part, a vertical sheen over the highlight colour.
LRESULT CALLBACK FillProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_ERASEBKGND) return 1;
    if (msg == WM_PAINT) {
        const win::paint_dc paint(hwnd);
        HDC dc = paint.get();
        RECT rc;
        ::GetClientRect(hwnd, &rc);
        const COLORREF base = ::GetSysColor(COLOR_HIGHLIGHT);
        const int h = rc.bottom > 0 ? rc.bottom : 1;
        for (int y = 0; y < h; ++y) {
            // Lighter towards the top third, full colour at the bottom.
            const int t = y < h / 3 ? 110 - y * 110 / (h / 3 ? h / 3 : 1) : (y - h / 3) * 30 / h;
            auto mix = [&](int c) { return y < h / 3 ? c + (255 - c) * t / 255 : c - c * t / 255; };
            const COLORREF c = RGB(mix(GetRValue(base)), mix(GetGValue(base)), mix(GetBValue(base)));
            RECT line{0, y, rc.right, y + 1};
            const win::unique_brush b(::CreateSolidBrush(c));
            ::FillRect(dc, &line, b.get());
        }
        return 0;
    }
    return ::DefWindowProcA(hwnd, msg, wp, lp);
}

}  // namespace

frmProgress::~frmProgress() {
    if (hWnd()) ::DestroyWindow(hWnd());
}

void frmProgress::Show(HWND owner) {
    controls::RegisterPlainWindowClass(FrameClassName, FrameProc);
    controls::RegisterPlainWindowClass(FillClassName, FillProc);
    if (!CreateFrame(owner, {ClassName, "Velmora Cadrel", ClientWidth, ClientHeight, ::GetSysColorBrush(COLOR_BTNFACE)}))
        return;
    ShowFrame();
}

void frmProgress::CreateControls() {
    const RECT none{0, 0, 10, 10};
    AddLabel("Extracting track", IdLblStatus, none, SS_LEFT | SS_ENDELLIPSIS | SS_NOPREFIX);
    HWND frame = ::CreateWindowExA(WS_EX_STATICEDGE, FrameClassName, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0,
                                   0, 10, 10, hWnd(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(IdPicProgress1)),
                                   ::GetModuleHandleA(nullptr), nullptr);
    if (frame) AddChild(FillClassName, "", 0, IdPicProgress2, none, frame);

    controls::PropertyBag barBag{{"Max", "100"}, {"Min", "0"}, {"Value", "0"}, {"Scrolling", "0"}};
    p1_ = controls::XP_ProgressBar::Create(hWnd(), IdP1, none, &barBag);
    AddLabel("0 % complete", IdLabel1, none);
    cancel_ = AddButton(IdCandyButton1, "Cancel", none);
    Layout();
}

void frmProgress::Layout() {
    auto place = [&](int id, int x, int y, int w, int h) {
        if (HWND c = Control(id)) ::MoveWindow(c, x, y, w, h, FALSE);
    };
    place(IdLblStatus, 14, 12, ClientWidth - 28, 18);
    place(IdPicProgress1, 14, 36, ClientWidth - 28, 16);
    if (HWND frame = Control(IdPicProgress1)) {
        RECT inner;
        ::GetClientRect(frame, &inner);
        if (HWND fill = ::GetDlgItem(frame, IdPicProgress2)) ::MoveWindow(fill, 0, 0, 0, inner.bottom, FALSE);
    }
    if (p1_) ::MoveWindow(p1_->hWnd(), 14, 60, ClientWidth - 28, 20, FALSE);
    place(IdLabel1, 14, 104, 200, 18);
    if (cancel_) ::MoveWindow(cancel_->hWnd(), ClientWidth - 14 - 92, 96, 92, 30, FALSE);
}

int frmProgress::PicProgress1InnerWidth() const {
    RECT inner{};
    if (HWND frame = Control(IdPicProgress1)) ::GetClientRect(frame, &inner);
    return inner.right;
}

int frmProgress::PicProgress2Width() const {
    HWND frame = Control(IdPicProgress1);
    HWND fill = frame ? ::GetDlgItem(frame, IdPicProgress2) : nullptr;
    RECT rc{};
    if (fill) ::GetWindowRect(fill, &rc);
    return rc.right - rc.left;
}

void frmProgress::ChangeProgress(const std::string& text, float done, float total) {
    if (!hWnd()) return;
    ::SetWindowTextA(hWnd(), "Extracting....");
    if (HWND frame = Control(IdPicProgress1)) {
        RECT inner;
        ::GetClientRect(frame, &inner);
        if (HWND fill = ::GetDlgItem(frame, IdPicProgress2)) {
            ::MoveWindow(fill, 0, 0, ProgressFigures::FilledWidth(done, total, inner.right), inner.bottom, TRUE);
        }
    }
    ::SetDlgItemTextA(hWnd(), IdLblStatus, ProgressFigures::StatusText(text).c_str());
    const int32_t percent = ProgressFigures::PercentShown(done, total);
    if (p1_) p1_->SetValue(percent);
    const int32_t shown = p1_ ? p1_->Value() : percent;
    ::SetDlgItemTextA(hWnd(), IdLabel1, ProgressFigures::CompleteText(shown).c_str());
}

void frmProgress::Close() {
    if (hWnd()) ::DestroyWindow(hWnd());
}

void frmProgress::Cancel() { state_.Cancel(); }

LRESULT frmProgress::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    // Refused: only the track routine closes this window.
    if (IsCloseRequest(msg, wp)) return 0;
    switch (msg) {
    case WM_CREATE:
        CreateControls();
        return 0;
    case WM_COMMAND:
        if (LOWORD(wp) == IdCandyButton1 && (HIWORD(wp) == BN_CLICKED)) {
            Cancel();
            return 0;
        }
        break;
    case WM_CTLCOLORSTATIC:
        ::SetBkMode(reinterpret_cast<HDC>(wp), TRANSPARENT);
        return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
    default:
        break;
    }
    return Default(msg, wp, lp);
}

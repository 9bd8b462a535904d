#include "frmconverprogress.h"

#include "CandyButton.h"
#include "PropertyBag.h"
#include "XP_ProgressBar.h"
#include "modCloseBtn.h"
#include "WindowHelpers.h"

namespace {

constexpr const char* ClassName = "Cadrelfrmconverprogress";
constexpr int ClientWidth = 380;
constexpr int ClientHeight = 132;

// The fixed background: white with a blue band under the title line.
void PaintBackground(HDC dc, const RECT& rc) {
    ::FillRect(dc, &rc, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    HBRUSH band = ::CreateSolidBrush(RGB(0, 84, 166));
    RECT line{0, rc.bottom - 4, rc.right, rc.bottom};
    ::FillRect(dc, &line, band);
    ::DeleteObject(band);
}

}  // namespace

frmconverprogress::~frmconverprogress() {
    if (hWnd()) ::DestroyWindow(hWnd());
    if (font_) ::DeleteObject(font_);
}

void frmconverprogress::Show(HWND owner) {
    if (!hWnd()) {
        RegisterWindowClass(ClassName, 0, nullptr, nullptr);
        const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
        const RECT at = controls::CenteredFrame(owner, ClientWidth, ClientHeight, style, WS_EX_DLGMODALFRAME);
        if (!::CreateWindowExA(WS_EX_DLGMODALFRAME, ClassName, "Converting....", style, at.left, at.top, at.right,
                               at.bottom, owner, nullptr, ::GetModuleHandleA(nullptr),
                               static_cast<controls::WindowObject<frmconverprogress>*>(this)))
            return;
        // Loading: the close box is disabled; the bar's timer runs while
        // the window exists.
        modCloseBtn::EnableCloseButton(hWnd(), false);
        ::SetTimer(hWnd(), Timer1, Timer1Interval, nullptr);
    }
    ::ShowWindow(hWnd(), SW_SHOWNORMAL);
    ::UpdateWindow(hWnd());
}

void frmconverprogress::Hide() {
    if (hWnd()) ::ShowWindow(hWnd(), SW_HIDE);
}

void frmconverprogress::CreateControls() {
    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = sizeof metrics;
    if (::SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
        font_ = ::CreateFontIndirectA(&metrics.lfMessageFont);
    HFONT font = font_ ? font_ : static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
    HINSTANCE instance = ::GetModuleHandleA(nullptr);
    auto label = [&](const char* text, int id, int x, int y, int w, int h) {
        HWND l = ::CreateWindowExA(0, "STATIC", text, WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS,
                                   x, y, w, h, hWnd(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance,
                                   nullptr);
        if (l) ::SendMessageA(l, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    };
    label("Converting ", IdLabel1, 14, 12, ClientWidth - 28, 18);
    controls::PropertyBag barBag{{"Max", "100"}, {"Min", "0"}, {"Value", "0"}, {"Scrolling", "0"},
                                 {"ShowText", "False"}};
    p1_ = controls::XP_ProgressBar::Create(hWnd(), IdP1, RECT{14, 38, ClientWidth - 14, 58}, &barBag);
    label("0 % complete", IdLblStatus, 14, 76, 200, 18);
    controls::PropertyBag buttonBag{{"Caption", "Cancel"}, {"Style", "0"}, {"Font", "Tahoma,8,Bold"}};
    button_ = controls::CandyButton::Create(hWnd(), IdCandyButton1,
                                            RECT{ClientWidth - 14 - 92, 88, ClientWidth - 14, 118}, &buttonBag);
}

void frmconverprogress::SetLabel1(const std::string& text) {
    if (HWND l = Control(IdLabel1)) ::SetWindowTextA(l, text.c_str());
}

std::string frmconverprogress::Label1() const { return controls::WindowText(Control(IdLabel1)); }

void frmconverprogress::SetStatus(const std::string& text) {
    if (HWND l = Control(IdLblStatus)) ::SetWindowTextA(l, text.c_str());
}

std::string frmconverprogress::Status() const { return controls::WindowText(Control(IdLblStatus)); }

void frmconverprogress::SetButtonCaption(const std::string& caption) {
    if (button_ && hWnd()) button_->SetCaption(caption);
}

std::string frmconverprogress::ButtonCaption() const { return button_ && hWnd() ? button_->Caption() : std::string(); }

void frmconverprogress::FileStarted(const std::string& outputName) { SetLabel1("Processing " + outputName); }

void frmconverprogress::Converting() {
    if (p1_) {
        p1_->SetMin(0);
        p1_->SetMax(100);
    }
    SetStatus("Converting");
}

void frmconverprogress::FileEnded() {
    SetLabel1(CompleteText);
    SetButtonCaption("Close");
}

void frmconverprogress::NotStarted(const std::string& reason) { SetStatus(reason); }

void frmconverprogress::CandyButton1_Click() {
    if (OnCancel) OnCancel();
    Hide();
}

void frmconverprogress::Timer1_Timer() {
    if (!p1_) return;
    if (Label1() != CompleteText) {
        int32_t value = p1_->Value() + 5;
        if (value >= 100) value = 0;
        p1_->SetValue(value);
    } else {
        p1_->SetValue(100);
    }
}

LRESULT frmconverprogress::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_CREATE:
        CreateControls();
        return 0;
    case WM_COMMAND:
        if (LOWORD(wp) == IdCandyButton1 && HIWORD(wp) == BN_CLICKED) {
            CandyButton1_Click();
            return 0;
        }
        break;
    case WM_TIMER:
        if (wp == Timer1) Timer1_Timer();
        return 0;
    case WM_CLOSE:
        return 0;  // refused: the button is the way out
    case WM_SYSCOMMAND:
        if ((wp & 0xFFF0) == SC_CLOSE) return 0;
        break;
    case WM_ERASEBKGND: {
        RECT rc;
        ::GetClientRect(hWnd(), &rc);
        PaintBackground(reinterpret_cast<HDC>(wp), rc);
        return 1;
    }
    case WM_CTLCOLORSTATIC:
        ::SetBkMode(reinterpret_cast<HDC>(wp), TRANSPARENT);
        return reinterpret_cast<LRESULT>(::GetStockObject(WHITE_BRUSH));
    case WM_DESTROY:
        ::KillTimer(hWnd(), Timer1);
        break;
    default:
        break;
    }
    return Default(msg, wp, lp);
}

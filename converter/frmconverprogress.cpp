#include "frmconverprogress.h"

#include "GdiObjects.h"
#include "PropertyBag.h"
#include "XP_ProgressBar.h"
#include "WindowHelpers.h"

namespace {

constexpr const char* ClassName = "Cadrelfrmconverprogress";
constexpr int ClientWidth = 380;
constexpr int ClientHeight = 132;

// The fixed background: white with a blue band under the title line.
void PaintBackground(HDC dc, const RECT& rc) {
    ::FillRect(dc, &rc, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    const win::unique_brush band(::CreateSolidBrush(RGB(0, 84, 166)));
    RECT line{0, rc.bottom - 4, rc.right, rc.bottom};
    ::FillRect(dc, &line, band.get());
}

}  // namespace

frmconverprogress::~frmconverprogress() {
    if (hWnd()) ::DestroyWindow(hWnd());
}

void frmconverprogress::Show(HWND owner) {
    if (!hWnd()) {
        if (!CreateFrame(owner, {ClassName, "Converting....", ClientWidth, ClientHeight, nullptr})) return;
        // The bar's timer runs while the window exists.
        ::SetTimer(hWnd(), Timer1, Timer1Interval, nullptr);
    }
    ShowFrame();
}

void frmconverprogress::Hide() {
    if (hWnd()) ::ShowWindow(hWnd(), SW_HIDE);
}

void frmconverprogress::CreateControls() {
    const DWORD labelStyle = SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS;
    AddLabel("Converting ", IdLabel1, RECT{14, 12, ClientWidth - 14, 30}, labelStyle);
    controls::PropertyBag barBag{{"Max", "100"}, {"Min", "0"}, {"Value", "0"}, {"Scrolling", "0"},
                                 {"ShowText", "False"}};
    p1_ = controls::XP_ProgressBar::Create(hWnd(), IdP1, RECT{14, 38, ClientWidth - 14, 58}, &barBag);
    AddLabel("0 % complete", IdLblStatus, RECT{14, 76, 214, 94}, labelStyle);
    button_ = AddButton(IdCandyButton1, "Cancel", RECT{ClientWidth - 14 - 92, 88, ClientWidth - 14, 118});
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

void frmconverprogress::FileFailed(const std::string& reason) { SetStatus(reason); }

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
    if (IsCloseRequest(msg, wp)) return 0;  // refused: the button is the way out
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

#include "Cadrel.h"

#include <shellapi.h>
#include <shlobj.h>

#include "CadrelArt.h"
#include "CandyButton.h"
#include "CdTab.h"
#include "ConverterTab.h"
#include "ModuleFolder.h"
#include "WindowHelpers.h"
#include "modErrHandler.h"
#include "modSettings.h"

namespace {

constexpr const char* ClassName = "CadrelMainWindow";
constexpr const char* PageClassName = "CadrelTabPage";
constexpr int ClientWidth = 720;
constexpr int ClientHeight = 520;

// A tab's page: a plain child that hands its controls' notifications to the
// main window, so every handler lives in one place.
LRESULT CALLBACK PageProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_DRAWITEM:
        return ::SendMessageA(::GetAncestor(hwnd, GA_ROOT), msg, wp, lp);
    case WM_CTLCOLORSTATIC: {
        HDC dc = reinterpret_cast<HDC>(wp);
        ::SetBkMode(dc, TRANSPARENT);
        // Link labels read as links.
        const int id = ::GetDlgCtrlID(reinterpret_cast<HWND>(lp));
        if (id == Cadrel::IdLabel9 || id == Cadrel::IdLabel11 || id == Cadrel::IdLabel7 || id == Cadrel::IdLabel10)
            ::SetTextColor(dc, RGB(0, 84, 166));
        return reinterpret_cast<LRESULT>(::GetStockObject(WHITE_BRUSH));
    }
    case WM_ERASEBKGND: {
        RECT rc;
        ::GetClientRect(hwnd, &rc);
        ::FillRect(reinterpret_cast<HDC>(wp), &rc, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
        return 1;
    }
    default:
        return ::DefWindowProcA(hwnd, msg, wp, lp);
    }
}


}  // namespace

Cadrel::Cadrel() = default;

Cadrel::~Cadrel() {
    if (hWnd()) ::DestroyWindow(hWnd());
}

HWND Cadrel::Control(int id) const {
    if (!hWnd()) return nullptr;
    if (HWND direct = ::GetDlgItem(hWnd(), id)) return direct;
    for (HWND page : pages_)
        if (page)
            if (HWND c = ::GetDlgItem(page, id)) return c;
    return nullptr;
}

controls::CandyButton* Cadrel::Button(int id) const { return controls::CandyButton::FromWindow(Control(id)); }

const std::vector<std::string>& Cadrel::TrackListRows() const { return cd_->TrackListRows(); }
const std::vector<bool>& Cadrel::TrackListSelected() const { return cd_->TrackListSelected(); }
bool Cadrel::JobRunning() const noexcept { return cd_ && cd_->JobRunning(); }
RipJobState& Cadrel::JobState() noexcept { return cd_->JobState(); }

bool Cadrel::Create(int showCommand) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_TAB_CLASSES | ICC_USEREX_CLASSES |
                                             ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&icc);
    HICON appIcon = CadrelArt::MakeIcon(CadrelArt::Picture::Disc, 32);
    if (appIcon) icons_.emplace_back(appIcon);
    RegisterWindowClass(ClassName, 0, nullptr, ::GetSysColorBrush(COLOR_BTNFACE), appIcon);
    controls::RegisterPlainWindowClass(PageClassName, PageProc);
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
    RECT frame{0, 0, ClientWidth, ClientHeight};
    ::AdjustWindowRectEx(&frame, style, FALSE, 0);
    if (!::CreateWindowExA(0, ClassName, "Velmora Cadrel", style, CW_USEDEFAULT, CW_USEDEFAULT,
                           frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, ::GetModuleHandleA(nullptr),
                           static_cast<controls::WindowObject<Cadrel>*>(this)))
        return false;
    // The disc is read at least once before the window is first shown.
    Form_Load();
    ::ShowWindow(hWnd(), showCommand);
    ::UpdateWindow(hWnd());
    return true;
}

void Cadrel::CreateFrame() {
    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = sizeof metrics;
    LOGFONTA lf{};
    if (::SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) lf = metrics.lfMessageFont;
    else ::GetObjectA(::GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
    font_.reset(::CreateFontIndirectA(&lf));
    LOGFONTA bold = lf;
    bold.lfWeight = FW_BOLD;
    boldFont_.reset(::CreateFontIndirectA(&bold));
    LOGFONTA title = lf;
    title.lfWeight = FW_BOLD;
    title.lfHeight = lf.lfHeight < 0 ? lf.lfHeight * 2 : -22;
    titleFont_.reset(::CreateFontIndirectA(&title));

    // Pictures shared by the lists: 0 disc ("cd"), 1 note ("media"), and the
    // format image at index 12 as the output-format list expects.
    images_.reset(ImageList_Create(16, 16, ILC_COLOR32, 13, 0));
    const CadrelArt::Picture order[13] = {
        CadrelArt::Picture::Disc, CadrelArt::Picture::Note, CadrelArt::Picture::Page, CadrelArt::Picture::Page,
        CadrelArt::Picture::Page, CadrelArt::Picture::Page, CadrelArt::Picture::Page, CadrelArt::Picture::Page,
        CadrelArt::Picture::Page, CadrelArt::Picture::Page, CadrelArt::Picture::Page, CadrelArt::Picture::Page,
        CadrelArt::Picture::Note};
    for (auto p : order) {
        const win::unique_icon i(CadrelArt::MakeIcon(p, 16));
        if (images_ && i) ImageList_AddIcon(images_.get(), i.get());
    }

    HINSTANCE instance = ::GetModuleHandleA(nullptr);
    HWND status = ::CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0,
                                    hWnd(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(IdStatus)), instance, nullptr);
    int parts[2] = {ClientWidth - 260, -1};
    ::SendMessageA(status, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));
    ::SendMessageA(status, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    SetStatus(1, "Ready");
    RECT sr;
    ::GetWindowRect(status, &sr);
    const int statusHeight = sr.bottom - sr.top;

    HWND tabs = ::CreateWindowExA(0, WC_TABCONTROLA, "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 6, 6,
                                  ClientWidth - 12, ClientHeight - statusHeight - 10, hWnd(),
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(IdTabs)), instance, nullptr);
    ::SendMessageA(tabs, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    const char* names[3] = {"Audio CD Ripper", "Audio Converter", "About"};
    for (int i = 0; i < 3; ++i) {
        TCITEMA item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<char*>(names[i]);
        ::SendMessageA(tabs, TCM_INSERTITEMA, i, reinterpret_cast<LPARAM>(&item));
    }
    RECT area{0, 0, ClientWidth - 12, ClientHeight - statusHeight - 10};
    ::SendMessageA(tabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
    const int ids[3] = {IdCdPage, IdConverterPage, IdAboutPage};
    for (int i = 0; i < 3; ++i) {
        pages_[i] = ::CreateWindowExA(WS_EX_CONTROLPARENT, PageClassName, "", WS_CHILD | WS_CLIPSIBLINGS,
                                      6 + area.left, 6 + area.top, area.right - area.left, area.bottom - area.top,
                                      hWnd(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(ids[i])), instance,
                                      nullptr);
    }
    ::SetWindowPos(tabs, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    CreateCdTab(pages_[0]);
    CreateConverterTab(pages_[1]);
    CreateAboutTab(pages_[2]);

    // Hidden helpers: the CD-ROM drive letters and the job state text.
    ::CreateWindowExA(0, "COMBOBOX", "", WS_CHILD | CBS_DROPDOWNLIST, 0, 0, 10, 100, hWnd(),
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(IdCmbAction)), instance, nullptr);
    ::CreateWindowExA(0, "EDIT", "", WS_CHILD, 0, 0, 10, 10, hWnd(),
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(IdText1)), instance, nullptr);
    if (cd_)
        cd_->JobState().OnJobStateChanged = [this](RipJobState::State state) {
            ::SetWindowTextA(Control(IdText1), std::string(JobStateText(state)).c_str());
        };
    ShowPage(0);
}

void Cadrel::ShowPage(int index) {
    for (int i = 0; i < 3; ++i)
        if (pages_[i]) ::ShowWindow(pages_[i], i == index ? SW_SHOW : SW_HIDE);
    ::SendMessageA(Control(IdTabs), TCM_SETCURSEL, index, 0);
}

void Cadrel::CreateConverterTab(HWND page) {
    ConverterHost host;
    host.window = hWnd();
    host.timer1 = Timer1;
    host.font = font_.get();
    host.boldFont = boldFont_.get();
    host.images = images_.get();
    host.mediaImage = 1;
    host.label9 = Control(IdLabel9);
    host.listView3Id = IdListView3;
    converter_ = std::make_unique<ConverterTab>(host);
    converter_->Create(page);
}

void Cadrel::CreateCdTab(HWND page) {
    CdTabHost host;
    host.window = hWnd();
    host.font = font_.get();
    host.boldFont = boldFont_.get();
    host.images = images_.get();
    host.control = [this](int id) { return Control(id); };
    host.setStatus = [this](int panel, const std::string& text) { SetStatus(panel, text); };
    host.icon = [this](CadrelArt::Picture picture, int size) -> HICON {
        HICON icon = CadrelArt::MakeIcon(picture, size);
        if (icon) icons_.emplace_back(icon);
        return icon;
    };
    cd_ = std::make_unique<CdTab>(host);
    cd_->Create(page);
}

void Cadrel::CreateAboutTab(HWND page) {
    HINSTANCE instance = ::GetModuleHandleA(nullptr);
    RECT rc;
    ::GetClientRect(page, &rc);
    HICON disc = CadrelArt::MakeIcon(CadrelArt::Picture::Disc, 128);
    if (disc) icons_.emplace_back(disc);
    HWND picture = ::CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_ICON | SS_REALSIZEIMAGE, 40, 60,
                                     128, 128, page, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IdAboutPicture)),
                                     instance, nullptr);
    ::SendMessageA(picture, STM_SETICON, reinterpret_cast<WPARAM>(disc), 0);
    auto label = [&](int id, const char* text, int x, int y, int w, int h, HFONT f, bool link) {
        HWND l = ::CreateWindowExA(0, "STATIC", text, WS_CHILD | WS_VISIBLE | SS_NOPREFIX | (link ? SS_NOTIFY : 0), x,
                                   y, w, h, page, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
        ::SendMessageA(l, WM_SETFONT, reinterpret_cast<WPARAM>(f), FALSE);
        if (link) ::SetClassLongPtrA(l, GCLP_HCURSOR, reinterpret_cast<LONG_PTR>(::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_HAND))));
        return l;
    };
    label(IdLabelProduct, "Velmora Cadrel and Converter 1.0", 200, 70, 440, 36, titleFont_.get(), false);
    label(IdLabel7, "Velmora Software", 200, 120, 300, 20, boldFont_.get(), true);
    label(IdLabel10, WebSite, 200, 146, 400, 20, font_.get(), true);
    label(0, "Rips audio CDs to WAV and MP3 and converts media files for players, phones and the web.", 200, 186,
          rc.right - 230, 40, font_.get(), false);
}

void Cadrel::SetStatus(int panel, const std::string& text) {
    ::SendMessageA(Control(IdStatus), SB_SETTEXTA, panel - 1, reinterpret_cast<LPARAM>(text.c_str()));
}

void Cadrel::Form_Unload() {
    if (unloaded_) return;
    unloaded_ = true;
    ::KillTimer(hWnd(), Timer3);
    if (converter_) converter_->ReleaseAVC1();
    // Settings are saved even when they were never changed.
    if (converter_) modSettings::SaveConverterFormat(converter_->FormatCaption());
    if (cd_) modSettings::SaveRipOutputFolder(cd_->OutputFolder());
    if (converter_) modSettings::SaveConverterOutputFolder(converter_->OutputFolder());
    // A job still running ends with the process, as closing the window
    // ends the program at once.
    if ((cd_ && cd_->JobRunning()) || (converter_ && converter_->JobRunning())) ::ExitProcess(0);
}

void Cadrel::Form_Load() {
    // 1. to 5. The CD tab's lists.
    if (cd_) cd_->PrepareLists();
    // 6. The crash filter.
    modErrHandler::Install();
    // 7. The converter's file list columns.
    controls::AddListColumns(Control(IdListView3), {{"File name", 100}, {"Size", 60}, {"Type", 60},
                                                     {"Created", 167}, {"Modified", 167}, {"Path", 60}});
    // 9. The CD access library lies in the program's folder.
    const std::string folder = win::ProgramFolder();
    ::SetCurrentDirectoryA(folder.c_str());
    // 10. to 13. The library's drives, the output folder, the disc.
    if (cd_) cd_->ListDrivesAndReadDisc(folder);
    // 14. Each step on its own.
    if (converter_) {
        converter_->CreateAVC1();
        converter_->FillFormatList();
        const std::string media = modSettings::DefaultMediaFolder();
        converter_->SetOutputFolder(media);
        ::CreateDirectoryA(media.c_str(), nullptr);
        converter_->SetFormatCaption(modSettings::LoadConverterFormat());
    }
    if (cd_) cd_->SetOutputFolder(modSettings::LoadRipOutputFolder());
    if (converter_) converter_->SetOutputFolder(modSettings::LoadConverterOutputFolder());
    ::SetTimer(hWnd(), Timer3, Timer3Interval, nullptr);
}

void Cadrel::OpenWebPage(const std::string& query) {
    const std::string address = std::string(WebSite) + query;
    ::ShellExecuteA(hWnd(), "open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

LRESULT Cadrel::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_CREATE:
        CreateFrame();
        return 0;
    case WM_TIMER:
        if (wp == Timer3) {
            if (cd_) cd_->Timer3_Timer();
        } else if (converter_) {
            converter_->HandleTimer(wp);
        }
        return 0;
    case WM_NOTIFY: {
        auto* hdr = reinterpret_cast<NMHDR*>(lp);
        LRESULT handled = 0;
        if (converter_ && converter_->HandleNotify(hdr, handled)) return handled;
        if (cd_ && cd_->HandleNotify(hdr, handled)) return handled;
        if (hdr->idFrom == IdTabs && hdr->code == TCN_SELCHANGE) {
            ShowPage(static_cast<int>(::SendMessageA(hdr->hwndFrom, TCM_GETCURSEL, 0, 0)));
            return 0;
        }
        break;
    }
    case WM_COMMAND: {
        const int id = LOWORD(wp);
        const int code = HIWORD(wp);
        if (converter_ && converter_->HandleCommand(wp, lp)) return 0;
        if (cd_ && cd_->HandleCommand(wp, lp)) return 0;
        if (code == BN_CLICKED) {
            switch (id) {
            case IdCandyButton5: OpenWebPage(""); return 0;
            case IdCandyButton6: OpenWebPage("?q=node/12"); return 0;
            case IdCandyButton8: OpenWebPage("?q=node/8"); return 0;
            default: break;
            }
        }
        if (code == STN_CLICKED &&
            (id == IdLabel7 || id == IdLabel9 || id == IdLabel10 || id == IdLabel11)) {
            OpenWebPage("");
            return 0;
        }
        break;
    }
    case WM_CLOSE:
        Form_Unload();
        ::DestroyWindow(hWnd());
        return 0;
    case WM_DESTROY:
        Form_Unload();
        ::PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    return Default(msg, wp, lp);
}

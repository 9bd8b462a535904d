#include "Cadrel.h"

#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>

#include "CadrelArt.h"
#include "CandyButton.h"
#include "ConverterTab.h"
#include "CD_Library.h"
#include "EncoderConfig.h"
#include "TrackTimes.h"
#include "modAKRip32.h"
#include "ModuleFolder.h"
#include "modGeneral.h"
#include "modSettings.h"
#include "modcd.h"
#include "modErrHandler.h"
#include "WindowHelpers.h"

const char* const Cadrel::WebSite = "http://www.velmora-cadrel.example/";

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
    jobState_.OnJobStateChanged = [this](const std::string& text) {
        ::SetWindowTextA(Control(IdText1), text.c_str());
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

std::string Cadrel::ControlText(int id) const { return controls::WindowText(Control(id)); }

std::string Cadrel::ComboText(int id) const { return controls::SelectedComboText(Control(id)); }

void Cadrel::Message(const std::string& text, UINT icon) {
    ::MessageBoxA(hWnd(), text.c_str(), modGeneral::ApplicationTitle, MB_OK | icon);
}

void Cadrel::Form_Unload() {
    if (unloaded_) return;
    unloaded_ = true;
    ::KillTimer(hWnd(), Timer3);
    if (converter_) converter_->ReleaseAVC1();
    // Settings are saved even when they were never changed.
    if (converter_) modSettings::SaveConverterFormat(converter_->FormatCaption());
    modSettings::SaveRipOutputFolder(ControlText(IdTxtOutPath));
    if (converter_) modSettings::SaveConverterOutputFolder(converter_->OutputFolder());
    // A job still running ends with the process, as closing the window
    // ends the program at once.
    if (jobRunning_ || (converter_ && converter_->JobRunning())) ::ExitProcess(0);
}

void Cadrel::Form_Load() {
    HWND list = Control(IdListView1);
    // 1. No column headers yet.
    while (ListView_DeleteColumn(list, 0)) {
    }
    // 2. The CD-ROM drive letters.
    std::vector<std::string> drives;
    modcd::ListLogicalDrives(drives, modcd::DriveCdRom);
    HWND action = Control(IdCmbAction);
    for (const auto& d : drives) ::SendMessageA(action, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(d.c_str()));
    ::SendMessageA(action, CB_SETCURSEL, 0, 0);
    // 3. Output formats, with their picture.
    HWND format = Control(IdCmbOutFormat);
    for (const char* f : {"MP3", "WAV"}) {
        COMBOBOXEXITEMA item{};
        item.mask = CBEIF_TEXT | CBEIF_IMAGE | CBEIF_SELECTEDIMAGE;
        item.iItem = -1;
        item.pszText = const_cast<char*>(f);
        item.iImage = item.iSelectedImage = 12;
        ::SendMessageA(format, CBEM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    }
    ::SendMessageA(format, CB_SETCURSEL, 0, 0);
    // 4. and 8. Bitrate "160" and quality "Normal".
    ::SendMessageA(Control(IdCmbBitrate), CB_SETCURSEL, EncoderLists::DefaultBitrateIndex, 0);
    ::SendMessageA(Control(IdCmbQuality), CB_SETCURSEL, EncoderLists::DefaultQualityIndex, 0);
    // 5. Track list columns; the first two 1500 twips (100 pixels) wide.
    controls::AddListColumns(list, {{"Title", 100}, {"Artist", 100}, {"Start", 110}, {"Length", 110}});
    // 6. The crash filter.
    modErrHandler::Install();
    // 7. The converter's file list columns.
    controls::AddListColumns(Control(IdListView3), {{"File name", 100}, {"Size", 60}, {"Type", 60},
                                                     {"Created", 167}, {"Modified", 167}, {"Path", 60}});
    // 9. The CD access library lies in the program's folder.
    const std::string folder = win::ProgramFolder();
    ::SetCurrentDirectoryA(folder.c_str());
    // 10. and 11. The library's drives.
    HWND driveList = Control(IdDriveList);
    const int adapters = std::min(modAKRip32::GetNumAdapters(), 8);
    for (int i = 1; i <= adapters; ++i) {
        const auto record = modAKRip32::GetCDRecord(i - 1);
        const auto id = AkripRecords::Identification(record);
        const std::string name = TrackTimes::BytesToString(id.data(), id.size());
        ::SendMessageA(driveList, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    }
    ::SendMessageA(driveList, CB_SETCURSEL, 0, 0);
    // 12.
    ::SetWindowTextA(Control(IdTxtOutPath), folder.c_str());
    // 13.
    DriveList_Click();
    // 14. Each step on its own.
    if (converter_) {
        converter_->CreateAVC1();
        converter_->FillFormatList();
        const std::string media = modSettings::DefaultMediaFolder();
        converter_->SetOutputFolder(media);
        ::CreateDirectoryA(media.c_str(), nullptr);
        converter_->SetFormatCaption(modSettings::LoadConverterFormat());
    }
    ::SetWindowTextA(Control(IdTxtOutPath), modSettings::LoadRipOutputFolder().c_str());
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
        if (wp == Timer3) Timer3_Timer();
        else if (converter_) converter_->HandleTimer(wp);
        return 0;
    case WM_NOTIFY: {
        auto* hdr = reinterpret_cast<NMHDR*>(lp);
        LRESULT handled = 0;
        if (converter_ && converter_->HandleNotify(hdr, handled)) return handled;
        if (hdr->idFrom == IdTabs && hdr->code == TCN_SELCHANGE) {
            ShowPage(static_cast<int>(::SendMessageA(hdr->hwndFrom, TCM_GETCURSEL, 0, 0)));
            return 0;
        }
        if (hdr->idFrom == IdXTab2 && hdr->code == TCN_SELCHANGING) {
            // "DCP" is present but disabled: the selection stays on "Output".
            return TRUE;
        }
        if (hdr->idFrom == IdListView1 && hdr->code == LVN_ITEMCHANGED) {
            auto* change = reinterpret_cast<NMLISTVIEW*>(lp);
            if ((change->uChanged & LVIF_STATE) &&
                ((change->uNewState ^ change->uOldState) & LVIS_STATEIMAGEMASK) && !checkingFromCode_)
                ListView1_ItemCheck();
            return 0;
        }
        break;
    }
    case WM_COMMAND: {
        const int id = LOWORD(wp);
        const int code = HIWORD(wp);
        if (converter_ && converter_->HandleCommand(wp, lp)) return 0;
        if (code == BN_CLICKED) {
            switch (id) {
            case IdCandyButton1: CandyButton1_Click(); return 0;
            case IdCandyButton2: CandyButton2_Click(); return 0;
            case IdCandyButton3: CandyButton3_Click(); return 0;
            case IdCandyButton4: CandyButton4_Click(); return 0;
            case IdCandyButton7: CandyButton7_Click(); return 0;
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
        if (id == IdDriveList && code == CBN_SELCHANGE) {
            if (!jobRunning_) DriveList_Click();
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

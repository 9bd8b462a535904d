#include "ConverterTab.h"

#include <commdlg.h>
#include <shlobj.h>

#include "AVC.h"
#include "CandyButton.h"
#include "ConversionPresets.h"
#include "ConverterFiles.h"
#include "LongPath.h"
#include "PropertyBag.h"
#include "UserNotice.h"
#include "WindowHelpers.h"

namespace {

constexpr const char* DialogFilter =
    "Media Files(*.vob;*.flv;*.mpg;*.avi;*.mpeg;*.mov;*.wav;*.mp3;*.dat;*.aac;*.mp4;)\0"
    " *.vob;*.flv;*.mpg;*.avi;*.mpeg;*.mov;*.wav;*.mp3;*.dat;*.aac;*.mp4;\0";
constexpr DWORD DialogBufferSize = 2048;

// The date and time as the file-system object shows them: the user's short
// date, a blank and the user's time, in local time.
std::string DateText(const FILETIME& utc) {
    FILETIME local;
    SYSTEMTIME st;
    if (!::FileTimeToLocalFileTime(&utc, &local) || !::FileTimeToSystemTime(&local, &st)) return {};
    char date[80] = {}, time[80] = {};
    if (!::GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, date, sizeof date)) return {};
    if (!::GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &st, nullptr, time, sizeof time)) return date;
    return std::string(date) + " " + time;
}

}  // namespace

ConverterTab::ConverterTab(const ConverterHost& host) : host_(host), notice_(host.window), job_(progress_, notice_) {
    progress_.OnCancel = [this] { CandyButton13_Click(); };
}

ConverterTab::~ConverterTab() = default;

HWND ConverterTab::Control(int id) const { return page_ ? ::GetDlgItem(page_, id) : nullptr; }

controls::CandyButton* ConverterTab::Button(int id) const { return controls::CandyButton::FromWindow(Control(id)); }

HWND ConverterTab::ListView3() const { return Control(host_.listView3Id); }

void ConverterTab::Create(HWND page) {
    page_ = page;
    RECT rc;
    ::GetClientRect(page, &rc);
    const int W = rc.right, H = rc.bottom;
    const DWORD visible = WS_VISIBLE;

    HWND list = controls::CreateChild(page, WC_LISTVIEWA, "", visible | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS,
                          host_.listView3Id, 12, 12, W - 24, 206, host_.font, WS_EX_CLIENTEDGE);
    ListView_SetExtendedListViewStyle(list, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
    if (host_.images) ListView_SetImageList(list, host_.images, LVSIL_SMALL);
    // The job's own list: paths in row order, selection = check boxes.
    controls::CreateChild(page, "LISTBOX", "", LBS_MULTIPLESEL | LBS_NOINTEGRALHEIGHT, IdList1, 0, 0, 10, 10, nullptr);

    auto button = [&](int id, const char* caption, int x, int y, int w, int h, const char* font = "Tahoma,8") {
        controls::PropertyBag bag{{"Caption", caption}, {"Style", "0"}, {"Font", font}};
        return controls::CandyButton::Create(page, id, RECT{x, y, x + w, y + h}, &bag);
    };
    button(IdCandyButton9, "Add Files", 12, 226, 120, 30);
    button(IdCandyButton11, "Remove checked files", 140, 226, 160, 30);
    button(IdCandyButton15, "Select All", 308, 226, 112, 30);

    const int tabTop = 266, tabHeight = H - tabTop - 8;
    HWND inner = controls::CreateChild(page, WC_TABCONTROLA, "", visible | WS_CLIPSIBLINGS, IdXTab3, 12, tabTop, W - 24,
                           tabHeight, host_.font);
    const char* names[2] = {"Video/Audio Converter", "DSP"};
    for (int i = 0; i < 2; ++i) {
        TCITEMA item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<char*>(names[i]);
        ::SendMessageA(inner, TCM_INSERTITEMA, i, reinterpret_cast<LPARAM>(&item));
    }
    const int x0 = 26, y0 = tabTop + 34;
    controls::CreateChild(page, "STATIC", "Select the conversion format", visible | SS_LEFT, IdLblCombo1, x0, y0 + 4, 190, 18,
              host_.font);
    controls::CreateChild(page, "COMBOBOX", "", visible | CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, IdCombo1, x0 + 196, y0,
              300, 400, host_.font);
    controls::CreateChild(page, "STATIC", "Select the output directory", visible | SS_LEFT, IdLblText2, x0, y0 + 40, 190, 18,
              host_.font);
    controls::CreateChild(page, "EDIT", "", visible | ES_AUTOHSCROLL | WS_TABSTOP, IdText2, x0 + 196, y0 + 36, W - x0 - 196 - 90,
              24, host_.font, WS_EX_CLIENTEDGE);
    button(IdCandyButton12, "....", W - 84, y0 + 34, 44, 28);
    button(IdCandyButton14, "Convert Selected", x0 + 196, y0 + 76, 150, 34, "Tahoma,9,Bold");
    button(IdCandyButton13, "Cancel", x0 + 356, y0 + 76, 100, 34, "Tahoma,9,Bold");
    ::SetWindowPos(inner, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

// ---- start-up and shutdown ----------------------------------------------------

void ConverterTab::CreateAVC1() {
    avc_ = std::make_unique<AVC>(host_.window, host_.timer1);
    avc_->Converting = [this] { job_.Converting(); };
    avc_->Complete = [this] {
        job_.Complete();
        ::KillTimer(host_.window, host_.timer1);
    };
    avc_->ErrorEvent = [this](std::string& message) {
        if (host_.label9) ::SetWindowTextA(host_.label9, message.c_str());
        ::KillTimer(host_.window, host_.timer1);
        job_.ErrorEvent(message);
    };
}

void ConverterTab::ReleaseAVC1() { avc_.reset(); }

void ConverterTab::FillFormatList() { ConversionPresets::FillFormatList(Control(IdCombo1)); }

void ConverterTab::SetFormatCaption(const std::string& caption) {
    HWND combo = Control(IdCombo1);
    const int count = static_cast<int>(::SendMessageA(combo, CB_GETCOUNT, 0, 0));
    int fallback = -1;
    for (int i = 0; i < count; ++i) {
        char text[256] = {};
        if (::SendMessageA(combo, CB_GETLBTEXTLEN, i, 0) >= static_cast<LRESULT>(sizeof text)) continue;
        ::SendMessageA(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        if (caption == text) {
            ::SendMessageA(combo, CB_SETCURSEL, i, 0);
            return;
        }
        if (std::string(text) == ConversionPresets::DefaultCaption) fallback = i;
    }
    ::SendMessageA(combo, CB_SETCURSEL, fallback, 0);
}

std::string ConverterTab::FormatCaption() const { return controls::SelectedComboText(Control(IdCombo1)); }

void ConverterTab::SetOutputFolder(const std::string& folder) { ::SetWindowTextA(Control(IdText2), folder.c_str()); }

std::string ConverterTab::OutputFolder() const { return controls::WindowText(Control(IdText2)); }

// ---- forwarded messages ---------------------------------------------------------

bool ConverterTab::HandleTimer(UINT_PTR id) {
    if (id != host_.timer1) return false;
    if (avc_) avc_->Timer1_Timer();
    else ::KillTimer(host_.window, host_.timer1);
    return true;
}

bool ConverterTab::HandleCommand(WPARAM wp, LPARAM) {
    if (HIWORD(wp) != BN_CLICKED) return false;
    switch (LOWORD(wp)) {
    case IdCandyButton9: CandyButton9_Click(); return true;
    case IdCandyButton11: CandyButton11_Click(); return true;
    case IdCandyButton15: CandyButton15_Click(); return true;
    case IdCandyButton12: CandyButton12_Click(); return true;
    case IdCandyButton14: ConvertSelected(); return true;
    case IdCandyButton13: CandyButton13_Click(); return true;
    default: return false;
    }
}

bool ConverterTab::HandleNotify(const NMHDR* hdr, LRESULT& result) {
    if (!hdr) return false;
    if (hdr->idFrom == static_cast<UINT_PTR>(IdXTab3) && hdr->code == TCN_SELCHANGING) {
        result = TRUE;  // "DSP" is present but disabled
        return true;
    }
    if (hdr->idFrom == static_cast<UINT_PTR>(host_.listView3Id) && hdr->code == LVN_ITEMCHANGED) {
        const auto* change = reinterpret_cast<const NMLISTVIEW*>(hdr);
        if ((change->uChanged & LVIF_STATE) && ((change->uNewState ^ change->uOldState) & LVIS_STATEIMAGEMASK) &&
            !checkingFromCode_)
            ListView3_ItemCheck();
        result = 0;
        return true;
    }
    return false;
}

// ---- the file list ----------------------------------------------------------------

int ConverterTab::Rows() const { return static_cast<int>(::SendMessageA(ListView3(), LVM_GETITEMCOUNT, 0, 0)); }

bool ConverterTab::RowChecked(int row) const { return ListView_GetCheckState(ListView3(), row) != 0; }

void ConverterTab::SetRowChecked(int row, bool checked) {
    // As a click on the box: the check changes and the notification mirrors it.
    ListView_SetCheckState(ListView3(), row, checked ? TRUE : FALSE);
}

std::vector<std::string> ConverterTab::List1Entries() const {
    std::vector<std::string> entries;
    HWND list1 = Control(IdList1);
    const int count = static_cast<int>(::SendMessageA(list1, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        const LRESULT n = ::SendMessageA(list1, LB_GETTEXTLEN, i, 0);
        std::string s(n > 0 ? static_cast<size_t>(n) + 1 : 1, '\0');
        if (n > 0) ::SendMessageA(list1, LB_GETTEXT, i, reinterpret_cast<LPARAM>(s.data()));
        s.resize(n > 0 ? static_cast<size_t>(n) : 0);
        entries.push_back(s);
    }
    return entries;
}

std::vector<bool> ConverterTab::List1Selected() const {
    std::vector<bool> selected;
    HWND list1 = Control(IdList1);
    const int count = static_cast<int>(::SendMessageA(list1, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) selected.push_back(::SendMessageA(list1, LB_GETSEL, i, 0) > 0);
    return selected;
}

void ConverterTab::CandyButton9_Click() {
    std::vector<char> buffer(DialogBufferSize + 2, '\0');
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = host_.window;
    ofn.lpstrFilter = DialogFilter;
    ofn.lpstrFile = buffer.data();
    ofn.nMaxFile = DialogBufferSize;
    ofn.Flags = OFN_EXPLORER | OFN_ALLOWMULTISELECT;  // 0x80200
    if (!::GetOpenFileNameA(&ofn)) return;
    AddFiles(ConverterFiles::SplitSelection(ConverterFiles::DialogResult(buffer.data(), buffer.size())));
}

void ConverterTab::AddFiles(const std::vector<std::string>& paths) {
    HWND list = ListView3();
    HWND list1 = Control(IdList1);
    if (!list || !list1) return;
    checkingFromCode_ = true;
    for (const std::string& path : paths) {
        const std::string name = ConverterFiles::FileName(path);
        ::SendMessageA(list1, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(path.c_str()));
        LVITEMA item{};
        item.mask = LVIF_TEXT | LVIF_IMAGE;
        item.iItem = Rows();
        item.pszText = const_cast<char*>(name.c_str());
        item.iImage = host_.mediaImage;
        const int row = ListView_InsertItem(list, &item);
        if (row < 0) continue;
        ListView_SetCheckState(list, row, FALSE);
        // A file whose details cannot be read keeps empty cells.
        std::string size, created, modified;
        WIN32_FILE_ATTRIBUTE_DATA data{};
        if (::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) {
            size = ConverterFiles::SizeText((static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
            created = DateText(data.ftCreationTime);
            modified = DateText(data.ftLastWriteTime);
        }
        const std::string cells[5] = {size, ConverterFiles::TypeText(name), created, modified, path};
        for (int c = 0; c < 5; ++c) ListView_SetItemText(list, row, c + 1, const_cast<char*>(cells[c].c_str()));
    }
    checkingFromCode_ = false;
}

void ConverterTab::CandyButton11_Click() {
    HWND list = ListView3();
    HWND list1 = Control(IdList1);
    checkingFromCode_ = true;
    for (int row = Rows() - 1; row >= 0; --row) {
        if (!RowChecked(row)) continue;
        ListView_DeleteItem(list, row);
        ::SendMessageA(list1, LB_DELETESTRING, row, 0);
    }
    checkingFromCode_ = false;
    if (controls::CandyButton* b = Button(IdCandyButton15)) b->SetCaption("Select All");
}

void ConverterTab::CandyButton15_Click() {
    controls::CandyButton* b = Button(IdCandyButton15);
    if (Rows() == 0) {
        Message(AddFilesFirst, MB_ICONINFORMATION);
        return;
    }
    const bool selectAll = b && b->Caption() == "Select All";
    checkingFromCode_ = true;
    for (int row = 0; row < Rows(); ++row) ListView_SetCheckState(ListView3(), row, selectAll ? TRUE : FALSE);
    checkingFromCode_ = false;
    ::SendMessageA(Control(IdList1), LB_SETSEL, selectAll ? TRUE : FALSE, -1);
    if (b) b->SetCaption(selectAll ? "Select None" : "Select All");
}

void ConverterTab::ListView3_ItemCheck() {
    HWND list1 = Control(IdList1);
    const int rows = Rows();
    for (int row = 0; row < rows; ++row) ::SendMessageA(list1, LB_SETSEL, RowChecked(row) ? TRUE : FALSE, row);
}

void ConverterTab::CandyButton12_Click() { SetOutputFolder(controls::BrowseForFolder()); }

void ConverterTab::CandyButton13_Click() {
    if (avc_) avc_->CancelConvert();
}

// ---- the job --------------------------------------------------------------------------

void ConverterTab::Message(const std::string& text, UINT icon) const {
    ::MessageBoxA(host_.window, text.c_str(), ApplicationTitle, MB_OK | icon);
}

bool ConverterTab::EnsureOutputFolder(const std::string& folder) {
    if (win::FolderExists(folder)) return true;
    ::SHCreateDirectoryExA(nullptr, folder.c_str(), nullptr);
    if (win::FolderExists(folder)) return true;
    Message("Unable to create the output directory " + folder, MB_ICONEXCLAMATION);
    return false;
}

void ConverterTab::ConvertSelected() {
    if (job_.Running()) {
        // One job at a time: the running one is brought to the front.
        progress_.Show(host_.window);
        return;
    }
    const std::string folder = OutputFolder();
    if (folder.empty()) {
        Message(NoOutputFolder, MB_ICONINFORMATION);
        return;
    }
    if (Rows() == 0) {
        Message(AddFilesFirst, MB_ICONINFORMATION);
        return;
    }
    const std::vector<bool> selected = List1Selected();
    bool any = false;
    for (bool s : selected) any = any || s;
    if (!any) {
        Message(SelectFilesFirst, MB_ICONINFORMATION);
        return;
    }
    if (!EnsureOutputFolder(folder)) return;
    progress_.Show(host_.window);
    RunConversionJob(FormatCaption());
}

void ConverterTab::RunConversionJob(const std::string& caption) {
    if (!avc_ || job_.Running()) return;
    ConversionJob::Inputs inputs;
    inputs.caption = caption;
    inputs.outputFolder = OutputFolder();
    inputs.paths = List1Entries();
    inputs.selected = List1Selected();
    job_.Run(*avc_, inputs, [this] { return ::IsWindow(host_.window) && avc_; });
}

// The CD tab of the main window: its controls, reading the disc into the
// track list, the selection buttons, the drawer, the folder picker, the
// once-a-second re-read and the "Rip CD" button.

#include <memory>

#include "CD_Library.h"
#include "Cadrel.h"
#include "CadrelArt.h"
#include "CandyButton.h"
#include "EncoderConfig.h"
#include "PropertyBag.h"
#include "TrackTimes.h"
#include "UserNotice.h"
#include "frmProgress.h"
#include "modAKRip32.h"
#include "modGeneral.h"
#include "modcd.h"
#include "WindowHelpers.h"

void Cadrel::CreateCdTab(HWND page) {
    RECT rc;
    ::GetClientRect(page, &rc);
    const int W = rc.right;
    auto button = [&](int id, const char* caption, int x, int y, int w, int h, CadrelArt::Picture* picture,
                      const char* font = "Tahoma,8", int iconSize = 20) {
        controls::PropertyBag bag{{"Caption", caption}, {"Style", "0"}, {"Font", font}};
        controls::CandyButton* b = controls::CandyButton::Create(page, id, RECT{x, y, x + w, y + h}, &bag);
        if (!b) return b;
        if (picture) {
            HICON icon = CadrelArt::MakeIcon(*picture, iconSize);
            if (icon) {
                icons_.emplace_back(icon);
                b->SetPicture(icon, IMAGE_ICON);
            }
        }
        buttons_.push_back(b);
        return b;
    };

    // Device row.
    controls::CreateChild(page, "STATIC", "Device", WS_VISIBLE | SS_LEFT, IdLblDevice, 12, 17, 48, 18, boldFont_.get());
    controls::CreateChild(page, "COMBOBOX", "", WS_VISIBLE | CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, IdDriveList, 64, 12, W - 64 - 104,
              200, font_.get());
    CadrelArt::Picture reread = CadrelArt::Picture::Reread, eject = CadrelArt::Picture::Eject;
    button(IdCandyButton4, "", W - 94, 9, 40, 30, &reread);
    button(IdCandyButton7, "", W - 50, 9, 40, 30, &eject);

    // Track list.
    HWND list = controls::CreateChild(page, WC_LISTVIEWA, "", WS_VISIBLE | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SINGLESEL | WS_TABSTOP,
                          IdListView1, 12, 48, W - 22, 206, font_.get(), WS_EX_CLIENTEDGE);
    ListView_SetExtendedListViewStyle(list, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    if (images_) ListView_SetImageList(list, images_.get(), LVSIL_SMALL);

    // Selection button and the maker's links.
    button(IdCandyButton1, "Select All", 12, 262, 112, 30, nullptr);
    HWND product = controls::CreateChild(page, "STATIC", "Velmora Cadrel and Converter 1.0", WS_VISIBLE | SS_LEFT | SS_NOTIFY | SS_NOPREFIX,
                             IdLabel9, 140, 262, W - 140 - 140, 16, boldFont_.get());
    HWND address = controls::CreateChild(page, "STATIC", WebSite, WS_VISIBLE | SS_LEFT | SS_NOTIFY | SS_NOPREFIX, IdLabel11, 140, 278,
                             W - 140 - 140, 16, font_.get());
    for (HWND l : {product, address})
        if (l) ::SetClassLongPtrA(l, GCLP_HCURSOR,
                                  reinterpret_cast<LONG_PTR>(::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_HAND))));
    CadrelArt::Picture globe = CadrelArt::Picture::Globe, pageArt = CadrelArt::Picture::Page,
                       help = CadrelArt::Picture::Help;
    button(IdCandyButton5, "", W - 134, 262, 40, 30, &globe);
    button(IdCandyButton6, "", W - 92, 262, 40, 30, &pageArt);
    button(IdCandyButton8, "", W - 50, 262, 40, 30, &help);

    // Rip settings on the inner tab strip.
    const int tabTop = 302, tabWidth = W - 12 - 200;
    HWND inner = controls::CreateChild(page, WC_TABCONTROLA, "", WS_VISIBLE | WS_CLIPSIBLINGS, IdXTab2, 12, tabTop, tabWidth, 128, font_.get());
    const char* innerNames[2] = {"Output", "DCP"};
    for (int i = 0; i < 2; ++i) {
        TCITEMA item{};
        item.mask = TCIF_TEXT | TCIF_STATE;
        item.pszText = const_cast<char*>(innerNames[i]);
        item.dwStateMask = TCIS_HIGHLIGHTED;
        ::SendMessageA(inner, TCM_INSERTITEMA, i, reinterpret_cast<LPARAM>(&item));
    }
    const int x0 = 24, y0 = tabTop + 32;
    controls::CreateChild(page, "STATIC", "Output format", WS_VISIBLE | SS_LEFT, IdLblOutFormat, x0, y0 + 4, 90, 18, font_.get());
    HWND format = controls::CreateChild(page, WC_COMBOBOXEXA, "", WS_VISIBLE | CBS_DROPDOWNLIST | WS_TABSTOP, IdCmbOutFormat, x0 + 92, y0,
                            96, 200, font_.get());
    if (images_) ::SendMessageA(format, CBEM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images_.get()));
    controls::CreateChild(page, "STATIC", "Bitrate", WS_VISIBLE | SS_LEFT, IdLblBitrate, x0 + 204, y0 + 4, 48, 18, font_.get());
    HWND bitrate = controls::CreateChild(page, "COMBOBOX", "", WS_VISIBLE | CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, IdCmbBitrate,
                             x0 + 254, y0, 64, 300, font_.get());
    for (uint32_t b : EncoderLists::Bitrates)
        ::SendMessageA(bitrate, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(std::to_string(b).c_str()));
    controls::CreateChild(page, "STATIC", "Quality", WS_VISIBLE | SS_LEFT, IdLblQuality, x0 + 332, y0 + 4, 48, 18, font_.get());
    HWND quality = controls::CreateChild(page, "COMBOBOX", "", WS_VISIBLE | CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, IdCmbQuality,
                             x0 + 382, y0, tabWidth - 382 - 24, 300, font_.get());
    for (const auto& q : EncoderLists::Qualities)
        ::SendMessageA(quality, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(std::string(q.text).c_str()));
    controls::CreateChild(page, "STATIC", "Output folder", WS_VISIBLE | SS_LEFT, IdLblOutPath, x0, y0 + 48, 90, 18, font_.get());
    controls::CreateChild(page, "EDIT", "", WS_VISIBLE | ES_AUTOHSCROLL | WS_TABSTOP, IdTxtOutPath, x0 + 92, y0 + 44, tabWidth - 92 - 24 - 52,
              24, font_.get(), WS_EX_CLIENTEDGE);
    button(IdCandyButton2, "....", 12 + tabWidth - 12 - 44, y0 + 42, 44, 28, nullptr);
    ::SetWindowPos(inner, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);

    CadrelArt::Picture disc = CadrelArt::Picture::Disc;
    button(IdCandyButton3, "Rip CD", W - 188, tabTop + 20, 178, 92, &disc, "Tahoma,14,Bold", 40);
}

int Cadrel::ListRows() const {
    return static_cast<int>(::SendMessageA(Control(IdListView1), LVM_GETITEMCOUNT, 0, 0));
}

bool Cadrel::ListCheck(int row) const { return ListView_GetCheckState(Control(IdListView1), row) != 0; }

void Cadrel::SetListCheck(int row, bool checked) {
    checkingFromCode_ = true;
    ListView_SetCheckState(Control(IdListView1), row, checked ? TRUE : FALSE);
    checkingFromCode_ = false;
}

void Cadrel::DriveList_Click() {
    if (readingDisc_ || jobRunning_) return;
    readingDisc_ = true;
    // 1. The MCI device on the first CD-ROM drive letter.
    if (!CD_Library::OpenCD(ComboText(IdCmbAction))) Message("Error in opening the cd drive", MB_OK);
    else SetStatus(1, "Opened Successfully");
    // 2.
    SetStatus(2, "length - " + CD_Library::GetTotalLength());
    // 3.
    trackList_.clear();
    trackSelected_.clear();
    ::SendMessageA(Control(IdListView1), LVM_DELETEALLITEMS, 0, 0);
    // 4.
    modAKRip32::CloseDrive();
    const int drive = static_cast<int>(::SendMessageA(Control(IdDriveList), CB_GETCURSEL, 0, 0));
    if (modAKRip32::OpenDriveAndReadToc(drive < 0 ? 0 : drive)) {
        // 5.
        HWND list = Control(IdListView1);
        std::string previousStart, previousLength;
        for (int i = 1; i < 100 && modAKRip32::TocAddressToLba(i) != 0; ++i) {
            const std::string title = "Track " + std::to_string(i);
            trackList_.push_back(title);
            trackSelected_.push_back(false);
            LVITEMA item{};
            item.mask = LVIF_TEXT | LVIF_IMAGE;
            item.iItem = i - 1;
            item.pszText = const_cast<char*>(title.c_str());
            item.iImage = 1;  // "media"
            const int row = static_cast<int>(::SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
            SetListCheck(row, false);
            std::string start(TrackTimes::FirstStart);
            if (i > 1) {
                // A previous row without a time (a device message instead)
                // starts this one where the disc's contents say it starts.
                auto sum = TrackTimes::AddTimes(previousStart, previousLength);
                start = sum ? *sum : TrackTimes::AddressTime(modAKRip32::TocAddressToLba(i - 1));
            }
            const std::string length = CD_Library::GetTrackLength(i);
            const std::string artist = "Unknown";
            ListView_SetItemText(list, row, 1, const_cast<char*>(artist.c_str()));
            ListView_SetItemText(list, row, 2, const_cast<char*>(start.c_str()));
            ListView_SetItemText(list, row, 3, const_cast<char*>(length.c_str()));
            previousStart = start;
            previousLength = length;
        }
    }
    // 6.
    SetStatus(2, "length - " + CD_Library::GetTotalLength());
    readingDisc_ = false;
}

void Cadrel::ListView1_ItemCheck() {
    const int rows = ListRows();
    for (int i = 0; i < rows && i < static_cast<int>(trackSelected_.size()); ++i) trackSelected_[i] = ListCheck(i);
}

void Cadrel::CandyButton1_Click() {
    controls::CandyButton* b = Button(IdCandyButton1);
    if (ListRows() == 0) {
        Message("Please insert a audio cd!!", MB_ICONINFORMATION);
        return;
    }
    const bool selectAll = b && b->Caption() == "Select All";
    for (int i = 0; i < ListRows(); ++i) {
        SetListCheck(i, selectAll);
        if (i < static_cast<int>(trackSelected_.size())) trackSelected_[i] = selectAll;
    }
    if (b) b->SetCaption(selectAll ? "Select None" : "Select All");
}

void Cadrel::CandyButton4_Click() {
    if (!jobRunning_) DriveList_Click();
}

void Cadrel::CandyButton7_Click() {
    if (jobRunning_) return;
    SetStatus(1, CD_Library::OpenDoor() ? "CD drawer open." : "Could not open CD drawer.");
}

void Cadrel::CandyButton2_Click() {
    ::SetWindowTextA(Control(IdTxtOutPath), controls::BrowseForFolder().c_str());
}

void Cadrel::Timer3_Timer() {
    // Never re-entered while a read (and its message box) is under way, and
    // never while a job holds the drive.
    if (readingDisc_ || jobRunning_) return;
    if (ListRows() == 0) DriveList_Click();
}

void Cadrel::SetJobRunning(bool running) {
    jobRunning_ = running;
    for (int id : {IdCandyButton3, IdCandyButton4, IdCandyButton7})
        if (controls::CandyButton* b = Button(id)) b->SetEnabled(!running);
    // The drive stays as chosen, and so does the format: the job builds the
    // encoder's settings only when it starts as MP3.
    for (int id : {IdDriveList, IdCmbOutFormat}) ::EnableWindow(Control(id), running ? FALSE : TRUE);
}

void Cadrel::CandyButton3_Click() {
    if (jobRunning_) return;
    modGeneral::RipCdInputs inputs;
    inputs.format = ComboText(IdCmbOutFormat);
    inputs.outputFolder = ControlText(IdTxtOutPath);
    inputs.bitrateText = ComboText(IdCmbBitrate);
    inputs.qualityIndex = static_cast<int>(::SendMessageA(Control(IdCmbQuality), CB_GETCURSEL, 0, 0));
    for (size_t i = 0; i < trackList_.size(); ++i)
        inputs.trackList.push_back({trackList_[i], i < trackSelected_.size() && trackSelected_[i]});
    inputs.toc = modAKRip32::Toc;
    inputs.cdHandle = modAKRip32::CdHandle;
    inputs.owner = hWnd();
    frmProgress progress(jobState_);
    MessageBoxNotice notice(hWnd());
    SetJobRunning(true);
    modGeneral::RipCd(inputs, jobState_, progress, notice);
    if (hWnd()) SetJobRunning(false);
}

#include "CdTab.h"

#include <algorithm>

#include "CD_Library.h"
#include "CandyButton.h"
#include "EncoderConfig.h"
#include "PropertyBag.h"
#include "RipProofFiles.h"
#include "TrackTimes.h"
#include "UserNotice.h"
#include "frmProgress.h"
#include "modAKRip32.h"
#include "modGeneral.h"
#include "modSettings.h"
#include "modcd.h"
#include "WindowHelpers.h"

CdTab::CdTab(const CdTabHost& host) : host_(host) {}

HWND CdTab::Control(int id) const { return host_.control ? host_.control(id) : nullptr; }

controls::CandyButton* CdTab::Button(int id) const { return controls::CandyButton::FromWindow(Control(id)); }

void CdTab::SetStatus(int panel, const std::string& text) {
    if (host_.setStatus) host_.setStatus(panel, text);
}

void CdTab::Message(const std::string& text, UINT icon) {
    ::MessageBoxA(host_.window, text.c_str(), ApplicationTitle, MB_OK | icon);
}

std::string CdTab::ComboText(int id) const { return controls::SelectedComboText(Control(id)); }

std::string CdTab::OutputFolder() const { return controls::WindowText(Control(IdTxtOutPath)); }

void CdTab::SetOutputFolder(const std::string& folder) { ::SetWindowTextA(Control(IdTxtOutPath), folder.c_str()); }

void CdTab::Create(HWND page) {
    page_ = page;
    RECT rc;
    ::GetClientRect(page, &rc);
    const int W = rc.right;
    auto button = [&](int id, const char* caption, int x, int y, int w, int h, CadrelArt::Picture* picture,
                      const char* font = "Tahoma,8", int iconSize = 20) {
        controls::PropertyBag bag{{"Caption", caption}, {"Style", "0"}, {"Font", font}};
        controls::CandyButton* b = controls::CandyButton::Create(page, id, RECT{x, y, x + w, y + h}, &bag);
        if (!b) return b;
        if (picture && host_.icon)
            if (HICON icon = host_.icon(*picture, iconSize)) b->SetPicture(icon, IMAGE_ICON);
        return b;
    };

    // Device row.
    controls::CreateChild(page, "STATIC", "Device", WS_VISIBLE | SS_LEFT, IdLblDevice, 12, 17, 48, 18, host_.boldFont);
    controls::CreateChild(page, "COMBOBOX", "", WS_VISIBLE | CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, IdDriveList, 64, 12, W - 64 - 104,
              200, host_.font);
    CadrelArt::Picture reread = CadrelArt::Picture::Reread, eject = CadrelArt::Picture::Eject;
    button(IdCandyButton4, "", W - 94, 9, 40, 30, &reread);
    button(IdCandyButton7, "", W - 50, 9, 40, 30, &eject);

    // Track list.
    HWND list = controls::CreateChild(page, WC_LISTVIEWA, "", WS_VISIBLE | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SINGLESEL | WS_TABSTOP,
                          IdListView1, 12, 48, W - 22, 206, host_.font, WS_EX_CLIENTEDGE);
    ListView_SetExtendedListViewStyle(list, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    if (host_.images) ListView_SetImageList(list, host_.images, LVSIL_SMALL);

    // Selection button and the maker's links.
    button(IdCandyButton1, "Select All", 12, 262, 112, 30, nullptr);
    HWND product = controls::CreateChild(page, "STATIC", "Velmora Cadrel and Converter 1.0", WS_VISIBLE | SS_LEFT | SS_NOTIFY | SS_NOPREFIX,
                             IdLabel9, 140, 262, W - 140 - 140, 16, host_.boldFont);
    HWND address = controls::CreateChild(page, "STATIC", WebSite, WS_VISIBLE | SS_LEFT | SS_NOTIFY | SS_NOPREFIX, IdLabel11, 140, 278,
                             W - 140 - 140, 16, host_.font);
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
    HWND inner = controls::CreateChild(page, WC_TABCONTROLA, "", WS_VISIBLE | WS_CLIPSIBLINGS, IdXTab2, 12, tabTop, tabWidth, 128, host_.font);
    const char* innerNames[2] = {"Output", "DCP"};
    for (int i = 0; i < 2; ++i) {
        TCITEMA item{};
        item.mask = TCIF_TEXT | TCIF_STATE;
        item.pszText = const_cast<char*>(innerNames[i]);
        item.dwStateMask = TCIS_HIGHLIGHTED;
        ::SendMessageA(inner, TCM_INSERTITEMA, i, reinterpret_cast<LPARAM>(&item));
    }
    const int x0 = 24, y0 = tabTop + 32;
    controls::CreateChild(page, "STATIC", "Output format", WS_VISIBLE | SS_LEFT, IdLblOutFormat, x0, y0 + 4, 90, 18, host_.font);
    HWND format = controls::CreateChild(page, WC_COMBOBOXEXA, "", WS_VISIBLE | CBS_DROPDOWNLIST | WS_TABSTOP, IdCmbOutFormat, x0 + 92, y0,
                            96, 200, host_.font);
    if (host_.images) ::SendMessageA(format, CBEM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(host_.images));
    controls::CreateChild(page, "STATIC", "Bitrate", WS_VISIBLE | SS_LEFT, IdLblBitrate, x0 + 204, y0 + 4, 48, 18, host_.font);
    HWND bitrate = controls::CreateChild(page, "COMBOBOX", "", WS_VISIBLE | CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, IdCmbBitrate,
                             x0 + 254, y0, 64, 300, host_.font);
    for (uint32_t b : EncoderLists::Bitrates)
        ::SendMessageA(bitrate, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(std::to_string(b).c_str()));
    controls::CreateChild(page, "STATIC", "Quality", WS_VISIBLE | SS_LEFT, IdLblQuality, x0 + 332, y0 + 4, 48, 18, host_.font);
    HWND quality = controls::CreateChild(page, "COMBOBOX", "", WS_VISIBLE | CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, IdCmbQuality,
                             x0 + 382, y0, tabWidth - 382 - 24, 300, host_.font);
    for (const auto& q : EncoderLists::Qualities)
        ::SendMessageA(quality, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(std::string(q.text).c_str()));
    controls::CreateChild(page, "STATIC", "Output folder", WS_VISIBLE | SS_LEFT, IdLblOutPath, x0, y0 + 48, 90, 18, host_.font);
    controls::CreateChild(page, "EDIT", "", WS_VISIBLE | ES_AUTOHSCROLL | WS_TABSTOP, IdTxtOutPath, x0 + 92, y0 + 44, tabWidth - 92 - 24 - 52,
              24, host_.font, WS_EX_CLIENTEDGE);
    button(IdCandyButton2, "....", 12 + tabWidth - 12 - 44, y0 + 42, 44, 28, nullptr);
    ::SetWindowPos(inner, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);

    CadrelArt::Picture disc = CadrelArt::Picture::Disc;
    button(IdCandyButton3, "Rip CD", W - 188, tabTop + 20, 178, 92, &disc, "Tahoma,14,Bold", 40);
}

int CdTab::ListRows() const {
    return static_cast<int>(::SendMessageA(Control(IdListView1), LVM_GETITEMCOUNT, 0, 0));
}

bool CdTab::ListCheck(int row) const { return ListView_GetCheckState(Control(IdListView1), row) != 0; }

void CdTab::SetListCheck(int row, bool checked) {
    checkingFromCode_ = true;
    ListView_SetCheckState(Control(IdListView1), row, checked ? TRUE : FALSE);
    checkingFromCode_ = false;
}

void CdTab::DriveList_Click() {
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
            // A data track holds no audio: the list says so where an audio
            // track names its artist, and the rip leaves it out.
            const std::string artist =
                AkripRecords::IsDataTrack(modAKRip32::Toc, i) ? std::string(DataTrackText) : std::string("Unknown");
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

void CdTab::ListView1_ItemCheck() {
    const int rows = ListRows();
    for (int i = 0; i < rows && i < static_cast<int>(trackSelected_.size()); ++i) trackSelected_[i] = ListCheck(i);
}

void CdTab::CandyButton1_Click() {
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

void CdTab::CandyButton4_Click() {
    if (!jobRunning_) DriveList_Click();
}

void CdTab::CandyButton7_Click() {
    if (jobRunning_) return;
    SetStatus(1, CD_Library::OpenDoor() ? "CD drawer open." : "Could not open CD drawer.");
}

void CdTab::CandyButton2_Click() {
    SetOutputFolder(controls::BrowseForFolder());
}

void CdTab::Timer3_Timer() {
    // Never re-entered while a read (and its message box) is under way, and
    // never while a job holds the drive.
    if (readingDisc_ || jobRunning_) return;
    if (ListRows() == 0) DriveList_Click();
}

void CdTab::SetJobRunning(bool running) {
    jobRunning_ = running;
    for (int id : {IdCandyButton3, IdCandyButton4, IdCandyButton7})
        if (controls::CandyButton* b = Button(id)) b->SetEnabled(!running);
    // The drive stays as chosen, and so does the format: the job builds the
    // encoder's settings only when it starts as MP3.
    for (int id : {IdDriveList, IdCmbOutFormat}) ::EnableWindow(Control(id), running ? FALSE : TRUE);
}

void CdTab::CandyButton3_Click() {
    if (jobRunning_) return;
    modGeneral::RipCdInputs inputs;
    inputs.format = OutputFormatFromText(ComboText(IdCmbOutFormat));
    inputs.outputFolder = OutputFolder();
    inputs.bitrateText = ComboText(IdCmbBitrate);
    inputs.qualityIndex = static_cast<int>(::SendMessageA(Control(IdCmbQuality), CB_GETCURSEL, 0, 0));
    for (size_t i = 0; i < trackList_.size(); ++i)
        inputs.trackList.push_back({trackList_[i], i < trackSelected_.size() && trackSelected_[i]});
    inputs.toc = modAKRip32::Toc;
    inputs.cdHandle = modAKRip32::CdHandle;
    inputs.owner = host_.window;
    // Secure reading and the rip log are settings without controls of their own.
    inputs.secure = modSettings::LoadSecureRipWanted();
    inputs.proof = modSettings::LoadRipLogWanted();
    frmProgress progress(jobState_);
    MessageBoxNotice notice(host_.window);
    SetJobRunning(true);
    const modGeneral::RipCdReport report = modGeneral::RipCd(inputs, jobState_, progress, notice);
    if (!::IsWindow(host_.window)) return;
    SetJobRunning(false);
    if (inputs.proof && report.started) WriteRipLog(inputs, report, notice);
}

void CdTab::WriteRipLog(const modGeneral::RipCdInputs& inputs, const modGeneral::RipCdReport& report,
                        UserNotice& notice) {
    RipProofFiles::Request request;
    request.secure = inputs.secure;
    request.format = inputs.format;
    request.formatText = RipProofFiles::FormatText(inputs.format, inputs.bitrateText, inputs.qualityIndex);
    request.folder = inputs.outputFolder;
    request.drive = ComboText(IdDriveList);
    request.date = RipProofFiles::Now();
    request.toc = inputs.toc;
    const std::vector<std::string> failed =
        RipProofFiles::Write(inputs.outputFolder, RipProofFiles::Compose(request, report));
    for (const std::string& path : failed)
        notice.Show("The file " + path + " cannot be written (the disk may be full or the folder read-only).",
                    modGeneral::ApplicationTitle, NoticeIcon::Exclamation);
}

void CdTab::PrepareLists() {
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
    for (OutputFormat f : {OutputFormat::Mp3, OutputFormat::Wav}) {
        std::string text(OutputFormatText(f));
        COMBOBOXEXITEMA item{};
        item.mask = CBEIF_TEXT | CBEIF_IMAGE | CBEIF_SELECTEDIMAGE;
        item.iItem = -1;
        item.pszText = text.data();
        item.iImage = item.iSelectedImage = 12;
        ::SendMessageA(format, CBEM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    }
    ::SendMessageA(format, CB_SETCURSEL, 0, 0);
    // 4. and 8. Bitrate "160" and quality "Normal".
    ::SendMessageA(Control(IdCmbBitrate), CB_SETCURSEL, EncoderLists::DefaultBitrateIndex, 0);
    ::SendMessageA(Control(IdCmbQuality), CB_SETCURSEL, EncoderLists::DefaultQualityIndex, 0);
    // 5. Track list columns; the first two 1500 twips (100 pixels) wide.
    controls::AddListColumns(list, {{"Title", 100}, {"Artist", 100}, {"Start", 110}, {"Length", 110}});
}

void CdTab::ListDrivesAndReadDisc(const std::string& programFolder) {
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
    SetOutputFolder(programFolder);
    // 13.
    DriveList_Click();
}

bool CdTab::HandleCommand(WPARAM wp, LPARAM) {
    const int id = LOWORD(wp);
    const int code = HIWORD(wp);
    if (code == BN_CLICKED) {
        switch (id) {
        case IdCandyButton1: CandyButton1_Click(); return true;
        case IdCandyButton2: CandyButton2_Click(); return true;
        case IdCandyButton3: CandyButton3_Click(); return true;
        case IdCandyButton4: CandyButton4_Click(); return true;
        case IdCandyButton7: CandyButton7_Click(); return true;
        default: break;
        }
    }
    if (id == IdDriveList && code == CBN_SELCHANGE) {
        if (!jobRunning_) DriveList_Click();
        return true;
    }
    return false;
}

bool CdTab::HandleNotify(const NMHDR* hdr, LRESULT& result) {
    if (!hdr) return false;
    if (hdr->idFrom == static_cast<UINT_PTR>(IdXTab2) && hdr->code == TCN_SELCHANGING) {
        // "DCP" is present but disabled: the selection stays on "Output".
        result = TRUE;
        return true;
    }
    if (hdr->idFrom == static_cast<UINT_PTR>(IdListView1) && hdr->code == LVN_ITEMCHANGED) {
        const auto* change = reinterpret_cast<const NMLISTVIEW*>(hdr);
        if ((change->uChanged & LVIF_STATE) && ((change->uNewState ^ change->uOldState) & LVIS_STATEIMAGEMASK) &&
            !checkingFromCode_)
            ListView1_ItemCheck();
        result = 0;
        return true;
    }
    return false;
}

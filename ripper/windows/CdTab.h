// CdTab: the main window's "Audio CD Ripper" tab. It lists the library's
// drives in DriveList, reads the disc into the track list ListView1 (the
// hidden TrackList holds the rows the rip job reads, their selection
// mirroring the check boxes), keeps the rip settings (format, bitrate,
// quality, output folder) and runs the rip job from "Rip CD".
//
// The tab lives on a page of the main window and knows that window only
// through CdTabHost: the window forwards its WM_COMMAND and WM_NOTIFY here
// (HandleCommand, HandleNotify) and its Timer3 (Timer3_Timer). Every
// user-facing message is a message box owned by the main window.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "CadrelArt.h"
#include "CadrelIds.h"
#include "RipJobState.h"
#include "UserNotice.h"
#include "modGeneral.h"

namespace controls {
class CandyButton;
}  // namespace controls

struct CdTabHost {
    HWND window = nullptr;  // the main window: owner of messages and of the progress window
    HFONT font = nullptr;
    HFONT boldFont = nullptr;
    HIMAGELIST images = nullptr;  // small icons: 1 "media", 12 the format picture
    // Any control of the main window by its id (the hidden helpers included).
    std::function<HWND(int id)> control;
    std::function<void(int panel, const std::string& text)> setStatus;
    // An icon kept for the main window's life.
    std::function<HICON(CadrelArt::Picture picture, int size)> icon;
};

class CdTab : public CadrelIds {
public:
    // What the track list's "Artist" column shows for a data track.
    static constexpr const char* DataTrackText = "Data track";

    explicit CdTab(const CdTabHost& host);
    CdTab(const CdTab&) = delete;
    CdTab& operator=(const CdTab&) = delete;

    // Creates the tab's controls on `page`.
    void Create(HWND page);

    // ---- start-up: the steps of the main window's Form_Load that are the tab's --
    // Column headers cleared, the CD-ROM drive letters, the output formats,
    // bitrate and quality, the track list's columns.
    void PrepareLists();
    // The library's drives (the library lies in `programFolder`, already
    // current), the output folder, and the disc read once.
    void ListDrivesAndReadDisc(const std::string& programFolder);
    std::string OutputFolder() const;
    void SetOutputFolder(const std::string& folder);

    // ---- forwarded messages (true when handled) -------------------------------
    bool HandleCommand(WPARAM wp, LPARAM lp);
    bool HandleNotify(const NMHDR* hdr, LRESULT& result);

    // ---- handlers -------------------------------------------------------------
    void DriveList_Click();  // read the disc
    void ListView1_ItemCheck();
    void Timer3_Timer();
    void CandyButton1_Click();  // Select All / Select None
    void CandyButton2_Click();  // browse
    void CandyButton3_Click();  // Rip CD
    void CandyButton4_Click();  // re-read
    void CandyButton7_Click();  // drawer

    // ---- state ----------------------------------------------------------------
    const std::vector<std::string>& TrackListRows() const { return trackList_; }
    const std::vector<bool>& TrackListSelected() const { return trackSelected_; }
    bool JobRunning() const noexcept { return jobRunning_; }
    RipJobState& JobState() noexcept { return jobState_; }

private:
    HWND Control(int id) const;
    controls::CandyButton* Button(int id) const;
    void SetStatus(int panel, const std::string& text);
    void SetJobRunning(bool running);
    // Writes the rip log and the CUE sheet of a finished job into its folder.
    void WriteRipLog(const modGeneral::RipCdInputs& inputs, const modGeneral::RipCdReport& report, UserNotice& notice);
    void Message(const std::string& text, UINT icon);
    std::string ComboText(int id) const;
    void SetListCheck(int row, bool checked);
    bool ListCheck(int row) const;
    int ListRows() const;

    CdTabHost host_;
    HWND page_ = nullptr;
    RipJobState jobState_;
    std::vector<std::string> trackList_;
    std::vector<bool> trackSelected_;
    bool jobRunning_ = false;
    bool readingDisc_ = false;
    bool checkingFromCode_ = false;
};

// Cadrel: the program's main window, caption "Velmora Cadrel", with the tabs
// "Audio CD Ripper", "Audio Converter" and "About". It owns the frame's
// start-up (Form_Load), the settings kept between runs and the shutdown
// (Form_Unload); the CD tab's controls and handlers are in CadrelCdTab.cpp.
//
// Every user-facing message goes through a UserNotice, which in the program
// shows a message box owned by this window.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "GdiObjects.h"
#include "RipJobState.h"
#include "WindowObject.h"

namespace controls {
class CandyButton;
}  // namespace controls
class frmProgress;
class ConverterTab;

class Cadrel : public controls::WindowObject<Cadrel> {
public:
    // Control identifiers (the window's control names in comments).
    enum : int {
        IdTabs = 1000,       // the outer tab strip
        IdCdPage,            // the CD tab's page
        IdConverterPage,     // the converter tab's page
        IdAboutPage,         // the About tab's page
        IdDriveList,         // DriveList
        IdListView1,         // ListView1
        IdCandyButton1,      // Select All / Select None
        IdCandyButton2,      // "...." folder picker
        IdCandyButton3,      // "Rip CD"
        IdCandyButton4,      // re-read the disc
        IdCandyButton5,      // the maker's home page
        IdCandyButton6,      // page ?q=node/12
        IdCandyButton7,      // open the drawer
        IdCandyButton8,      // page ?q=node/8
        IdLabel9,            // product name with version
        IdLabel11,           // the maker's web address
        IdLabel7,            // About: the maker's name
        IdLabel10,           // About: the web address
        IdStatus,            // Status
        IdXTab2,             // the inner tab strip "Output" / "DCP"
        IdCmbOutFormat,      // cmboutformat
        IdCmbBitrate,        // cmbBitrate
        IdCmbQuality,        // cmbQuality
        IdTxtOutPath,        // txtOutPath
        IdCmbAction,         // cmbaction (hidden)
        IdText1,             // Text1 (hidden)
        IdListView3,         // the converter's file list
        IdLblDevice,
        IdLblOutFormat,
        IdLblBitrate,
        IdLblQuality,
        IdLblOutPath,
        IdAboutPicture,
        IdLabelProduct,
    };
    static constexpr UINT_PTR Timer1 = 1;  // borrowed by the converter instance AVC1
    static constexpr UINT_PTR Timer3 = 3;
    static constexpr UINT Timer3Interval = 1000;

    Cadrel();
    ~Cadrel() override;

    // Creates the window, runs Form_Load and shows it. False when the window
    // could not be made.
    bool Create(int showCommand);

    HWND Control(int id) const;
    controls::CandyButton* Button(int id) const;
    const std::vector<std::string>& TrackListRows() const { return trackList_; }
    const std::vector<bool>& TrackListSelected() const { return trackSelected_; }
    bool JobRunning() const noexcept { return jobRunning_; }
    RipJobState& JobState() noexcept { return jobState_; }
    // The converter tab (null until the window exists).
    ConverterTab* Converter() const noexcept { return converter_.get(); }

    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);

    // Handlers, in the order the window runs them.
    void Form_Load();
    void Form_Unload();
    void DriveList_Click();  // read the disc
    void ListView1_ItemCheck();
    void Timer3_Timer();
    void CandyButton1_Click();  // Select All / Select None
    void CandyButton2_Click();  // browse
    void CandyButton3_Click();  // Rip CD
    void CandyButton4_Click();  // re-read
    void CandyButton7_Click();  // drawer
    void OpenWebPage(const std::string& query);

    static const char* const WebSite;  // the maker's home page address

    // Shows tab `index` (0 CD, 1 converter, 2 About) as a click on it does.
    void ShowPage(int index);

private:
    void CreateFrame();
    void CreateCdTab(HWND page);
    void CreateConverterTab(HWND page);
    void CreateAboutTab(HWND page);
    void LayoutCdTab();
    void SetStatus(int panel, const std::string& text);
    void SetJobRunning(bool running);
    void Message(const std::string& text, UINT icon);
    std::string ControlText(int id) const;
    std::string ComboText(int id) const;
    void SetListCheck(int row, bool checked);
    bool ListCheck(int row) const;
    int ListRows() const;

    RipJobState jobState_;
    std::vector<std::string> trackList_;
    std::vector<bool> trackSelected_;
    std::vector<controls::CandyButton*> buttons_;
    HWND pages_[3] = {};
    win::unique_font font_;
    win::unique_font boldFont_;
    win::unique_font titleFont_;
    win::unique_imagelist images_;
    std::vector<win::unique_icon> icons_;
    bool jobRunning_ = false;
    bool readingDisc_ = false;
    bool checkingFromCode_ = false;
    bool unloaded_ = false;
    std::unique_ptr<ConverterTab> converter_;
};

// ConverterTab: the main window's "Audio Converter" tab. The user collects
// media files in ListView3 (the hidden List1 holds their paths, its
// selection mirroring the check boxes), chooses a format in Combo1 and an
// output folder in Text2, and "Convert Selected" runs the job: every checked
// file in turn through the converter instance AVC1, each waited for by
// pumping window messages while frmconverprogress shows that it runs.
//
// The tab lives on a page of the main window and knows that window only
// through ConverterHost: the window forwards its WM_TIMER, WM_COMMAND and
// WM_NOTIFY here (HandleTimer, HandleCommand, HandleNotify), and AVC1
// borrows the window's Timer1.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "ConversionJob.h"
#include "UserNotice.h"
#include "frmconverprogress.h"

class AVC;
namespace controls {
class CandyButton;
}  // namespace controls

struct ConverterHost {
    HWND window = nullptr;       // the main window, owner of Timer1 and of messages
    UINT_PTR timer1 = 1;         // the main window's Timer1
    HFONT font = nullptr;
    HFONT boldFont = nullptr;
    HIMAGELIST images = nullptr; // small icons; `mediaImage` is the one keyed "media"
    int mediaImage = 1;
    HWND label9 = nullptr;       // the main window's Label9, where converter errors show
    int listView3Id = 0;         // ListView3's control id
};

class ConverterTab {
public:
    enum : int {
        IdList1 = 1100,
        IdCandyButton9,   // "Add Files"
        IdCandyButton11,  // "Remove checked files"
        IdCandyButton15,  // "Select All" / "Select None"
        IdXTab3,          // "Video/Audio Converter" / "DSP"
        IdLblCombo1,
        IdCombo1,
        IdLblText2,
        IdText2,
        IdCandyButton12,  // "...."
        IdCandyButton14,  // "Convert Selected"
        IdCandyButton13,  // "Cancel"
    };
    static constexpr UINT Timer1Interval = 300;
    static constexpr const char* AddFilesFirst = "Please add files by clicking on ADD Files button.";
    static constexpr const char* SelectFilesFirst =
        "Please select the files to be converted by clicking on the checkboxex.";
    static constexpr const char* NoOutputFolder = "Please select the output directory.";

    explicit ConverterTab(const ConverterHost& host);
    ~ConverterTab();
    ConverterTab(const ConverterTab&) = delete;
    ConverterTab& operator=(const ConverterTab&) = delete;

    // Creates the tab's controls on `page` (ListView3 included).
    void Create(HWND page);

    // ---- start-up and shutdown ------------------------------------------------
    void CreateAVC1();
    void ReleaseAVC1();
    void FillFormatList();
    // Selects the list entry reading exactly `caption`; a caption the list
    // does not hold selects the default format.
    void SetFormatCaption(const std::string& caption);
    std::string FormatCaption() const;
    void SetOutputFolder(const std::string& folder);
    std::string OutputFolder() const;

    // ---- forwarded messages (true when handled) -------------------------------
    bool HandleTimer(UINT_PTR id);
    bool HandleCommand(WPARAM wp, LPARAM lp);
    bool HandleNotify(const NMHDR* hdr, LRESULT& result);

    // ---- handlers -------------------------------------------------------------
    void CandyButton9_Click();  // the open dialog, then AddFiles
    // Adds one row per full path, in order (the same file may come twice).
    void AddFiles(const std::vector<std::string>& paths);
    void CandyButton11_Click();  // remove checked files
    void CandyButton15_Click();  // Select All / Select None
    void ListView3_ItemCheck();
    void CandyButton12_Click();  // folder picker
    void ConvertSelected();      // "Convert Selected"
    void CandyButton13_Click();  // "Cancel"
    void RunConversionJob(const std::string& caption);

    // ---- state ------------------------------------------------------------------
    AVC* AVC1() const noexcept { return avc_.get(); }
    frmconverprogress& Progress() noexcept { return progress_; }
    bool JobRunning() const noexcept { return job_.Running(); }
    HWND Control(int id) const;
    controls::CandyButton* Button(int id) const;
    std::vector<std::string> List1Entries() const;
    std::vector<bool> List1Selected() const;
    int Rows() const;
    bool RowChecked(int row) const;
    // Checks or unchecks a row as a click on its box does (List1 follows).
    void SetRowChecked(int row, bool checked);

private:
    void Message(const std::string& text, UINT icon) const;
    bool EnsureOutputFolder(const std::string& folder);
    HWND ListView3() const;

    ConverterHost host_;
    HWND page_ = nullptr;
    std::unique_ptr<AVC> avc_;
    frmconverprogress progress_;
    MessageBoxNotice notice_;
    ConversionJob job_;
    bool checkingFromCode_ = false;
};

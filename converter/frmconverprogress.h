// frmconverprogress: the small modeless window shown while a conversion job
// runs. Label1 names the file being converted and reads "Conversion
// Complete" when a conversion has ended; lblStatus shows "Converting" while
// the converter runs; p1 moves every five seconds and shows no real
// percentage. CandyButton1 ("Cancel", "Close" after the first completed
// conversion) cancels the running converter and hides the window. The close
// box is disabled and a close request from the frame is refused.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "ConversionProgress.h"
#include "ProgressFrame.h"

namespace controls {
class XP_ProgressBar;
class CandyButton;
}  // namespace controls

class frmconverprogress : public ConversionProgress, public controls::ProgressFrame<frmconverprogress> {
public:
    static constexpr int IdLabel1 = 101;
    static constexpr int IdLblStatus = 102;
    static constexpr int IdP1 = 103;
    static constexpr int IdCandyButton1 = 104;
    static constexpr UINT_PTR Timer1 = 1;
    static constexpr UINT Timer1Interval = 5000;
    static constexpr const char* CompleteText = "Conversion Complete";

    frmconverprogress() = default;
    ~frmconverprogress() override;

    // Creates the window on first use, then shows it (modeless).
    void Show(HWND owner);
    void Hide();
    bool Visible() const noexcept { return hWnd() && ::IsWindowVisible(hWnd()); }

    void SetLabel1(const std::string& text);
    std::string Label1() const;
    void SetStatus(const std::string& text);
    std::string Status() const;
    void SetButtonCaption(const std::string& caption);
    std::string ButtonCaption() const;
    controls::XP_ProgressBar* p1() const noexcept { return p1_; }

    // ConversionProgress: Label1 reads "Processing " + the output name while
    // a file converts and "Conversion Complete" (the button "Close") when it
    // has ended; lblStatus reads "Converting" while the converter runs, or
    // the reason nothing was started.
    void FileStarted(const std::string& outputName) override;
    void Converting() override;
    void FileEnded() override;
    void FileFailed(const std::string& reason) override;
    void NotStarted(const std::string& reason) override;
    bool Shown() const override { return hWnd() != nullptr; }

    // The button's click: OnCancel, then the window hides.
    void CandyButton1_Click();
    // The bar's five-second step.
    void Timer1_Timer();

    std::function<void()> OnCancel;

    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);

private:
    void CreateControls();

    controls::XP_ProgressBar* p1_ = nullptr;
    controls::CandyButton* button_ = nullptr;
};

// frmProgress: the small window shown while one track is ripped. It shows
// the file being written, a drawn bar (picProgress1 framing picProgress2),
// the progress bar control p1 and the percentage as text, and a Cancel
// button, the only way to react: its close box is disabled when it loads and
// a close request from its frame is refused. Cancel only sets the job's two
// flags; the track routine that showed the window closes it.
#pragma once

#include <windows.h>

#include <string>

#include "RipJobState.h"
#include "RipProgress.h"
#include "ProgressFrame.h"

namespace controls {
class XP_ProgressBar;
class CandyButton;
}  // namespace controls

class frmProgress : public RipProgress, public controls::ProgressFrame<frmProgress> {
public:
    static constexpr int IdLblStatus = 101;
    static constexpr int IdPicProgress1 = 102;
    static constexpr int IdPicProgress2 = 103;
    static constexpr int IdP1 = 104;
    static constexpr int IdLabel1 = 105;
    static constexpr int IdCandyButton1 = 106;

    explicit frmProgress(RipJobState& state) : state_(state) {}
    ~frmProgress() override;

    // RipProgress
    void Show(HWND owner) override;
    void ChangeProgress(const std::string& text, float done, float total) override;
    void Close() override;

    // The Cancel button's click: the job state becomes Stop and CancelRip
    // is set; the window stays open.
    void Cancel();

    bool IsOpen() const noexcept { return hWnd() != nullptr; }
    controls::XP_ProgressBar* p1() const noexcept { return p1_; }
    int PicProgress2Width() const;
    int PicProgress1InnerWidth() const;

    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);

private:
    void CreateControls();
    void Layout();

    RipJobState& state_;
    controls::XP_ProgressBar* p1_ = nullptr;
    controls::CandyButton* cancel_ = nullptr;
};

// The rip job's shared flags. One instance exists per program run; the rip
// job owns it, the progress window's Cancel writes it.
//
// JobState is the job state text ("START" while the job may go on, "STOP"
// after Cancel); the main window mirrors it in its hidden field Text1 through
// OnJobStateChanged. CancelRip is cleared by every track routine when it
// starts and set by Cancel.
#pragma once

#include <functional>
#include <string>
#include <utility>

class RipJobState {
public:
    const std::string& JobState() const noexcept { return jobState_; }
    void SetJobState(std::string text) {
        jobState_ = std::move(text);
        if (OnJobStateChanged) OnJobStateChanged(jobState_);
    }
    bool CancelRip() const noexcept { return cancelRip_; }
    void SetCancelRip(bool value) noexcept { cancelRip_ = value; }

    // What Cancel in the progress window does.
    void Cancel() {
        SetJobState("STOP");
        SetCancelRip(true);
    }

    std::function<void(const std::string&)> OnJobStateChanged;

private:
    std::string jobState_;
    bool cancelRip_ = false;
};

// The rip job's shared flags. One instance exists per program run; the rip
// job owns it, the progress window's Cancel writes it.
//
// JobState is Start while the job may go on and Stop after Cancel (Idle
// before any job began); the main window mirrors it as text ("START",
// "STOP") in its hidden field Text1 through OnJobStateChanged. CancelRip is
// cleared by every track routine when it starts and set by Cancel.
#pragma once

#include <functional>
#include <string_view>

class RipJobState {
public:
    enum class State { Idle, Start, Stop };

    State JobState() const noexcept { return jobState_; }
    void SetJobState(State state) {
        jobState_ = state;
        if (OnJobStateChanged) OnJobStateChanged(jobState_);
    }
    bool CancelRip() const noexcept { return cancelRip_; }
    void SetCancelRip(bool value) noexcept { cancelRip_ = value; }

    // What Cancel in the progress window does.
    void Cancel() {
        SetJobState(State::Stop);
        SetCancelRip(true);
    }

    std::function<void(State)> OnJobStateChanged;

private:
    State jobState_ = State::Idle;
    bool cancelRip_ = false;
};

// The job state as the main window shows it: "" before any job, "START",
// "STOP".
constexpr std::string_view JobStateText(RipJobState::State state) {
    switch (state) {
    case RipJobState::State::Start: return "START";
    case RipJobState::State::Stop: return "STOP";
    case RipJobState::State::Idle: break;
    }
    return "";
}

// The engine's questions (user-dialog request codes) and how a client's
// answer becomes the engine's response code.
#pragma once

#include <cstdint>
#include <optional>

namespace vexo::questions {

// Request codes of the user-dialog callback.
enum Request : int32_t {
    kDisconnect = 2,
    kDisconnectRestart = 6,
    kAutoInsert = 7,
    kRestart = 10,
    kAutoInsertRestart = 11,
    kSettingsRestart = 12,
    kOverburn = 13,
    kAudioProblems = 14,
    kWaitCD = 15,
    kWaitCDReminder = 16,
    kWaitCDDone = 17,
    kCopyQualityLoss = 18,
    kCopyFullRisk = 19,
    kFileSelImage = 20,
    kNonEmptyCDRW = 22,
    kWaitCDMediaInfo = 28,
    kDlgMessageBox = 29,
    kTempSpace = 30,
};

inline constexpr int32_t kNotHandled = -1;

// The value the [in,out] response argument carries into the event of a
// request, or nothing for requests whose event has no response argument.
// `data` is the request data as a number (request 14 is decided by it).
std::optional<int32_t> PresetResponse(int32_t request, intptr_t data);

// The response given back to the engine for the client's answer: kept when
// it is one of the answers the request accepts, else the preset.
int32_t KeptResponse(int32_t request, intptr_t data, int32_t answer);

// The engine's response when no client answered (no sink, no current
// engine object aside): the preset where there is one, else the fixed
// result of the request.
int32_t UnansweredResponse(int32_t request, intptr_t data);

}  // namespace vexo::questions

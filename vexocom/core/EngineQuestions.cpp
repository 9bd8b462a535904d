#include "EngineQuestions.h"

#include <initializer_list>

namespace vexo::questions {
namespace {

bool In(int32_t v, std::initializer_list<int32_t> list) {
    for (int32_t x : list)
        if (x == v) return true;
    return false;
}

bool NoTrackFound(intptr_t data) { return (data & 0x20) != 0; }

}  // namespace

std::optional<int32_t> PresetResponse(int32_t request, intptr_t data) {
    switch (request) {
    case kDisconnect: return 5;
    case kDisconnectRestart: return 4;
    case kAutoInsert: return 5;
    case kSettingsRestart: return 5;
    case kOverburn: return 0;
    case kAudioProblems:
        if (NoTrackFound(data) || data == -1) return std::nullopt;
        return 1;
    case kCopyQualityLoss: return 1;
    case kCopyFullRisk: return 0;
    case kNonEmptyCDRW: return 0;
    case kDlgMessageBox: return -1;
    default: return std::nullopt;
    }
}

int32_t KeptResponse(int32_t request, intptr_t data, int32_t answer) {
    std::optional<int32_t> preset = PresetResponse(request, data);
    if (!preset) return UnansweredResponse(request, data);
    bool kept = false;
    switch (request) {
    case kDisconnect: kept = In(answer, {3, 4, 5}); break;
    case kDisconnectRestart: kept = In(answer, {3, 4}); break;
    case kAutoInsert: kept = In(answer, {0, 5, 8, 9}); break;
    case kSettingsRestart: kept = In(answer, {4, 5}); break;
    case kOverburn:
    case kAudioProblems:
    case kCopyQualityLoss:
    case kCopyFullRisk: kept = In(answer, {0, 1}); break;
    case kNonEmptyCDRW: kept = In(answer, {4, 5}); break;
    case kDlgMessageBox: kept = true; break;
    default: break;
    }
    return kept ? answer : *preset;
}

int32_t UnansweredResponse(int32_t request, intptr_t data) {
    if (std::optional<int32_t> preset = PresetResponse(request, data)) return *preset;
    switch (request) {
    case kAudioProblems: return 0;   // no track found, or fatal: 0
    case kFileSelImage: return 0;    // an empty file name
    case kTempSpace: return 1;       // the directory is kept
    default: return kNotHandled;
    }
}

}  // namespace vexo::questions

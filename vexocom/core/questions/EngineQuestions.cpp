#include "questions/EngineQuestions.h"

#include <cstring>
#include <initializer_list>

namespace vexo::questions {
namespace {

bool In(int32_t v, std::initializer_list<int32_t> list) {
    for (int32_t x : list)
        if (x == v) return true;
    return false;
}

}  // namespace

AudioProblem ClassifyAudioProblem(intptr_t data) noexcept {
    // -1 has every bit set, 0x20 among them: it is tested first so that the
    // fatal error is told apart from "no track found".
    if (data == -1) return AudioProblem::kMegaFatal;
    if ((data & 0x20) != 0) return AudioProblem::kNoTrackFound;
    return AudioProblem::kProblems;
}

Events EventsFor(int32_t request, intptr_t data) {
    switch (request) {
    case kDisconnect: return {kOnDisconnect};
    case kDisconnectRestart: return {kOnDisconnectRestart};
    case kAutoInsert: return {kOnAutoInsert};
    case kRestart: return {kOnRestart};
    case kAutoInsertRestart: return {kOnAutoInsertRestart};
    case kSettingsRestart: return {kOnSettingsRestart};
    case kOverburn: return {kOnOverburn, data ? kOnOverburn2 : kNoEvent};
    case kAudioProblems:
        switch (ClassifyAudioProblem(data)) {
        case AudioProblem::kMegaFatal: return {kOnMegaFatal};
        case AudioProblem::kNoTrackFound: return {kOnNoTrackFound};
        case AudioProblem::kProblems: return {kOnAudioProblems};
        }
        return {};
    case kWaitCD: return {kOnWaitCD};
    case kWaitCDReminder: return {kOnWaitCDReminder};
    case kWaitCDDone: return {kOnWaitCDDone};
    case kCopyQualityLoss: return {kOnCopyQualityLoss};
    case kCopyFullRisk: return {kOnCopyFullRisk};
    // The record requests have nothing to show or nowhere to answer
    // without their record.
    case kFileSelImage: return data ? Events{kOnFileSelImage} : Events{};
    case kNonEmptyCDRW: return {kOnNonEmptyCDRW};
    case kWaitCDMediaInfo: return data ? Events{kOnWaitCDMediaInfo} : Events{};
    case kDlgMessageBox: return data ? Events{kOnDlgMessageBox} : Events{};
    case kTempSpace: return data ? Events{kOnTempSpace} : Events{};
    default: return {};
    }
}

std::optional<int32_t> PresetResponse(int32_t request, intptr_t data) {
    switch (request) {
    case kDisconnect: return 5;
    case kDisconnectRestart: return 4;
    case kAutoInsert: return 5;
    case kSettingsRestart: return 5;
    case kOverburn: return 0;
    case kAudioProblems:
        if (ClassifyAudioProblem(data) != AudioProblem::kProblems) return std::nullopt;
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
    case kAudioProblems: return 0;  // no track found, or fatal
    case kFileSelImage: return FileSelImageResponse(true);  // no name, or no buffer for one
    case kTempSpace: return data ? kTempSpaceResponse : kNotHandled;
    default: return kNotHandled;
    }
}

std::size_t CopyAnswer(std::span<char> buffer, std::string_view answer, bool zeroFill) noexcept {
    if (buffer.empty()) return 0;
    std::size_t n = answer.size() < buffer.size() - 1 ? answer.size() : buffer.size() - 1;
    if (zeroFill) std::memset(buffer.data(), 0, buffer.size());
    if (n) std::memcpy(buffer.data(), answer.data(), n);
    buffer[n] = '\0';
    return n;
}

MessageBoxFields ReadMessageBox(rec::ConstBytes record) {
    namespace R = MessageBoxRecord;
    return {rec::ReadI32(record, R::Type), rec::ReadI32(record, R::Icon), rec::ReadI32(record, R::Response),
            rec::ReadPointerAs<const char>(record, R::Text)};
}

MediaInfoFields ReadMediaInfo(rec::ConstBytes record) {
    namespace R = MediaInfoRecord;
    return {rec::ReadI32(record, R::LastMedia), rec::ReadI32(record, R::RequestedMedia),
            rec::ReadPointerAs<const char>(record, R::LastMediaName),
            rec::ReadPointerAs<const char>(record, R::RequestedMediaName)};
}

TempSpaceFields ReadTempSpace(rec::ConstBytes record) {
    namespace R = TempSpaceRecord;
    TempSpaceFields f;
    f.currentDirectory = rec::ReadPointerAs<const char>(record, R::CurrentDirectory);
    f.freeLo = rec::ReadI32(record, R::FreeLo);
    f.freeHi = rec::ReadI32(record, R::FreeHi);
    f.neededLo = rec::ReadI32(record, R::NeededLo);
    f.neededHi = rec::ReadI32(record, R::NeededHi);
    f.buffer = rec::ReadPointerAs<char>(record, R::Buffer);
    f.bufferSize = rec::ReadI32(record, R::BufferSize);
    return f;
}

}  // namespace vexo::questions

// The engine's questions (user-dialog request codes): which events of
// _IVexoEvents a request fires, how a client's answer becomes the engine's
// response code, the layouts of the request records and the bounded copies
// of text answers into the engine's buffers. No COM here: the callback in
// Vexo.cpp does the firing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "EngineRecords.h"

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

// Dispatch ids of the _IVexoEvents events the questions fire.
enum Event : int32_t {
    kNoEvent = 0,
    kOnAutoInsert = 1,
    kOnDisconnectRestart = 2,
    kOnDisconnect = 3,
    kOnAutoInsertRestart = 4,
    kOnRestart = 5,
    kOnSettingsRestart = 6,
    kOnOverburn = 7,
    kOnCopyQualityLoss = 8,
    kOnCopyFullRisk = 9,
    kOnNoTrackFound = 10,
    kOnMegaFatal = 11,
    kOnWaitCD = 12,
    kOnWaitCDReminder = 13,
    kOnWaitCDDone = 14,
    kOnAudioProblems = 15,
    kOnFileSelImage = 16,
    kOnNonEmptyCDRW = 17,
    kOnWaitCDMediaInfo = 18,
    kOnOverburn2 = 20,
    kOnDlgMessageBox = 21,
    kOnTempSpace = 22,
};

// The events a request fires, in order (at most two; kNoEvent for none).
// `data` is the request data as a number: request 14 is decided by it, and
// the record requests fire nothing (or, for 13, only the first event) when
// it is null.
struct Events {
    Event first = kNoEvent;
    Event second = kNoEvent;
    bool operator==(const Events&) const = default;
};
Events EventsFor(int32_t request, intptr_t data);

// Request 14 with data -1 is the fatal error; every other value with bit
// 0x20 is "no track found"; the rest are audio problems.
enum class AudioProblem { kNoTrackFound, kMegaFatal, kProblems };
AudioProblem ClassifyAudioProblem(intptr_t data) noexcept;

// The value the [in,out] response argument carries into the event of a
// request, or nothing for requests whose event has no response argument.
std::optional<int32_t> PresetResponse(int32_t request, intptr_t data);

// The response given back to the engine for the client's answer: kept when
// it is one of the answers the request accepts, else the preset; requests
// without a response argument give their fixed result.
int32_t KeptResponse(int32_t request, intptr_t data, int32_t answer);

// The engine's response when no client answered (no sink): the preset
// where there is one, else the fixed result of the request.
int32_t UnansweredResponse(int32_t request, intptr_t data);

// Request 20: 0 for an empty file name, else 5 (continue).
constexpr int32_t FileSelImageResponse(bool answerEmpty) noexcept { return answerEmpty ? 0 : 5; }
inline constexpr std::size_t kFileSelImageBufferSize = 260;
// Request 30: the answer is taken.
inline constexpr int32_t kTempSpaceResponse = 1;

// Copies `answer` into `buffer`: at most buffer.size() - 1 characters and a
// terminating zero; with `zeroFill` every byte after the text is zero too.
// An empty buffer is left alone. Returns the number of characters copied.
std::size_t CopyAnswer(std::span<char> buffer, std::string_view answer, bool zeroFill) noexcept;

// ---- request records (the engine's 32-bit layouts) -------------------------

namespace rec = ::EngineRecords;

// Request 13: the overburn record.
namespace OverburnRecord {
inline constexpr std::size_t TotalBlocksOnCD = 0;
inline constexpr std::size_t TotalCapacity = 4;
inline constexpr std::size_t Size = 136;
}  // namespace OverburnRecord

// Request 29: the message-box record; the server keeps its first four fields.
namespace MessageBoxRecord {
inline constexpr std::size_t Type = 0;      // VEXODLG_MESSAGE_TYPE
inline constexpr std::size_t Icon = 4;      // VEXODLG_ICON_TYPE
inline constexpr std::size_t Response = 8;  // the default response
inline constexpr std::size_t Text = rec::AlignUp(12, rec::kPointerSize);  // ANSI text pointer, the engine's
inline constexpr std::size_t KeptSize = Text + rec::kPointerSize;
}  // namespace MessageBoxRecord

// Request 28: the media the engine found and the one it wants.
namespace MediaInfoRecord {
inline constexpr std::size_t Reserved = 0;
inline constexpr std::size_t LastMedia = 4;
inline constexpr std::size_t RequestedMedia = 8;
inline constexpr std::size_t LastMediaName = rec::AlignUp(12, rec::kPointerSize);  // ANSI text pointer
inline constexpr std::size_t RequestedMediaName = LastMediaName + rec::kPointerSize;
inline constexpr std::size_t Size = RequestedMediaName + rec::kPointerSize;
}  // namespace MediaInfoRecord

// Request 30: the temporary directory is short of space.
namespace TempSpaceRecord {
inline constexpr std::size_t CurrentDirectory = 0;  // ANSI text pointer
inline constexpr std::size_t Reserved = rec::kPointerSize;
inline constexpr std::size_t FreeLo = Reserved + 4;
inline constexpr std::size_t FreeHi = FreeLo + 4;
inline constexpr std::size_t NeededLo = FreeHi + 4;
inline constexpr std::size_t NeededHi = NeededLo + 4;
inline constexpr std::size_t Buffer = rec::AlignUp(NeededHi + 4, rec::kPointerSize);  // output buffer pointer
inline constexpr std::size_t BufferSize = Buffer + rec::kPointerSize;
inline constexpr std::size_t Size = BufferSize + 4;
}  // namespace TempSpaceRecord

// What the message-box argument object keeps of the record.
struct MessageBoxFields {
    int32_t type = 0, icon = 0, response = 0;
    const char* text = nullptr;
};
MessageBoxFields ReadMessageBox(rec::ConstBytes record);

struct MediaInfoFields {
    int32_t lastMedia = 0, requestedMedia = 0;
    const char* lastName = nullptr;
    const char* requestedName = nullptr;
};
MediaInfoFields ReadMediaInfo(rec::ConstBytes record);

struct TempSpaceFields {
    const char* currentDirectory = nullptr;
    int32_t freeLo = 0, freeHi = 0, neededLo = 0, neededHi = 0;
    char* buffer = nullptr;
    int32_t bufferSize = 0;
    // Nothing can be asked without a directory, and nothing answered
    // without a buffer with room for at least the terminator.
    bool Usable() const noexcept { return currentDirectory && buffer && bufferSize > 0; }
};
TempSpaceFields ReadTempSpace(rec::ConstBytes record);

}  // namespace vexo::questions

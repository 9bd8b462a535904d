// The drive operations' own record layouts and small rules, apart from the
// COM glue: the image record of an image burn, the audio-extraction target,
// the engine's speed record, the erasing-time answers and the device-option
// value types.
#pragma once

#include <wtypes.h>

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "EngineRecords.h"

namespace DriveRecords {

namespace rec = EngineRecords;

// Image record (compilation type 2): an empty name buffer, the image file
// name (ANSI pointer) and the media type.
namespace ImageRecord {
inline constexpr std::size_t NameBuffer = 0;
inline constexpr std::size_t NameBufferSize = 252;
inline constexpr std::size_t ImageFile = rec::AlignUp(NameBuffer + NameBufferSize, rec::kPointerSize);
inline constexpr std::size_t MediaType = ImageFile + rec::kPointerSize;
inline constexpr std::size_t Size = rec::AlignUp(MediaType + 4, rec::kPointerSize);
inline constexpr int32_t kCompilationType = 2;
}  // namespace ImageRecord

// A zero-filled image record naming `imageFile` (which must outlive it).
std::vector<uint8_t> MakeImageRecord(const char* imageFile, uint32_t mediaType);

// The longest file name an extraction accepts (characters); longer ones are
// refused before anything starts.
inline constexpr std::size_t kDaeFileNameMax = 255;
constexpr bool DaeFileNameFits(std::size_t characters) noexcept { return characters <= kDaeFileNameMax; }

// Target record of an extraction into a file: kind 0 and the name (at most
// 255 characters, zero-terminated).
std::vector<uint8_t> MakeDaeFileTarget(std::string_view fileName);
// Target record of an extraction through the write callback: kind 1, the
// user data and the callback.
template <class Fn>
std::vector<uint8_t> MakeDaeCallbackTarget(const void* userData, Fn callback) {
    std::vector<uint8_t> r(rec::DaeTarget::Size, 0);
    rec::Bytes b(r.data(), r.size());
    rec::WriteU32(b, rec::DaeTarget::Kind, rec::DaeTarget::kKindCallback);
    rec::WritePointer(b, rec::DaeTarget::UserData, userData);
    rec::WriteCallback(b, rec::DaeTarget::WriteCallback, callback);
    return r;
}

// The speeds of an engine speed record (count, base speed, count speeds);
// the count is capped at kMaxAvailableSpeeds.
inline constexpr uint32_t kMaxAvailableSpeeds = 256;
rec::SpeedList ReadAvailableSpeeds(const uint8_t* record);

// The error id of an erasing-time answer: -1 no rewritable disc (517), -2 the
// drive cannot erase (518), -3 the disc is not rewritable (534); 0 for a time.
UINT ErasingTimeError(int32_t seconds) noexcept;

// The VARIANT type a device option's value is converted to: VT_BOOL for
// options 0 and 2, VT_I4 for 1 and 3, VT_EMPTY for an unknown option.
VARTYPE DeviceOptionType(int32_t option) noexcept;

// The number of 16-bit samples handed to the client for a write-callback
// buffer of `byteCount` bytes (an odd last byte is not handed on); 0 for a
// count that is not positive.
constexpr uint32_t DaeSampleCount(int32_t byteCount) noexcept {
    return byteCount > 0 ? static_cast<uint32_t>(byteCount) / 2 : 0;
}

}  // namespace DriveRecords

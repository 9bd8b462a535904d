// What the simulated engine hands out and what it checks, as pure byte
// work: drive lists, disc information, texts, and the fixed fields of the
// records the burn calls receive.
#pragma once

#include "SimConfig.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace vexosim {

// A 32-bit count followed by one drive entry per listed device. With
// filtering on, a device is listed when it reads or writes a media type of
// the mask (mask 0 lists all).
std::vector<std::uint8_t> BuildDriveList(const std::vector<DeviceConfig>& devices, std::uint32_t mediaMask, bool filter);
void WriteDriveEntry(std::uint8_t* entry, const DeviceConfig& device, std::uint32_t index);
// The device index written into an entry by WriteDriveEntry, or -1 when the
// entry did not come from this engine.
std::int32_t DeviceIndexOfEntry(const std::uint8_t* entry);

std::vector<std::uint8_t> BuildDiscInfo(const ImageConfig& image);
// The disc in a drive as VexoGetCDInfo reads it: artist and title texts
// only with flag 1 (read CD text), the ISRCs only with flag 2.
std::vector<std::uint8_t> BuildDriveDiscInfo(const ImageConfig& disc, std::uint32_t flags);
inline constexpr std::uint32_t CdInfoReadCdText = 1;
inline constexpr std::uint32_t CdInfoReadIsrc = 2;

// The creation time of a session as the nine fields of a C struct tm: sec,
// min, hour, mday, mon (0-11), year (since 1900), wday (0 = Sunday), yday
// (0-365), isdst (0).
std::array<std::int32_t, 9> TmFields(const VmsSession& session);
// The virtual-multisession record: 136 + 424 x sessions bytes, exactly.
std::vector<std::uint8_t> BuildVmsRecord(const VmsConfig& vms);

// Count, base speed, then the speeds (at most 64).
std::vector<std::uint8_t> BuildSpeedRecord(const SpeedList& list);

// The audio of every simulated disc: sample pair i (0..587) of block b.
struct SamplePair {
    std::int16_t left;
    std::int16_t right;
};
SamplePair DaeSample(std::int64_t block, std::int32_t pair);
// Fills blocks * 2352 bytes with the audio from startBlock on: stereo,
// 16-bit little-endian, left first.
void FillDaeAudio(std::uint8_t* out, std::int64_t startBlock, std::size_t blocks);
// The 44-byte header of a 44100 Hz 16-bit stereo PCM WAV file holding
// dataBytes of samples.
std::vector<std::uint8_t> WavHeader(std::uint32_t dataBytes);
// An image matches by its whole name or by its file name alone, without
// regard to case.
const ImageConfig* FindImage(const std::vector<ImageConfig>& images, const std::string& name);

// The engine's texts for the wait-for-disc codes 0..26; other codes get
// the text of 26.
std::string WaitCDText(std::int32_t code);
std::string MediaTypeName(std::int32_t type, const std::map<std::int32_t, std::string>& names);

// The newest COUNT error lines (all with flag 1), oldest first, one per line.
std::string JoinErrors(const std::vector<std::string>& errors, std::int32_t count, std::int32_t flags);

// Fixed-field checks; each returns an empty text when the record is right,
// else what is wrong.
std::string CheckBurnRecord(std::int32_t compilationType, const std::uint8_t* record);
std::string CheckBurnAtOnceRecord(const std::uint8_t* record);
std::string CheckEstimateOptions(const std::uint8_t* record);
std::string CheckInitRecord(const std::uint8_t* record);

}  // namespace vexosim

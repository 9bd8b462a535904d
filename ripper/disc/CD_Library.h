// CD_Library: the platform's MCI audio-CD device, driven with text commands
// through mciSendStringA under the alias "cdr". It gives the disc's total
// length, the track count and lengths for display, and opens the drawer; it
// never reads audio. Failures show only in the results; nothing here raises.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "DiscState.h"

namespace CD_Library {

// Texts the display operations return instead of a time.
inline constexpr std::string_view DeviceNotOpenText = "device_not_open";
inline constexpr std::string_view NoDiscPresentText = "no_disc_present";
inline constexpr std::string_view NoTracksText = "no_tracks";

// Characters of the reply buffer of every status query.
constexpr unsigned ReplyBufferLength = 30;

// True while the MCI device is open (set from the open command's result; held
// by DiscState).
inline bool& DeviceOpen = TheDisc.deviceOpen;

// Closes the device, then opens the root of the drive whose letter is the
// first character of driveText ("open X:\ Type cdaudio alias cdr wait
// shareable") and sets the time format to tracks/minutes/seconds/frames. True when the open succeeded.
// An empty driveText opens nothing and gives false.
bool OpenCD(std::string_view driveText);

// Clears DeviceOpen and sends "close cdr"; true when MCI accepted it.
bool CloseCD();

// False when the device is not open; else the "media present" status.
bool IsMediaPresent();

// 0 without media; else the first two characters of the track count reply
// as a number (leading digits only; 0 when there are none).
int16_t GetTrackCount();

// "device_not_open", "no_disc_present", or the disc length reply.
std::string GetTotalLength();

// "device_not_open", "no_tracks", or the first 8 characters of the length
// reply for track n (mm:ss:ff).
std::string GetTrackLength(int n);

// False when the device is not open (nothing is sent); else asks the drive
// to open its drawer without waiting and returns true.
bool OpenDoor();

// --- Reply parsing (no MCI involved) -----------------------------------------

// The reply text up to its first NUL, within the buffer's length.
std::string ReplyText(const char* buffer, std::size_t length);

// A boolean status reply: "true" in any letter case, or a non-zero number.
bool ReplyAsBoolean(std::string_view reply);

// The number the first two characters of a reply begin with (0 when they do
// not begin with a digit); "1" + NUL gives 1, "12" gives 12, "ab" gives 0.
int16_t LeadingTwoDigits(std::string_view reply);

}  // namespace CD_Library

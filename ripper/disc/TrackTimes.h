// TrackTimes: the times of the CD tab's track list. The Start column is the
// previous row's Start plus its Length, both "mm:ss:ff" (75 frames a second);
// the first row starts at "00:02:00", the two-second lead-in.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace TrackTimes {

inline constexpr std::string_view FirstStart = "00:02:00";

struct Msf {
    uint32_t minutes = 0, seconds = 0, frames = 0;
};

// "mm:ss:ff" (each part one or more digits) as its three numbers; any other
// text (a device message such as "no_tracks") gives nothing.
std::optional<Msf> ParseMsf(std::string_view text);

// Field by field: frames of 75 or more carry a second, seconds above 59
// carry a minute; each part written with at least two digits.
std::string FormatMsf(const Msf& t);
std::optional<std::string> AddTimes(std::string_view start, std::string_view length);

// The time of a frame address counted from the start of the disc's audio
// (frame 0 shows as "00:02:00").
std::string AddressTime(uint32_t lba);

// The characters of every non-zero byte, in order; zero bytes are skipped.
std::string BytesToString(const uint8_t* bytes, std::size_t count);

}  // namespace TrackTimes

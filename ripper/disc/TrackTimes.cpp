#include "TrackTimes.h"

#include <cstdio>

namespace TrackTimes {

std::optional<Msf> ParseMsf(std::string_view text) {
    uint32_t parts[3] = {0, 0, 0};
    int part = 0;
    bool digits = false;
    for (char c : text) {
        if (c == ':') {
            if (!digits || part == 2) return std::nullopt;
            ++part;
            digits = false;
        } else if (c >= '0' && c <= '9') {
            if (parts[part] > 100000) return std::nullopt;
            parts[part] = parts[part] * 10 + static_cast<uint32_t>(c - '0');
            digits = true;
        } else {
            return std::nullopt;
        }
    }
    if (part != 2 || !digits) return std::nullopt;
    return Msf{parts[0], parts[1], parts[2]};
}

std::string FormatMsf(const Msf& t) {
    char buf[48];
    std::snprintf(buf, sizeof buf, "%02u:%02u:%02u", static_cast<unsigned>(t.minutes),
                  static_cast<unsigned>(t.seconds), static_cast<unsigned>(t.frames));
    return buf;
}

std::optional<std::string> AddTimes(std::string_view start, std::string_view length) {
    auto a = ParseMsf(start);
    auto b = ParseMsf(length);
    if (!a || !b) return std::nullopt;
    Msf sum{a->minutes + b->minutes, a->seconds + b->seconds, a->frames + b->frames};
    if (sum.frames >= 75) {
        sum.frames -= 75;
        sum.seconds += 1;
    }
    if (sum.seconds > 59) {
        sum.seconds -= 60;
        sum.minutes += 1;
    }
    return FormatMsf(sum);
}

std::string AddressTime(uint32_t lba) {
    const uint64_t f = static_cast<uint64_t>(lba) + 150;
    return FormatMsf(Msf{static_cast<uint32_t>(f / (75 * 60)), static_cast<uint32_t>(f / 75 % 60),
                         static_cast<uint32_t>(f % 75)});
}

std::string BytesToString(const uint8_t* bytes, std::size_t count) {
    std::string out;
    if (!bytes) return out;
    for (std::size_t i = 0; i < count; ++i)
        if (bytes[i] != 0) out.push_back(static_cast<char>(bytes[i]));
    return out;
}

}  // namespace TrackTimes

#include "Encoding.h"
#include <algorithm>
#include <cstdio>
#include <cstring>

namespace iso9660::enc {

void PutLE16(std::uint8_t* p, std::uint16_t v) { p[0] = v & 0xFF; p[1] = v >> 8; }
void PutBE16(std::uint8_t* p, std::uint16_t v) { p[0] = v >> 8; p[1] = v & 0xFF; }
void PutLE32(std::uint8_t* p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
void PutBE32(std::uint8_t* p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[3 - i] = static_cast<std::uint8_t>(v >> (8 * i));
}
void PutBoth16(std::uint8_t* p, std::uint16_t v) { PutLE16(p, v); PutBE16(p + 2, v); }
void PutBoth32(std::uint8_t* p, std::uint32_t v) { PutLE32(p, v); PutBE32(p + 4, v); }
std::uint16_t GetLE16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t GetLE32(const std::uint8_t* p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::uint32_t GetBE32(const std::uint8_t* p)
{
    return p[3] | (p[2] << 8) | (p[1] << 16) | (static_cast<std::uint32_t>(p[0]) << 24);
}

std::optional<std::u32string> DecodeUtf8(std::string_view text)
{
    std::u32string out;
    std::size_t i = 0;
    while (i < text.size()) {
        auto b = static_cast<unsigned char>(text[i]);
        int extra;
        char32_t c, min;
        if (b < 0x80) { c = b; extra = 0; min = 0; }
        else if ((b & 0xE0) == 0xC0) { c = b & 0x1F; extra = 1; min = 0x80; }
        else if ((b & 0xF0) == 0xE0) { c = b & 0x0F; extra = 2; min = 0x800; }
        else if ((b & 0xF8) == 0xF0) { c = b & 0x07; extra = 3; min = 0x10000; }
        else return std::nullopt;
        if (i + static_cast<std::size_t>(extra) >= text.size())
            return std::nullopt;
        for (int k = 1; k <= extra; ++k) {
            auto n = static_cast<unsigned char>(text[i + k]);
            if ((n & 0xC0) != 0x80)
                return std::nullopt;
            c = (c << 6) | (n & 0x3F);
        }
        if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
            return std::nullopt;
        out.push_back(c);
        i += static_cast<std::size_t>(extra) + 1;
    }
    return out;
}

std::string EncodeUtf8(std::u32string_view text)
{
    std::string out;
    for (char32_t c : text) {
        if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
            c = 0xFFFD;
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::vector<std::uint8_t> ToUcs2BE(std::u32string_view text)
{
    std::vector<std::uint8_t> out;
    out.reserve(text.size() * 2);
    for (char32_t c : text) {
        if (c > 0xFFFF || (c >= 0xD800 && c <= 0xDFFF))
            c = U'_';
        out.push_back(static_cast<std::uint8_t>(c >> 8));
        out.push_back(static_cast<std::uint8_t>(c & 0xFF));
    }
    return out;
}

std::u32string FromUcs2BE(const std::uint8_t* p, std::size_t bytes)
{
    std::u32string out;
    for (std::size_t i = 0; i + 1 < bytes; i += 2) {
        char32_t c = (p[i] << 8) | p[i + 1];
        if (c >= 0xD800 && c <= 0xDFFF)
            c = 0xFFFD;
        out.push_back(c);
    }
    return out;
}

namespace {
// Days since 1970-01-01 of a civil date, and back (proleptic Gregorian).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

struct Civil {
    std::int64_t year;
    unsigned month, day, hour, minute, second;
};

Civil CivilFromSeconds(std::int64_t t)
{
    std::int64_t days = t >= 0 ? t / 86400 : -((-t + 86399) / 86400);
    std::int64_t rest = t - days * 86400;
    std::int64_t z = days + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    Civil c;
    c.day = doy - (153 * mp + 2) / 5 + 1;
    c.month = mp < 10 ? mp + 3 : mp - 9;
    c.year = static_cast<std::int64_t>(yoe) + era * 400 + (c.month <= 2);
    c.hour = static_cast<unsigned>(rest / 3600);
    c.minute = static_cast<unsigned>(rest / 60 % 60);
    c.second = static_cast<unsigned>(rest % 60);
    return c;
}

// The first and last second the 7-byte form can hold.
const std::int64_t kShortMin = DaysFromCivil(1900, 1, 1) * 86400;
const std::int64_t kShortMax = DaysFromCivil(2155, 12, 31) * 86400 + 86399;
} // namespace

void PutShortDate(std::uint8_t* p, std::int64_t t)
{
    t = std::clamp(t, kShortMin, kShortMax);
    Civil c = CivilFromSeconds(t);
    p[0] = static_cast<std::uint8_t>(c.year - 1900);
    p[1] = static_cast<std::uint8_t>(c.month);
    p[2] = static_cast<std::uint8_t>(c.day);
    p[3] = static_cast<std::uint8_t>(c.hour);
    p[4] = static_cast<std::uint8_t>(c.minute);
    p[5] = static_cast<std::uint8_t>(c.second);
    p[6] = 0; // UTC
}

std::int64_t GetShortDate(const std::uint8_t* p)
{
    unsigned month = std::clamp<unsigned>(p[1], 1, 12), day = std::clamp<unsigned>(p[2], 1, 31);
    std::int64_t t = DaysFromCivil(1900 + p[0], month, day) * 86400 + std::min<unsigned>(p[3], 23) * 3600 +
                     std::min<unsigned>(p[4], 59) * 60 + std::min<unsigned>(p[5], 59);
    auto offset = static_cast<std::int8_t>(p[6]); // quarters of an hour east of UTC
    return t - static_cast<std::int64_t>(offset) * 15 * 60;
}

void PutLongDate(std::uint8_t* p, std::optional<std::int64_t> t)
{
    if (!t) {
        std::memset(p, '0', 16);
        p[16] = 0;
        return;
    }
    Civil c = CivilFromSeconds(std::clamp<std::int64_t>(*t, DaysFromCivil(1, 1, 1) * 86400,
                                                        DaysFromCivil(9999, 12, 31) * 86400 + 86399));
    char text[32];
    std::snprintf(text, sizeof text, "%04d%02u%02u%02u%02u%02u00", static_cast<int>(c.year), c.month, c.day,
                  c.hour, c.minute, c.second);
    std::memcpy(p, text, 16);
    p[16] = 0;
}

std::optional<std::int64_t> GetLongDate(const std::uint8_t* p)
{
    int v[6] = {};
    const int widths[6] = {4, 2, 2, 2, 2, 2};
    const std::uint8_t* q = p;
    for (int i = 0; i < 6; ++i) {
        for (int k = 0; k < widths[i]; ++k, ++q) {
            if (*q < '0' || *q > '9')
                return std::nullopt;
            v[i] = v[i] * 10 + (*q - '0');
        }
    }
    if (v[0] == 0 || v[1] < 1 || v[1] > 12 || v[2] < 1 || v[2] > 31)
        return std::nullopt;
    std::int64_t t = DaysFromCivil(v[0], static_cast<unsigned>(v[1]), static_cast<unsigned>(v[2])) * 86400 +
                     v[3] * 3600 + v[4] * 60 + v[5];
    return t - static_cast<std::int64_t>(static_cast<std::int8_t>(p[16])) * 15 * 60;
}

} // namespace iso9660::enc

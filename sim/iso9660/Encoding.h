// Byte-level pieces shared by the writer and the reader: numbers stored in
// both byte orders, UTF-8 and UCS-2 text, and the two date forms.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace iso9660::enc {

void PutLE16(std::uint8_t* p, std::uint16_t v);
void PutBE16(std::uint8_t* p, std::uint16_t v);
void PutLE32(std::uint8_t* p, std::uint32_t v);
void PutBE32(std::uint8_t* p, std::uint32_t v);
void PutBoth16(std::uint8_t* p, std::uint16_t v); // 4 bytes: little then big endian
void PutBoth32(std::uint8_t* p, std::uint32_t v); // 8 bytes
std::uint16_t GetLE16(const std::uint8_t* p);
std::uint32_t GetLE32(const std::uint8_t* p);
std::uint32_t GetBE32(const std::uint8_t* p);

// UTF-8 to code points; nullopt for bytes that are not UTF-8 (overlong
// forms, surrogates, values past U+10FFFF included).
std::optional<std::u32string> DecodeUtf8(std::string_view text);
std::string EncodeUtf8(std::u32string_view text);
// UCS-2 big endian; characters outside the basic plane become '_'.
std::vector<std::uint8_t> ToUcs2BE(std::u32string_view text);
std::u32string FromUcs2BE(const std::uint8_t* p, std::size_t bytes);

// The 7-byte date of directory records and Rock Ridge TF entries, in UTC.
// Years before 1900 or after 2155 are clamped to the range the form holds.
void PutShortDate(std::uint8_t* p, std::int64_t unixSeconds);
std::int64_t GetShortDate(const std::uint8_t* p);
// The 17-byte date of volume descriptors ("YYYYMMDDHHMMSScc" and an offset).
void PutLongDate(std::uint8_t* p, std::optional<std::int64_t> unixSeconds);
std::optional<std::int64_t> GetLongDate(const std::uint8_t* p);

} // namespace iso9660::enc

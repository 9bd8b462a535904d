// Raw 2352-byte data sectors as a CD carries them: the sync pattern, the
// header with the sector's address and mode, the user data, the error
// detection code and, for Mode 1 and Mode 2 Form 1, the two layers of
// Reed-Solomon parity (P and Q). Pure byte work.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vexosim {

inline constexpr std::size_t kRawSectorBytes = 2352;
inline constexpr std::size_t kUserDataBytes = 2048;
// The disc's logical address 0 lies two seconds (150 sectors) after the
// start of the program area's clock: the header carries the address + 150.
inline constexpr std::uint32_t kAddressOffset = 150;

// The header's three address bytes (minute, second, frame, each BCD) of a
// logical block address.
void SectorAddress(std::uint32_t lba, std::uint8_t out[3]);

// The 32-bit error detection code of `count` bytes (the CD's CRC, kept
// little-endian in the sector).
std::uint32_t SectorEdc(const std::uint8_t* bytes, std::size_t count);

// A Mode 1 sector at `lba` holding the 2048 bytes of `user`.
void MakeMode1Sector(std::uint32_t lba, const std::uint8_t* user, std::uint8_t* out);

// A Mode 2 Form 1 sector at `lba` holding the 2048 bytes of `user`; the
// subheader (file, channel, submode, coding, twice) marks data, with the end
// of record and file set on the last sector of a track.
void MakeMode2Form1Sector(std::uint32_t lba, const std::uint8_t* user, bool lastOfTrack, std::uint8_t* out);

}  // namespace vexosim

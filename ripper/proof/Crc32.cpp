#include "Crc32.h"

#include <array>

namespace {

constexpr std::array<uint32_t, 256> MakeTable() {
    std::array<uint32_t, 256> table{};
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}

constexpr std::array<uint32_t, 256> Table = MakeTable();

}  // namespace

void Crc32::Add(std::span<const uint8_t> bytes) noexcept {
    uint32_t c = state_;
    for (const uint8_t b : bytes) c = Table[(c ^ b) & 0xFF] ^ (c >> 8);
    state_ = c;
}

// Crc32: the CRC-32 of a byte stream as zip, PNG and the usual rip logs
// compute it (reflected polynomial 0xEDB88320, initial value and final XOR
// 0xFFFFFFFF), fed piece by piece.
#pragma once

#include <cstdint>
#include <span>

class Crc32 {
public:
    void Add(std::span<const uint8_t> bytes) noexcept;
    // The CRC of every byte added so far (0 for none).
    uint32_t Value() const noexcept { return ~state_; }

private:
    uint32_t state_ = 0xFFFFFFFFu;
};

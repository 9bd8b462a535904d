// Sha1: the SHA-1 digest of a byte string, computed by the system's
// cryptography provider (CryptoAPI in advapi32.dll, which every Windows has).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace Sha1 {

using Digest = std::array<uint8_t, 20>;

// Nothing when the provider cannot be used.
std::optional<Digest> Of(std::span<const uint8_t> bytes);

}  // namespace Sha1

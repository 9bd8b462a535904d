#include "Sha1.h"

#include <windows.h>
#include <bcrypt.h>

namespace Sha1 {
namespace {

// Owners of the provider's two handles.
struct Algorithm {
    BCRYPT_ALG_HANDLE handle = nullptr;
    ~Algorithm() {
        if (handle) BCryptCloseAlgorithmProvider(handle, 0);
    }
};
struct Hash {
    BCRYPT_HASH_HANDLE handle = nullptr;
    ~Hash() {
        if (handle) BCryptDestroyHash(handle);
    }
};

bool Ok(NTSTATUS status) { return status >= 0; }

}  // namespace

std::optional<Digest> Of(std::span<const uint8_t> bytes) {
    Algorithm algorithm;
    if (!Ok(BCryptOpenAlgorithmProvider(&algorithm.handle, BCRYPT_SHA1_ALGORITHM, nullptr, 0))) return std::nullopt;
    Hash hash;
    if (!Ok(BCryptCreateHash(algorithm.handle, &hash.handle, nullptr, 0, nullptr, 0, 0))) return std::nullopt;
    if (!bytes.empty() &&
        !Ok(BCryptHashData(hash.handle, const_cast<PUCHAR>(bytes.data()), static_cast<ULONG>(bytes.size()), 0)))
        return std::nullopt;
    Digest digest{};
    if (!Ok(BCryptFinishHash(hash.handle, digest.data(), static_cast<ULONG>(digest.size()), 0))) return std::nullopt;
    return digest;
}

}  // namespace Sha1

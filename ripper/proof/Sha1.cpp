#include "Sha1.h"

#include <windows.h>
#include <wincrypt.h>

namespace Sha1 {
namespace {

// Owners of the provider's two handles.
struct Provider {
    HCRYPTPROV handle = 0;
    ~Provider() {
        if (handle) CryptReleaseContext(handle, 0);
    }
};
struct Hash {
    HCRYPTHASH handle = 0;
    ~Hash() {
        if (handle) CryptDestroyHash(handle);
    }
};

}  // namespace

std::optional<Digest> Of(std::span<const uint8_t> bytes) {
    Provider provider;
    if (!CryptAcquireContextA(&provider.handle, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT | CRYPT_SILENT))
        return std::nullopt;
    Hash hash;
    if (!CryptCreateHash(provider.handle, CALG_SHA1, 0, 0, &hash.handle)) return std::nullopt;
    if (!bytes.empty() && !CryptHashData(hash.handle, bytes.data(), static_cast<DWORD>(bytes.size()), 0))
        return std::nullopt;
    Digest digest{};
    DWORD size = static_cast<DWORD>(digest.size());
    if (!CryptGetHashParam(hash.handle, HP_HASHVAL, digest.data(), &size, 0) || size != digest.size())
        return std::nullopt;
    return digest;
}

}  // namespace Sha1

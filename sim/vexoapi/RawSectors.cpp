#include "RawSectors.h"

#include <array>
#include <cstring>

namespace vexosim {
namespace {

constexpr std::uint8_t kSync[12] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};

struct Tables {
    std::array<std::uint32_t, 256> edc{};
    std::array<std::uint8_t, 256> forward{};   // multiplication by alpha in GF(2^8), x^8+x^4+x^3+x^2+1
    std::array<std::uint8_t, 256> backward{};  // division by (alpha + 1)
    Tables() {
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t e = i;
            for (int k = 0; k < 8; ++k) e = (e >> 1) ^ ((e & 1) ? 0xD8018001u : 0u);
            edc[i] = e;
            const std::uint32_t f = (i << 1) ^ ((i & 0x80) ? 0x11Du : 0u);
            forward[i] = static_cast<std::uint8_t>(f);
            backward[i ^ f] = static_cast<std::uint8_t>(i);
        }
    }
};

const Tables& T() {
    static const Tables tables;
    return tables;
}

// One layer of parity over the 2340 bytes from the header on, taken as
// vectors: `majors` vectors of `minors` bytes, the vector's bytes `step`
// apart (wrapping), the vectors' starts `majorStep` apart in pairs.
void Parity(const std::uint8_t* data, std::size_t majors, std::size_t minors, std::size_t majorStep, std::size_t step,
            std::uint8_t* out) {
    const Tables& t = T();
    const std::size_t size = majors * minors;
    for (std::size_t major = 0; major < majors; ++major) {
        std::size_t index = (major >> 1) * majorStep + (major & 1);
        std::uint8_t a = 0, b = 0;
        for (std::size_t minor = 0; minor < minors; ++minor) {
            const std::uint8_t v = data[index];
            index += step;
            if (index >= size) index -= size;
            a ^= v;
            b ^= v;
            a = t.forward[a];
        }
        a = t.backward[t.forward[a] ^ b];
        out[major] = a;
        out[major + majors] = static_cast<std::uint8_t>(a ^ b);
    }
}

// P parity (172 bytes at 2076) and Q parity (104 bytes at 2248) over bytes 12..2247.
void Ecc(std::uint8_t* sector) {
    Parity(sector + 12, 86, 24, 2, 86, sector + 2076);
    Parity(sector + 12, 52, 43, 86, 88, sector + 2248);
}

void Head(std::uint32_t lba, std::uint8_t mode, std::uint8_t* out) {
    std::memcpy(out, kSync, sizeof kSync);
    SectorAddress(lba, out + 12);
    out[15] = mode;
}

void PutEdc(std::uint32_t edc, std::uint8_t* at) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(edc >> (8 * i));
}

std::uint8_t Bcd(std::uint32_t v) { return static_cast<std::uint8_t>((v / 10) << 4 | (v % 10)); }

}  // namespace

void SectorAddress(std::uint32_t lba, std::uint8_t out[3]) {
    const std::uint32_t a = lba + kAddressOffset;
    out[0] = Bcd(a / (75 * 60) % 100);
    out[1] = Bcd(a / 75 % 60);
    out[2] = Bcd(a % 75);
}

std::uint32_t SectorEdc(const std::uint8_t* bytes, std::size_t count) {
    const Tables& t = T();
    std::uint32_t edc = 0;
    for (std::size_t i = 0; i < count; ++i) edc = (edc >> 8) ^ t.edc[(edc ^ bytes[i]) & 0xFF];
    return edc;
}

void MakeMode1Sector(std::uint32_t lba, const std::uint8_t* user, std::uint8_t* out) {
    Head(lba, 1, out);
    std::memcpy(out + 16, user, kUserDataBytes);
    PutEdc(SectorEdc(out, 2064), out + 2064);
    std::memset(out + 2068, 0, 8);
    Ecc(out);
}

void MakeMode2Form1Sector(std::uint32_t lba, const std::uint8_t* user, bool lastOfTrack, std::uint8_t* out) {
    Head(lba, 2, out);
    const std::uint8_t submode = lastOfTrack ? 0x89 : 0x08;  // data; end of record and file on the last
    const std::uint8_t sub[8] = {0, 0, submode, 0, 0, 0, submode, 0};
    std::memcpy(out + 16, sub, 8);
    std::memcpy(out + 24, user, kUserDataBytes);
    PutEdc(SectorEdc(out + 16, 2056), out + 2072);
    // The parity of a Mode 2 sector is computed as if its address were zero.
    std::uint8_t address[4];
    std::memcpy(address, out + 12, 4);
    std::memset(out + 12, 0, 4);
    Ecc(out);
    std::memcpy(out + 12, address, 4);
}

}  // namespace vexosim

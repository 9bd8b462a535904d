#include "DiscId.h"

#include <cstdio>

#include "Sha1.h"

namespace DiscId {
namespace {

uint32_t DigitSum(uint32_t n) {
    uint32_t sum = 0;
    for (; n > 0; n /= 10) sum += n % 10;
    return sum;
}

std::string Hex(uint32_t value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", digits, value);
    return text;
}

}  // namespace

uint32_t FreedbId(const Toc& toc) {
    if (toc.starts.empty()) return 0;
    uint32_t n = 0;
    for (const uint32_t start : toc.starts) n += DigitSum((start + LeadIn) / 75);
    const uint32_t t = (toc.leadOut + LeadIn) / 75 - (toc.starts.front() + LeadIn) / 75;
    return (n % 0xFF) << 24 | t << 8 | static_cast<uint32_t>(toc.starts.size());
}

std::string FreedbText(uint32_t id) {
    char text[16];
    std::snprintf(text, sizeof text, "%08x", id);
    return text;
}

std::string MusicBrainzText(const Toc& toc) {
    std::string text = Hex(static_cast<uint32_t>(toc.firstTrack), 2) + Hex(static_cast<uint32_t>(toc.LastTrack()), 2) +
                       Hex(toc.leadOut + LeadIn, 8);
    for (int track = 1; track <= 99; ++track) {
        const int k = track - toc.firstTrack;
        const bool present = k >= 0 && k < static_cast<int>(toc.starts.size());
        text += Hex(present ? toc.starts[static_cast<std::size_t>(k)] + LeadIn : 0, 8);
    }
    return text;
}

std::string MusicBrainzBase64(const std::array<uint8_t, 20>& digest) {
    static constexpr char Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789._";
    std::string out;
    for (std::size_t k = 0; k < digest.size(); k += 3) {
        const uint32_t b0 = digest[k];
        const uint32_t b1 = k + 1 < digest.size() ? digest[k + 1] : 0;
        const uint32_t b2 = k + 2 < digest.size() ? digest[k + 2] : 0;
        const uint32_t v = b0 << 16 | b1 << 8 | b2;
        out += Alphabet[v >> 18 & 63];
        out += Alphabet[v >> 12 & 63];
        out += k + 1 < digest.size() ? Alphabet[v >> 6 & 63] : '-';
        out += k + 2 < digest.size() ? Alphabet[v & 63] : '-';
    }
    return out;
}

std::string MusicBrainzId(const Toc& toc) {
    if (toc.starts.empty() || toc.LastTrack() > 99) return {};
    const std::string text = MusicBrainzText(toc);
    const auto digest = Sha1::Of({reinterpret_cast<const uint8_t*>(text.data()), text.size()});
    return digest ? MusicBrainzBase64(*digest) : std::string();
}

}  // namespace DiscId

#include "FlakyFrames.h"

#include <algorithm>

namespace akrip {
namespace {
constexpr uint32_t kFrameBytes = 2352;
constexpr uint32_t kWordsPerFrame = kFrameBytes / 4;
}  // namespace

std::vector<FlakyRange> ParseFlaky(std::string_view text, std::vector<std::string>* rejected) {
    return ParseUnreadable(text, rejected);
}

bool FlakyFrames::Misreads(uint32_t frame, uint32_t n) const {
    for (const FlakyRange& r : ranges_)
        if (frame >= r.first && frame <= r.last && (!r.fails || n <= *r.fails)) return true;
    return false;
}

void FlakyFrames::Garble(uint32_t n, uint8_t* frame) {
    // Twelve words spread over the frame change. The first one is XORed with
    // n times an odd number, which is never 0 and differs for every n, so no
    // two misreads are alike and none equals the frame.
    for (uint32_t k = 0; k < 12; ++k) {
        const uint32_t mask = n * 0x01000193u + k * 0x9E3779B9u;
        uint8_t* word = frame + std::size_t{k * (kWordsPerFrame / 12)} * 4;
        for (int b = 0; b < 4; ++b) word[b] ^= static_cast<uint8_t>(mask >> (8 * b));
    }
}

void FlakyFrames::Apply(uint32_t first, uint32_t count, uint8_t* data) {
    if (ranges_.empty()) return;
    const uint64_t end = uint64_t{first} + count;
    for (const FlakyRange& r : ranges_) {
        const uint64_t lo = std::max<uint64_t>(first, r.first);
        const uint64_t hi = std::min<uint64_t>(end, uint64_t{r.last} + 1);
        for (uint64_t f = lo; f < hi; ++f) {
            // A frame in two ranges is still read once.
            const bool counted = std::any_of(ranges_.begin(), ranges_.begin() + (&r - ranges_.data()),
                                             [&](const FlakyRange& o) { return f >= o.first && f <= o.last; });
            if (counted) continue;
            const uint32_t n = ++reads_[static_cast<uint32_t>(f)];
            if (Misreads(static_cast<uint32_t>(f), n)) Garble(n, data + (f - first) * kFrameBytes);
        }
    }
}

}  // namespace akrip

#include "AccurateRip.h"

#include <algorithm>

namespace AccurateRip {

TrackSum::TrackSum(uint32_t words, bool firstTrack, bool lastTrack)
    : from_(firstTrack ? SkippedWords : 1), to_(lastTrack ? (words > SkippedWords ? words - SkippedWords : 0) : words) {}

void TrackSum::Add(std::span<const uint8_t> pcm) noexcept {
    const std::size_t words = pcm.size() / 4;
    const uint8_t* p = pcm.data();
    uint32_t v1 = v1_, high = high_;
    uint32_t i = position_;
    for (std::size_t k = 0; k < words; ++k, p += 4) {
        ++i;
        if (i < from_ || i > to_) continue;
        const uint32_t word = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
        const uint64_t product = uint64_t{word} * i;
        v1 += static_cast<uint32_t>(product);
        high += static_cast<uint32_t>(product >> 32);
    }
    v1_ = v1;
    high_ = high;
    position_ = i;
}

DiscIds ComputeDiscIds(const std::vector<uint32_t>& starts, uint32_t leadOut) {
    DiscIds ids;
    uint32_t number = 0;
    for (const uint32_t start : starts) {
        ++number;
        ids.id1 += start;
        ids.id2 += std::max<uint32_t>(start, 1) * number;
    }
    ids.id1 += leadOut;
    ids.id2 += leadOut * (number + 1);
    return ids;
}

}  // namespace AccurateRip

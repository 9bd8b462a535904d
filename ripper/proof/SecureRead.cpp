#include "SecureRead.h"

#include <algorithm>
#include <cstring>

namespace SecureRead {

std::vector<uint32_t> DifferingFrames(std::span<const uint8_t> test, std::span<const uint8_t> copy, uint32_t frames) {
    std::vector<uint32_t> differing;
    const std::size_t available = std::min(test.size(), copy.size()) / FrameBytes;
    for (uint32_t f = 0; f < frames && f < available; ++f)
        if (std::memcmp(test.data() + std::size_t{f} * FrameBytes, copy.data() + std::size_t{f} * FrameBytes,
                        FrameBytes) != 0)
            differing.push_back(f);
    return differing;
}

DisputedFrame::DisputedFrame(std::span<const uint8_t> test, std::span<const uint8_t> copy) {
    candidates_.push_back({std::vector<uint8_t>(test.begin(), test.end()), 1});
    if (std::equal(test.begin(), test.end(), copy.begin(), copy.end())) {
        candidates_[0].seen = 2;
        agreed_ = true;
        return;
    }
    candidates_.push_back({std::vector<uint8_t>(copy.begin(), copy.end()), 1});
}

bool DisputedFrame::Offer(std::span<const uint8_t> read) {
    if (agreed_) return true;
    ++rereads_;
    if (read.empty()) return false;
    for (std::size_t k = 0; k < candidates_.size(); ++k) {
        Candidate& c = candidates_[k];
        if (std::equal(read.begin(), read.end(), c.bytes.begin(), c.bytes.end())) {
            ++c.seen;
            agreed_ = true;
            agreedIndex_ = k;
            return true;
        }
    }
    candidates_.push_back({std::vector<uint8_t>(read.begin(), read.end()), 1});
    return false;
}

std::span<const uint8_t> DisputedFrame::Best() const {
    if (agreed_) return candidates_[agreedIndex_].bytes;
    std::size_t best = 0;
    for (std::size_t k = 1; k < candidates_.size(); ++k)
        if (candidates_[k].seen > candidates_[best].seen) best = k;
    return candidates_[best].bytes;
}

}  // namespace SecureRead

#include "SecureBlockRead.h"

#include <algorithm>
#include <vector>

#include "AkripRecords.h"
#include "SecureRead.h"

namespace SecureBlockRead {
namespace {

using AkripRecords::BytesPerFrame;

std::span<uint8_t> Audio(std::span<uint8_t> buffer, uint32_t frames) {
    return buffer.subspan(AkripRecords::TrackBuffer::HeaderSize, std::size_t{frames} * BytesPerFrame);
}

}  // namespace

Outcome Read(const ReadOnce& read, std::span<uint8_t> block, std::span<uint8_t> spare, uint32_t first,
             uint32_t frames, uint32_t trackStart, TrackProofBuilder& proof) {
    // Test read into the spare buffer, copy read into the block.
    if (const Outcome o = read(spare, first, frames, false); o != Outcome::Read) return o;
    proof.TestRead(Audio(spare, frames));
    if (const Outcome o = read(block, first, frames, false); o != Outcome::Read) return o;

    const std::span<uint8_t> copy = Audio(block, frames);
    const std::vector<uint32_t> differing = SecureRead::DifferingFrames(Audio(spare, frames), copy, frames);
    if (differing.empty()) return Outcome::Read;

    std::vector<SecureRead::DisputedFrame> disputes;
    disputes.reserve(differing.size());
    for (const uint32_t f : differing)
        disputes.emplace_back(Audio(spare, frames).subspan(std::size_t{f} * BytesPerFrame, BytesPerFrame),
                              copy.subspan(std::size_t{f} * BytesPerFrame, BytesPerFrame));

    int rereads = 0;
    for (std::size_t k = 0; k < disputes.size(); ++k) {
        SecureRead::DisputedFrame& dispute = disputes[k];
        const uint32_t lba = first + differing[k];
        while (dispute.WantsAnotherRead()) {
            ++rereads;
            const Outcome o = read(spare, lba, 1, true);
            if (o == Outcome::Raised) {
                proof.Rereads(rereads);
                return o;
            }
            dispute.Offer(o == Outcome::Read ? std::span<const uint8_t>(Audio(spare, 1)) : std::span<const uint8_t>());
        }
        if (!dispute.Agreed()) proof.SuspiciousFrame(lba - trackStart);
        const std::span<const uint8_t> best = dispute.Best();
        std::copy(best.begin(), best.end(), copy.begin() + static_cast<std::ptrdiff_t>(std::size_t{differing[k]} * BytesPerFrame));
    }
    proof.Rereads(rereads);
    return Outcome::Read;
}

}  // namespace SecureBlockRead

// SecureRead: the decisions of secure (test and copy) reading, apart from
// the drive. Every block is read twice, a test read and a copy read; frames
// whose two reads agree byte for byte are taken. A frame whose reads differ
// is disputed: it is read again, one frame at a time, until two of all its
// reads agree or MaxRereads further reads have been made. A frame that never
// agrees is suspicious, and the read seen most often (the earliest of those
// seen equally often) is the one written.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace SecureRead {

constexpr uint32_t FrameBytes = 2352;
// Further reads of a disputed frame before it is given up as suspicious.
constexpr int MaxRereads = 16;

// The frames (0-based) among the first `frames` of two reads whose bytes
// differ. Both reads must hold at least frames * 2352 bytes.
std::vector<uint32_t> DifferingFrames(std::span<const uint8_t> test, std::span<const uint8_t> copy, uint32_t frames);

// One disputed frame and every read of it so far.
class DisputedFrame {
public:
    // The two reads that disagreed (2352 bytes each).
    DisputedFrame(std::span<const uint8_t> test, std::span<const uint8_t> copy);

    // A further read of the frame; true when it agrees with an earlier one.
    // `read` empty: the drive could not read the frame this time.
    bool Offer(std::span<const uint8_t> read);

    bool Agreed() const noexcept { return agreed_; }
    int Rereads() const noexcept { return rereads_; }
    // Whether another read is due: not agreed, and reads left.
    bool WantsAnotherRead() const noexcept { return !agreed_ && rereads_ < MaxRereads; }
    // What to write: the agreed bytes, or the read seen most often.
    std::span<const uint8_t> Best() const;

private:
    struct Candidate {
        std::vector<uint8_t> bytes;
        int seen = 0;
    };
    std::vector<Candidate> candidates_;  // distinct reads, in the order first seen
    int rereads_ = 0;
    bool agreed_ = false;
    std::size_t agreedIndex_ = 0;
};

}  // namespace SecureRead

// AccurateRip: the two checksums the AccurateRip database keeps per track,
// and the disc identifiers it files a disc under.
//
// Checksums: the track's audio is taken as 32-bit little-endian words (one
// stereo sample each, left channel in the low half) at 1-based positions i.
//   v1 = sum of i * word                                   (mod 2^32)
//   v2 = sum of (low 32 bits + high 32 bits of i * word)    (mod 2^32)
// On the disc's first track the words before position 2,940 (five frames
// less one word) are left out, on its last track the last 2,940 words (five
// frames): drives start and end their reads at slightly different places.
// A disc of one track leaves out both.
//
// Disc identifiers, from the audio tracks' start addresses (LBAs) and the
// lead-out address:
//   id1 = sum of the starts + lead-out
//   id2 = sum of max(start, 1) * track number + lead-out * (tracks + 1)
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace AccurateRip {

constexpr uint32_t WordsPerFrame = 588;
// Words left out at the start of the first track (positions below this)
// and at the end of the last one.
constexpr uint32_t SkippedWords = 5 * WordsPerFrame;

// The checksums of one track, fed its audio in pieces of whole words.
class TrackSum {
public:
    // words: the track's length in words (frames * 588); first/last: whether
    // the track is the disc's first or last.
    TrackSum(uint32_t words, bool firstTrack, bool lastTrack);

    // The next words of the track (a trailing partial word is ignored).
    void Add(std::span<const uint8_t> pcm) noexcept;

    uint32_t V1() const noexcept { return v1_; }
    uint32_t V2() const noexcept { return v1_ + high_; }
    // Words added so far.
    uint32_t Position() const noexcept { return position_; }

private:
    uint32_t from_;            // first position counted
    uint32_t to_;              // last position counted
    uint32_t position_ = 0;    // words added so far (the next word is position_ + 1)
    uint32_t v1_ = 0;
    uint32_t high_ = 0;
};

struct DiscIds {
    uint32_t id1 = 0;
    uint32_t id2 = 0;
};

// The identifiers of a disc whose audio tracks 1..n start at `starts` (n
// entries) with the lead-out at `leadOut`.
DiscIds ComputeDiscIds(const std::vector<uint32_t>& starts, uint32_t leadOut);

}  // namespace AccurateRip

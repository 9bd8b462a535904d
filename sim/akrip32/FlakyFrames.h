// flaky.txt: frames of the virtual drive that misread. A drive that
// misreads returns a frame with wrong bytes and reports success; a secure
// rip finds such frames only by reading them again and comparing.
//
// flaky.txt lies beside the sheet, one directive a line, '#' starts a
// comment, in the grammar of unreadable.txt:
//     START[-END] [READS]
// frames START..END (LBAs, inclusive) come back with different bytes on
// each of their first READS reads and correct after that; READS omitted or
// "always": different bytes on every read, never the same twice. Every read
// that covers a frame counts as one read of it. The counts start afresh
// whenever the image is looked at again (handle opened, ReadTOC), like the
// failures of unreadable.txt. Pure logic: no platform calls here.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "DiscImage.h"

namespace akrip {

using FlakyRange = UnreadableRange;  // `fails` here: the reads that misread

// The directives of flaky.txt; lines that are not directives are skipped
// and listed in *rejected.
std::vector<FlakyRange> ParseFlaky(std::string_view text, std::vector<std::string>* rejected);

class FlakyFrames {
public:
    FlakyFrames() = default;
    explicit FlakyFrames(std::vector<FlakyRange> ranges) : ranges_(std::move(ranges)) {}

    // After a read of frames [first, first + count) into `data` (count *
    // 2352 bytes): counts one read of every flaky frame it covers and
    // changes the bytes of those still misreading. The n-th misread of a
    // frame differs from the frame and from every other misread of it.
    void Apply(uint32_t first, uint32_t count, uint8_t* data);
    bool Empty() const { return ranges_.empty(); }

    // Changes a frame's bytes as its n-th misread (n >= 1) shows them.
    static void Garble(uint32_t n, uint8_t* frame);

private:
    // Whether the frame misreads on its read number n (1-based).
    bool Misreads(uint32_t frame, uint32_t n) const;

    std::vector<FlakyRange> ranges_;
    std::map<uint32_t, uint32_t> reads_;  // reads so far of each flaky frame read
};

}  // namespace akrip

// SecureBlockRead: one block of a track read in secure mode (test and copy).
// The block is read twice, the two reads compared frame by frame, and every
// frame that differs is read again on its own (SecureRead.h decides when it
// is settled). What ends up in the block's data area is the audio to write:
// the agreed bytes, or for a suspicious frame the read seen most often.
#pragma once

#include <cstdint>
#include <functional>
#include <span>

#include "TrackProof.h"

namespace SecureBlockRead {

enum class Outcome { Read, Failed, Raised };

// One read of `frames` frames from `first` into the TrackBuffer `buffer`,
// with the rip's usual attempts. `quiet`: a read that fails tells the user
// nothing (a further read of a disputed frame may fail; the frame is then
// judged by the reads it has).
using ReadOnce = std::function<Outcome(std::span<uint8_t> buffer, uint32_t first, uint32_t frames, bool quiet)>;

// Reads frames [first, first + frames) into the TrackBuffer `block`, using
// `spare` (another TrackBuffer) for the other reads. Reports the test read,
// the further reads and suspicious frames (counted from `trackStart`) to
// `proof`; the caller reports the audio it writes. Failed or Raised when the
// test or copy read could not be made.
Outcome Read(const ReadOnce& read, std::span<uint8_t> block, std::span<uint8_t> spare, uint32_t first,
             uint32_t frames, uint32_t trackStart, TrackProofBuilder& proof);

}  // namespace SecureBlockRead

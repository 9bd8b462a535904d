// TrackProof: what a rip learns about one track that shows whether it is
// exact, gathered block by block as the track is read: the CRC-32 of the test
// reads and of the audio written, the AccurateRip checksums of the audio
// written, the further reads secure mode made and the frames that never
// read the same twice.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "AccurateRip.h"
#include "Crc32.h"

struct TrackProof {
    bool secure = false;
    std::optional<uint32_t> testCrc;   // secure mode: the CRC of every block's test read
    uint32_t copyCrc = 0;              // the CRC of the audio written
    uint32_t accurateRipV1 = 0;
    uint32_t accurateRipV2 = 0;
    int rereads = 0;
    std::vector<uint32_t> suspicious;  // frames within the track, ascending
    uint32_t framesSummed = 0;         // frames the sums cover (all of them for a whole track)

    bool Suspicious() const { return !suspicious.empty(); }
};

class TrackProofBuilder {
public:
    // frames: the track's length; first/last: whether it is the disc's
    // first or last audio track (AccurateRip leaves out words there).
    TrackProofBuilder(uint32_t frames, bool firstTrack, bool lastTrack, bool secure);

    // A block's test read (secure mode).
    void TestRead(std::span<const uint8_t> audio);
    // A block's audio as written.
    void Written(std::span<const uint8_t> audio);
    void Rereads(int count) { proof_.rereads += count; }
    // A frame (within the track) that never read the same twice.
    void SuspiciousFrame(uint32_t frame);

    TrackProof Result() const;

private:
    TrackProof proof_;
    Crc32 test_;
    Crc32 copy_;
    AccurateRip::TrackSum sum_;
    uint64_t bytesWritten_ = 0;
};

#include "TrackProof.h"

#include <algorithm>

TrackProofBuilder::TrackProofBuilder(uint32_t frames, bool firstTrack, bool lastTrack, bool secure)
    : sum_(frames * AccurateRip::WordsPerFrame, firstTrack, lastTrack) {
    proof_.secure = secure;
}

void TrackProofBuilder::TestRead(std::span<const uint8_t> audio) { test_.Add(audio); }

void TrackProofBuilder::Written(std::span<const uint8_t> audio) {
    copy_.Add(audio);
    sum_.Add(audio);
    bytesWritten_ += audio.size();
}

void TrackProofBuilder::SuspiciousFrame(uint32_t frame) {
    auto& s = proof_.suspicious;
    const auto at = std::lower_bound(s.begin(), s.end(), frame);
    if (at == s.end() || *at != frame) s.insert(at, frame);
}

TrackProof TrackProofBuilder::Result() const {
    TrackProof proof = proof_;
    if (proof.secure) proof.testCrc = test_.Value();
    proof.copyCrc = copy_.Value();
    proof.accurateRipV1 = sum_.V1();
    proof.accurateRipV2 = sum_.V2();
    proof.framesSummed = static_cast<uint32_t>(bytesWritten_ / 2352);
    return proof;
}

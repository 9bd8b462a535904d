// IsoTrackArguments: the creation arguments of one engine ISO track, filled
// from a VexoISOTrack, together with the ANSI texts they point at. It must
// live until the engine call that creates the track has returned; it is
// neither copied nor moved, so the pointers stay valid.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "EngineRecords.h"
#include "compilation/VexoISOTrack.h"

namespace vexo {

class IsoTrackArguments {
public:
    IsoTrackArguments() = default;
    IsoTrackArguments(const IsoTrackArguments&) = delete;
    IsoTrackArguments& operator=(const IsoTrackArguments&) = delete;

    // Links the track's root tree (and the second root's, when set) and
    // fills the record: first items, texts (never null: unset texts are ""),
    // burn options. False, with the record left zero, when the track has no
    // root folder.
    bool Fill(VexoISOTrack& track);

    const void* Record() const noexcept { return record_.data(); }
    std::span<const uint8_t> Bytes() const noexcept { return record_; }

private:
    std::array<std::string, VexoISOTrack::kTextCount> texts_;
    std::array<uint8_t, EngineRecords::IsoTrackArguments::Size> record_{};
};

}  // namespace vexo

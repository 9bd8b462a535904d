// The compilations VexoBurn receives besides image files (audio with or
// without a data track, freestyle, video CD, disc copy) and the ISO tracks
// VexoCreateIsoTrackEx makes: read back into texts a test can compare, and
// the event-sourced tracks pulled through their callbacks as the engine
// would while burning.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "SimEngine.h"

namespace vexosim {

using TrackReadCallback = std::int32_t(__stdcall*)(void* userData, std::uint8_t* buffer, std::int32_t size);
using TrackQueryCallback = std::int32_t(__stdcall*)(void* userData);

// An event-sourced track of a compilation.
struct EventTrack {
    std::string key;  // the text its result goes to, e.g. "burn.track.2.pulled"
    void* userData = nullptr;
    TrackReadCallback read = nullptr;
    TrackQueryCallback endOfData = nullptr;
    TrackQueryCallback error = nullptr;
    std::int64_t bytes = 0;  // what the track's length asks for
    std::int32_t blockBytes = 2352;
};

struct CompilationSummary {
    std::vector<std::pair<std::string, std::string>> texts;  // "burn.summary", "burn.track.N", ...
    std::vector<EventTrack> events;
};

// Reads a record of compilation type 0, 1, 3 or 1000 (the caller holds the
// engine's lock); false for any other type.
bool SummarizeCompilation(SimEngine& e, std::int32_t type, const std::uint8_t* record, CompilationSummary& out);

// Pulls one event track from the calling (engine) thread, without the
// engine's lock: reads until its length, the end of its data or an empty
// read, then asks the error question. The result text names the bytes
// pulled, their CRC-32 and the two answers.
struct PullResult {
    std::string text;
    bool error = false;
};
PullResult PullEventTrack(const EventTrack& track);

// The ISO item chain from `first`, as VexoSimDescribeIsoTree gives it.
std::string DescribeIsoChain(SimEngine& e, void* first);

}  // namespace vexosim

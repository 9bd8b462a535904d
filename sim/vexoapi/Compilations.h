// The compilations VexoBurn receives besides image files (audio with or
// without a data track, freestyle, video CD, disc copy) and the ISO tracks
// VexoCreateIsoTrackEx makes: read back into texts a test can compare, and
// the event-sourced tracks pulled through their callbacks as the engine
// would while burning.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
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

// A track of an audio disc (compilation type 0) as the image recorder
// takes it.
struct AudioTrackPlan {
    std::uint32_t kind = 0;  // 0 WAV, 1 event, 2 MP3, 3 WMA
    std::string source;      // the file of the file kinds
    std::int32_t pause = 0;  // blocks of silence before the track
    std::int32_t length = 0;
    std::uint32_t indexCount = 0;
    std::vector<std::int32_t> indexes;  // blocks after the track's start
    std::string title;
    std::string artist;
    std::int32_t event = -1;  // its entry in CompilationSummary::events
};

struct AudioDiscPlan {
    bool present = false;    // the record was an audio disc
    bool dataTrack = false;  // it carries a data track besides
    std::string title;
    std::string artist;
    std::vector<AudioTrackPlan> tracks;
};

struct CompilationSummary {
    std::vector<std::pair<std::string, std::string>> texts;  // "burn.summary", "burn.track.N", ...
    std::vector<EventTrack> events;
    AudioDiscPlan audio;
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
// With a sink, every byte pulled goes to it as well; a sink answering
// false ends the pull as an error.
using PullSink = std::function<bool(const std::uint8_t* bytes, std::size_t count)>;
PullResult PullEventTrack(const EventTrack& track, const PullSink& sink = nullptr);

// Records an audio disc as a BIN/CUE image through `writer`, the tracks in
// record order: each pause as silence, WAV files copied, event tracks
// pulled into the BIN (their result texts go to `pulled`). When every track
// went in, `cue` holds the sheet for the writer's Commit; otherwise `error`
// says why (an engine error line) and `eventError` tells an event track
// that reported an error from a track that could not be recorded. cdText
// adds the titles and artists to the sheet.
struct RecordResult {
    bool ok = false;
    bool eventError = false;
    bool aborted = false;
    std::string error;
    std::uint32_t sectors = 0;
    std::string cue;
    std::vector<std::pair<std::string, std::string>> pulled;
};
class AudioImageWriter;
RecordResult RecordAudioDisc(const CompilationSummary& compilation, bool cdText, AudioImageWriter& writer);

// The largest image the recorder writes: 100 minutes of audio.
inline constexpr std::uint32_t kMaxImageSectors = 100 * 60 * 75;

// What an ISO track made by VexoCreateIsoTrackEx holds besides its text:
// the first items of both root chains (still the caller's: they are read
// when the track is burnt or estimated, and checked then), the volume name,
// the burn options and the eight descriptive texts. Made without the
// arguments record, a track has the one root chain and its name, options 0.
struct IsoTrackContent {
    void* rootFirst = nullptr;
    void* wrapperFirst = nullptr;
    std::string volumeName;
    std::uint32_t burnOptions = 0;
    // System, volume set, publisher, data preparer, application, copyright
    // file, abstract file, bibliographic file (the arguments' order).
    std::array<std::string, 8> texts;
};

// The content of an ISO track this engine made and has not taken back
// (the caller holds the engine's lock); null for anything else.
const IsoTrackContent* IsoTrackOf(SimEngine& e, const void* track);

// The ISO item chain from `first`, as VexoSimDescribeIsoTree gives it.
std::string DescribeIsoChain(SimEngine& e, void* first);

}  // namespace vexosim

// Discs recorded as one BIN/CUE image, track after track: audio tracks
// (WAV, MP3/WMA decoded, raw PCM, or pulled through event callbacks) and
// data tracks as raw 2352-byte Mode 1 or Mode 2 Form 1 sectors (their user
// data from a file, from event callbacks, or an ISO 9660 image written from
// a data track's tree), each track in the session the plan gives. The
// audio disc, the mixed disc, the CD-extra disc and the freestyle disc are
// all plans of this one recorder.
#pragma once

#include "Compilations.h"
#include "DataImage.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vexosim {

class AudioImageWriter;

enum class TrackMode { Audio, Mode1, Mode2Form1 };

// The sheet's name of a mode: AUDIO, MODE1/2352, MODE2/2352.
const char* CueModeName(TrackMode mode);

struct DiscTrackPlan {
    TrackMode mode = TrackMode::Audio;
    enum class From { File, Event, Iso } from = From::File;
    // Files of audio tracks: 0 WAV, 2 MP3, 3 WMA (decoded), 4 a WAV file or
    // else raw CD-audio PCM. Files of data tracks are their user data.
    std::uint32_t fileKind = 0;
    std::string file;
    std::int32_t event = -1;                // the entry of the events for From::Event
    std::shared_ptr<const DataTree> iso;    // From::Iso
    std::int32_t pause = 0;                 // sectors before INDEX 01 (silence, or empty data sectors)
    std::uint32_t indexCount = 0;
    std::vector<std::int32_t> indexes;      // sectors after INDEX 01
    std::string title;
    std::string artist;
    std::uint32_t session = 1;
};

// An audio disc's track as a track of the recorder.
DiscTrackPlan AudioTrackOf(const AudioTrackPlan& track);

struct DiscPlan {
    std::string title;
    std::string artist;
    bool sessions = false;  // the sheet marks its sessions
    std::vector<DiscTrackPlan> tracks;
};

// Percent of the recording done; false when the burn is to end (aborted).
using ImageProgress = std::function<bool(std::int32_t percent)>;

// Records the plan's tracks through `writer` in order. Failures are error
// lines "Image recorder, track N: <what>" (see RecordResult); a progress
// answer of false ends the recording with `aborted` set.
RecordResult RecordDisc(const DiscPlan& plan, const std::vector<EventTrack>& events, bool cdText,
                        AudioImageWriter& writer, const ImageProgress& progress = nullptr);

// The plan of a compilation of type 0 holding a data track and audio
// tracks (lock held): the data track (Mode 1) first and the audio tracks
// after it in one session, or, with the CD-extra flag, the audio tracks in
// session 1 and the data track in session 2. False with the error line in
// `why` when the data track cannot be written.
bool PlanMixedDisc(SimEngine& e, const std::uint8_t* record, const CompilationSummary& compilation, DiscPlan& out,
                   std::string& why);

// The plan of a freestyle compilation (type 3, lock held): the ISO track
// (Mode 1) first, the file-system content's container (offsets 28/32) as a
// Mode 1 track after it, then the freestyle tracks in record order, each in
// its mode; with the CD-extra flag the audio tracks form session 1 and the
// data tracks (the ISO track first) session 2. False with the error line in
// `why`.
bool PlanFreestyleDisc(SimEngine& e, const std::uint8_t* record, const CompilationSummary& compilation, DiscPlan& out,
                       std::string& why);

}  // namespace vexosim

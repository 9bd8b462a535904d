// modGeneral: the rip job and its two per-track routines, and the small
// helpers around them.
//
// The job (RipCd) walks the track rows in order and rips every selected row
// into the output folder, "Track N.mp3" through the encoder or "Track N.wav",
// each read from the disc in blocks of 26 frames. Everything runs on the
// calling (window) thread; after every block the routines pump pending window
// messages, which is how a Cancel button gets through while a track runs.
//
// What the job needs from its surroundings comes in as values and interfaces,
// so the main window and the headless rip mode drive the same code:
//  - RipCdInputs: the format, folder, bitrate/quality selections, track rows,
//    TOC, drive handle and owner window;
//  - RipJobState: the job state text and CancelRip (Cancel writes them);
//  - RipProgress: one progress display per track;
//  - UserNotice: the messages the job shows.
//
// Secure mode reads every block twice and settles frames whose reads differ
// (SecureBlockRead.h); with it, or when asked for the proof alone, each
// track's report carries its CRCs and AccurateRip checksums (TrackProof.h).
// Without either the routines read, write and report exactly as before.
//
// Failure handling: a block that cannot be read in three attempts shows the
// CD access library's error text and abandons the track; an error inside the
// MP3 routine (a refused encoder configuration, a missing encoder library, a
// processor exception inside a library call) is shown under
// "Critical error..." with the critical-error icon. In both cases the
// track's resources are released and the job goes on with the next row.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "AkripRecords.h"
#include "AppError.h"
#include "EncoderConfig.h"
#include "OutputFormat.h"
#include "RipJobState.h"
#include "RipProgress.h"
#include "TrackProof.h"
#include "UserNotice.h"

namespace modGeneral {

// The title of the job's own messages (a block that cannot be read, an output
// folder that cannot be used).
inline constexpr const char* ApplicationTitle = ::ApplicationTitle;
// The title of an error raised inside the MP3 routine.
inline constexpr const char* CriticalErrorTitle = "Critical error...";
// The text before the output file's full path in every progress report.
inline constexpr const char* ProgressTextPrefix = "Extracting track ";

// `folder` unchanged when it ends in a backslash, else followed by one; an
// empty folder gives a lone backslash.
std::string AddBackslash(std::string_view folder);

// What became of one track.
enum class TrackOutcome {
    Complete,    // every frame read and written
    Abandoned,   // a block could not be read: the file holds what came before it
    Cancelled,   // MP3 only: Cancel ended the track at a block boundary
    NotWritten,  // the file could not be opened or written: the track stopped at the first failed write
    Failed,      // an error inside the MP3 routine ("Critical error...")
    NotStarted,  // a selected row skipped because the job had been cancelled
    DataTrack,   // a selected row left out: the disc has data there, not audio
};

std::string_view TrackOutcomeText(TrackOutcome outcome);

struct TrackReport {
    int row = 0;             // 1-based row of the track list
    std::string path;        // the output file
    TrackOutcome outcome = TrackOutcome::NotStarted;
    uint32_t framesDone = 0;   // frames read and handed to the file or encoder
    uint32_t framesTotal = 0;  // frames of the track
    // The track's CRCs and checksums, when the job was asked for them.
    std::optional<TrackProof> proof;
};

// The job's outcome, for callers that act on it (the headless mode's exit
// code); the window shows nothing at the end of a job.
struct RipCdReport {
    // False when the output folder could not be made current: no track began.
    bool started = false;
    // One entry per selected row, in row order.
    std::vector<TrackReport> tracks;

    // Started, and every selected track complete.
    bool AllComplete() const;
    int CompleteCount() const;
};

// One row of the hidden track list: "Track " + its number, and whether the
// row's check box is ticked.
struct TrackRow {
    std::string text;
    bool selected = false;
};

// Everything the job reads from the main window. The job reads `format`,
// `outputFolder` and the rows' `selected` flags again at the moments the rip
// algorithm reads the window, so a caller that keeps this object alive and
// updates it while the job pumps messages is seen by the next row.
struct RipCdInputs {
    OutputFormat format = OutputFormat::Mp3;  // the selected output format
    std::string outputFolder;   // the output folder text
    std::string bitrateText;    // the selected "Bitrate" item's text, e.g. "160"
    int qualityIndex = -1;      // the selected "Quality" position, -1 = none
    std::vector<TrackRow> trackList;
    AkripRecords::TocBytes toc{};  // the disc's TOC (LBA addresses)
    uint8_t cdHandle = 0;          // the CD access library's drive handle
    HWND owner = nullptr;          // owner of the progress display
    // Called after every block; empty means win::PumpPendingMessages.
    std::function<void()> pumpMessages;
    // Secure (test and copy) reading; implies `proof`.
    bool secure = false;
    // Gather each track's CRCs and AccurateRip checksums into its report.
    bool proof = false;
};

// What the per-track routines work with.
struct RipContext {
    RipJobState& state;
    RipProgress& progress;
    UserNotice& notice;
    uint8_t cdHandle = 0;
    HWND owner = nullptr;
    std::function<void()> pumpMessages;  // empty: win::PumpPendingMessages
    bool secure = false;                 // read every block twice (needs `proof`)
    TrackProofBuilder* proof = nullptr;  // the running track's proof, when gathered
};

// Rips frames [startFrame, endFrame) into a WAV file at `path`: the 44-byte
// header announcing the whole range, then every block. CancelRip is cleared
// and not consulted: a WAV track runs to its end or to a failed block.
TrackReport RipTrackToWav(RipContext& context, const std::string& path, uint32_t startFrame, uint32_t endFrame);

// Rips the same range through the encoder into an MP3 file at `path`, one
// encoder call per frame. Makes the program's folder current first (the
// encoder library lies there). Cancel ends it after the block being read,
// with the stream finished normally. Library calls run guarded: a processor
// exception inside one becomes error 10000, handled like any other error.
TrackReport RipTrackToMp3(RipContext& context, const std::string& path, uint32_t startFrame, uint32_t endFrame,
                          const EncoderConfig& config);

// The "Rip CD" job. When the output folder cannot be made the current
// directory, tells the user (naming the folder) and starts nothing.
RipCdReport RipCd(const RipCdInputs& inputs, RipJobState& state, RipProgress& progress, UserNotice& notice);

// The texts of the message shown for an output folder that cannot be used.
std::string OutputFolderMessage(std::string_view folder);

// The text of the message shown when selected rows are data tracks, which
// the job leaves out (`rows` in order, not empty).
std::string DataTracksMessage(const std::vector<int>& rows);

// The text of the message shown when a track's file cannot be opened or
// written (the track stops there).
std::string WriteFailedMessage(std::string_view path);

}  // namespace modGeneral

// RipProofFiles: the files that prove a rip, written beside its tracks when
// asked: "Rip log.txt" (RipLog.h gives its layout) and the CUE sheet
// "Disc.cue" (CueSheet.h), and the offline verification of the tracks
// against an AccurateRip record file the user downloaded.
//
// Compose is pure: from the job's inputs, its report and the record's bytes
// it makes both texts and the counts the caller acts on; Write puts them in
// the output folder.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "AccurateRipRecord.h"
#include "AkripRecords.h"
#include "CueSheet.h"
#include "DiscId.h"
#include "OutputFormat.h"
#include "RipLog.h"
#include "modGeneral.h"

namespace RipProofFiles {

inline constexpr const char* ProgramName = "Velmora Cadrel and Converter 1.0";

// What the table of contents alone says about the disc.
struct DiscIdentity {
    DiscId::Toc audio;              // the audio tracks (the identifiers' input)
    std::string freedbId;
    std::string musicBrainzId;
    AccurateRipRecord::DiscKey key;
    std::string recordName;         // the AccurateRip record file's name
};
DiscIdentity IdentifyDisc(const AkripRecords::TocBytes& toc);

// The record file the user named, as read.
struct RecordFile {
    std::string path;
    std::vector<uint8_t> bytes;
    std::string error;  // set when the file could not be read
};

// Reads at most AccurateRipRecord::MaxFileBytes of `path` (a longer file is
// refused: no record is that long).
RecordFile ReadRecordFile(const std::string& path);

struct Request {
    bool secure = false;
    OutputFormat format = OutputFormat::Wav;
    std::string formatText;   // e.g. "MP3 160 kbit/s Normal"
    std::string folder;
    std::string drive;
    std::string date;         // YYYY-MM-DD hh:mm:ss
    AkripRecords::TocBytes toc{};
    std::optional<RecordFile> record;  // verification asked for
};

struct Outcome {
    std::string logText;
    std::string cueText;
    int tracksOk = 0;        // complete and not suspicious
    int suspicious = 0;      // tracks with suspicious positions
    int accurate = 0;        // verified tracks
    int notVerified = 0;     // with verification asked: tracks not accurate (or not checked)
    bool verificationAsked = false;
    std::string verification;  // the log's "AccurateRip verification" value
};

Outcome Compose(const Request& request, const modGeneral::RipCdReport& report);

// The output format as the log names it: "WAV", or "MP3 160 kbit/s Normal".
std::string FormatText(OutputFormat format, const std::string& bitrateText, int qualityIndex);

// The local time as the log writes it.
std::string Now();

// Writes Outcome's texts into `folder`; the names of the files that could
// not be written.
std::vector<std::string> Write(const std::string& folder, const Outcome& outcome);

}  // namespace RipProofFiles

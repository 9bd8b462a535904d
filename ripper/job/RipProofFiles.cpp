#include "RipProofFiles.h"

#include <windows.h>

#include <cstdio>

#include "AccurateRip.h"
#include "EncoderConfig.h"
#include "LongPath.h"
#include "WinHandles.h"
#include "clsFileIo.h"

namespace RipProofFiles {
namespace {

std::string FileNameOf(const std::string& path) {
    const std::size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string MatchText(const AccurateRipRecord::TrackMatch& m) {
    using Result = AccurateRipRecord::TrackMatch::Result;
    switch (m.result) {
        case Result::Accurate:
            return "accurate (v" + std::to_string(m.version) + ", confidence " + std::to_string(m.confidence) + ")";
        case Result::NotAccurate:
            return "not accurate (" + std::to_string(m.pressings) + (m.pressings == 1 ? " pressing" : " pressings") +
                   ", highest confidence " + std::to_string(m.confidence) + ")";
        case Result::NotPresent: break;
    }
    return "not in the record";
}

std::string ResultText(const modGeneral::TrackReport& track) {
    if (track.outcome != modGeneral::TrackOutcome::Complete) return std::string(modGeneral::TrackOutcomeText(track.outcome));
    return track.proof && track.proof->Suspicious() ? "suspicious" : "OK";
}

}  // namespace

DiscIdentity IdentifyDisc(const AkripRecords::TocBytes& toc) {
    DiscIdentity disc;
    const int tracks = AkripRecords::TrackCount(toc);
    for (int i = 1; i <= tracks; ++i) disc.audio.starts.push_back(AkripRecords::TocAddressToLba(toc, i - 1));
    disc.audio.leadOut = AkripRecords::TocAddressToLba(toc, tracks);
    if (disc.audio.starts.empty()) return disc;
    disc.freedbId = DiscId::FreedbText(DiscId::FreedbId(disc.audio));
    disc.musicBrainzId = DiscId::MusicBrainzId(disc.audio);
    disc.key.audioTracks = tracks;
    disc.key.ids = AccurateRip::ComputeDiscIds(disc.audio.starts, disc.audio.leadOut);
    disc.key.freedbId = DiscId::FreedbId(disc.audio);
    disc.recordName = AccurateRipRecord::FileName(disc.key);
    return disc;
}

RecordFile ReadRecordFile(const std::string& path) {
    RecordFile record;
    record.path = path;
    win::unique_handle file(CreateFileW(win::FileApiPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        record.error = "cannot be opened";
        return record;
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart > static_cast<LONGLONG>(AccurateRipRecord::MaxFileBytes)) {
        record.error = "is too large for a record file";
        return record;
    }
    record.bytes.resize(static_cast<std::size_t>(size.QuadPart));
    DWORD got = 0;
    if (!record.bytes.empty() &&
        (!ReadFile(file.get(), record.bytes.data(), static_cast<DWORD>(record.bytes.size()), &got, nullptr) ||
         got != record.bytes.size())) {
        record.bytes.clear();
        record.error = "cannot be read";
    }
    return record;
}

Outcome Compose(const Request& request, const modGeneral::RipCdReport& report) {
    Outcome out;
    const DiscIdentity disc = IdentifyDisc(request.toc);

    // The verification: the record's pressings of this disc.
    std::optional<std::vector<AccurateRipRecord::Pressing>> pressings;
    if (request.record) {
        out.verificationAsked = true;
        const RecordFile& record = *request.record;
        const std::string name = FileNameOf(record.path);
        std::string parseError = record.error;
        if (parseError.empty()) {
            pressings = AccurateRipRecord::Parse(record.bytes, parseError);
            if (!pressings) parseError = "is not a record file: " + parseError;
        }
        if (!pressings) {
            out.verification = name + " " + parseError;
        } else {
            const int ofDisc = AccurateRipRecord::PressingsOf(*pressings, disc.key);
            out.verification = name + ": " + std::to_string(ofDisc) + (ofDisc == 1 ? " pressing" : " pressings") +
                               " of this disc";
            if (ofDisc == 0) out.verification += " (it is the record of another disc)";
        }
    }

    RipLog::Document log;
    log.program = ProgramName;
    log.date = request.date;
    log.drive = request.drive;
    log.secure = request.secure;
    log.format = request.formatText;
    log.folder = request.folder;
    log.freedbId = disc.freedbId;
    log.musicBrainzId = disc.musicBrainzId;
    log.accurateRipRecord = disc.recordName;
    if (out.verificationAsked) log.verification = out.verification;
    const int tracks = AkripRecords::TrackCount(request.toc);
    for (int i = 1; i <= tracks; ++i) {
        const auto range = AkripRecords::TrackRange(request.toc, i);
        log.toc.push_back({i, range->start, range->end, AkripRecords::IsDataTrack(request.toc, i)});
    }
    log.leadOut = AkripRecords::TocAddressToLba(request.toc, tracks);

    CueSheet::Sheet sheet;
    sheet.freedbId = disc.freedbId;
    sheet.musicBrainzId = disc.musicBrainzId;
    sheet.comment = ProgramName;

    int ripped = 0;
    for (const modGeneral::TrackReport& track : report.tracks) {
        if (track.outcome == modGeneral::TrackOutcome::DataTrack ||
            track.outcome == modGeneral::TrackOutcome::NotStarted)
            continue;
        ++ripped;
        RipLog::Track entry;
        entry.number = track.row;
        entry.file = FileNameOf(track.path);
        entry.result = ResultText(track);
        const bool complete = track.outcome == modGeneral::TrackOutcome::Complete;
        if (track.proof) {
            entry.testCrc = track.proof->testCrc;
            entry.copyCrc = track.proof->copyCrc;
            entry.accurateRipV1 = track.proof->accurateRipV1;
            entry.accurateRipV2 = track.proof->accurateRipV2;
            entry.rereads = track.proof->rereads;
            entry.suspicious = track.proof->suspicious;
            if (track.proof->Suspicious()) ++out.suspicious;
        }
        if (complete && entry.result == "OK") ++out.tracksOk;
        if (out.verificationAsked) {
            if (!pressings) {
                entry.accurateRip = "not checked (no record)";
                ++out.notVerified;
            } else if (!complete || !track.proof) {
                entry.accurateRip = "not checked (the track is incomplete)";
                ++out.notVerified;
            } else {
                const auto match = AccurateRipRecord::Match(*pressings, disc.key, track.row,
                                                            track.proof->accurateRipV1, track.proof->accurateRipV2);
                entry.accurateRip = MatchText(match);
                if (match.result == AccurateRipRecord::TrackMatch::Result::Accurate) ++out.accurate;
                else ++out.notVerified;
            }
        }
        log.tracks.push_back(entry);

        CueSheet::Track cue;
        cue.number = track.row;
        cue.file = entry.file;
        cue.mp3 = request.format == OutputFormat::Mp3;
        if (const auto range = AkripRecords::TrackRange(request.toc, track.row); range && track.row == 1)
            cue.pregap = range->start;
        sheet.tracks.push_back(cue);
    }

    log.summary = std::to_string(out.tracksOk) + " of " + std::to_string(ripped) + " tracks OK, " +
                  std::to_string(out.suspicious) + " suspicious";
    if (out.verificationAsked)
        log.summary += ", " + std::to_string(out.accurate) + " accurate, " + std::to_string(out.notVerified) +
                       " not verified";
    out.logText = RipLog::Text(log);
    out.cueText = CueSheet::Text(sheet);
    return out;
}

std::string FormatText(OutputFormat format, const std::string& bitrateText, int qualityIndex) {
    if (format == OutputFormat::Wav) return "WAV";
    std::string text = "MP3 ";
    text.append(bitrateText).append(" kbit/s");
    if (qualityIndex >= 0 && static_cast<std::size_t>(qualityIndex) < EncoderLists::Qualities.size())
        text.append(" ").append(EncoderLists::Qualities[static_cast<std::size_t>(qualityIndex)].text);
    return text;
}

std::string Now() {
    SYSTEMTIME t{};
    GetLocalTime(&t);
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
                  t.wSecond);
    return text;
}

std::vector<std::string> Write(const std::string& folder, const Outcome& outcome) {
    std::vector<std::string> failed;
    const std::string base = modGeneral::AddBackslash(folder);
    const auto put = [&](const char* name, const std::string& text) {
        clsFileIo file;
        const bool ok = file.OpenFile(base + name) &&
                        file.WriteBytes({reinterpret_cast<const uint8_t*>(text.data()), text.size()}) &&
                        file.FlushBuffers();
        file.CloseFile();
        if (!ok) failed.push_back(base + name);
    };
    put(RipLog::FileName, outcome.logText);
    put(CueSheet::FileName, outcome.cueText);
    return failed;
}

}  // namespace RipProofFiles

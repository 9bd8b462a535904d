#include "HeadlessRip.h"

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "AkripRecords.h"
#include "RipLog.h"
#include "TrackTimes.h"
#include "ConsoleLines.h"
#include "LongPath.h"
#include "RipJobState.h"
#include "RipProofFiles.h"
#include "RipProgress.h"
#include "UserNotice.h"
#include "modAKRip32.h"
#include "modErrHandler.h"
#include "ModuleFolder.h"
#include "ProgramArguments.h"
#include "modGeneral.h"
#include "modSettings.h"

namespace HeadlessRip {
namespace {

using LineOutput = win::ConsoleLines;

LineOutput* reportTarget = nullptr;

// A processor exception with no guarded call running ends the process; the
// reason is written as a line first.
void ReportFatal(const AppError& e) {
    if (reportTarget)
        reportTarget->Line("Error " + std::to_string(e.number) + " (" + e.source + "): " + e.description);
}

class ConsoleProgress : public RipProgress {
public:
    explicit ConsoleProgress(LineOutput& out) : out_(out) {}
    void Show(HWND) override { lastPercent_ = -1; }
    // One line whenever the whole percentage changes, so a long track prints
    // at most about a hundred lines.
    void ChangeProgress(const std::string& text, float done, float total) override {
        const int percent = total > 0 ? static_cast<int>(std::floor(done * 100.0f / total)) : 0;
        if (percent == lastPercent_) return;
        lastPercent_ = percent;
        out_.Line(ProgressLine(text, done, total));
    }
    void Close() override {}

private:
    LineOutput& out_;
    int lastPercent_ = -1;
};

// The line with a track's CRCs and checksums:
// "<path>: test CRC X, copy CRC X, AccurateRip v1 X, v2 X, N re-reads, suspicious positions P".
std::string ProofLine(const modGeneral::TrackReport& track) {
    const TrackProof& p = *track.proof;
    std::string line = track.path + ": ";
    if (p.testCrc) line += "test CRC " + RipLog::Hex32(*p.testCrc) + ", ";
    line += "copy CRC " + RipLog::Hex32(p.copyCrc) + ", AccurateRip v1 " + RipLog::Hex32(p.accurateRipV1) + ", v2 " +
            RipLog::Hex32(p.accurateRipV2);
    if (p.secure) line += ", " + std::to_string(p.rereads) + " re-reads, suspicious positions " + RipLog::Positions(p.suspicious);
    return line;
}

int Run(const std::vector<std::string>& args, const std::string& lossy, LineOutput& out) {
    if (!lossy.empty()) {
        out.Line("cadrel: " + win::LossyArgumentReason(lossy));
        return ExitBadRequest;
    }
    const RipCommandLine::ParseResult parsed = RipCommandLine::Parse(args);
    if (!parsed) {
        out.Line("cadrel: " + parsed.error);
        out.Line(std::string(RipCommandLine::Usage()));
        return ExitBadRequest;
    }
    const RipCommandLine::RipCommand& command = *parsed.command;

    const std::string folderText = command.outFolder ? *command.outFolder : modSettings::LoadRipOutputFolder();
    const std::string folder = win::FullPathName(folderText);
    if (!win::FolderExists(folder)) {
        out.Line("cadrel: the output folder " + folder + (win::FileExists(folder) ? " is a file" : " does not exist"));
        return ExitBadRequest;
    }

    // A record file to verify against is read before any track: a rip the
    // user cannot have verified is not started.
    std::optional<RipProofFiles::RecordFile> record;
    if (command.verifyFile) {
        record = RipProofFiles::ReadRecordFile(win::FullPathName(*command.verifyFile));
        if (!record->error.empty()) {
            out.Line("cadrel: the AccurateRip record file " + record->path + " " + record->error);
            return ExitBadRequest;
        }
        std::string error;
        if (!AccurateRipRecord::Parse(record->bytes, error)) {
            out.Line("cadrel: " + record->path + " is not an AccurateRip record file: " + error);
            return ExitBadRequest;
        }
    }

    // The CD access library lies in the program's folder.
    const std::string programFolder = win::ProgramFolder();
    if (!programFolder.empty()) SetCurrentDirectoryA(programFolder.c_str());
    if (!modAKRip32::IsLibraryLoaded()) {
        out.Line("cadrel: the CD access library akrip32.dll cannot be loaded");
        return ExitBadRequest;
    }
    const int drives = modAKRip32::GetNumAdapters();
    if (command.drive >= drives) {
        out.Line("cadrel: there is no drive " + std::to_string(command.drive) + " (the CD access library lists " +
                 std::to_string(drives) + ")");
        return ExitBadRequest;
    }
    const bool tocRead = modAKRip32::OpenDriveAndReadToc(command.drive);
    const int trackCount = tocRead ? AkripRecords::TrackCount(modAKRip32::Toc) : 0;
    if (trackCount == 0) {
        modAKRip32::CloseDrive();
        out.Line("cadrel: no disc in drive " + std::to_string(command.drive));
        return ExitBadRequest;
    }
    bool anyAudio = false;
    for (int i = 1; i <= trackCount; ++i) anyAudio = anyAudio || !AkripRecords::IsDataTrack(modAKRip32::Toc, i);
    if (!anyAudio) {
        modAKRip32::CloseDrive();
        out.Line("cadrel: the disc in drive " + std::to_string(command.drive) + " holds no audio track");
        return ExitBadRequest;
    }
    if (!command.allTracks && command.tracks.back() > trackCount) {
        modAKRip32::CloseDrive();
        out.Line("cadrel: the disc has no track " + std::to_string(command.tracks.back()) + " (it holds " +
                 std::to_string(trackCount) + ")");
        return ExitBadRequest;
    }

    modGeneral::RipCdInputs inputs;
    inputs.format = command.format;
    inputs.outputFolder = folder;
    inputs.bitrateText = command.bitrateText;
    inputs.qualityIndex = command.qualityIndex;
    for (int i = 1; i <= trackCount; ++i) inputs.trackList.push_back({"Track " + std::to_string(i), command.Wants(i)});
    inputs.toc = modAKRip32::Toc;
    inputs.cdHandle = modAKRip32::CdHandle;
    inputs.secure = command.secure;
    inputs.proof = command.log;
    // No window to keep answering: nothing to pump between blocks (a queue
    // looked at would cost a call to the window system per block).
    inputs.pumpMessages = [] {};

    RipJobState state;
    ConsoleProgress progress(out);
    LineNotice notice([&out](const std::string& line) { out.Line(line); });
    const modGeneral::RipCdReport report = modGeneral::RipCd(inputs, state, progress, notice);
    modAKRip32::CloseDrive();

    if (!report.started) return ExitBadRequest;
    int suspicious = 0;
    for (const modGeneral::TrackReport& track : report.tracks) {
        std::string line = track.path + ": " + std::string(modGeneral::TrackOutcomeText(track.outcome));
        // A data track was never read: no frame count to give.
        if (track.outcome != modGeneral::TrackOutcome::Complete && track.outcome != modGeneral::TrackOutcome::DataTrack)
            line += " (" + std::to_string(track.framesDone) + " of " + std::to_string(track.framesTotal) + " frames)";
        out.Line(line);
        if (track.proof) out.Line(ProofLine(track));
        if (track.proof && track.proof->Suspicious()) ++suspicious;
    }
    out.Line(std::to_string(report.CompleteCount()) + " of " + std::to_string(report.tracks.size()) +
             " tracks written completely");

    bool proven = suspicious == 0;
    if (command.log) {
        RipProofFiles::Request request;
        request.secure = command.secure;
        request.format = command.format;
        request.formatText = RipProofFiles::FormatText(command.format, command.bitrateText, command.qualityIndex);
        request.folder = folder;
        const AkripRecords::CdRecordBytes drive = modAKRip32::GetCDRecord(command.drive);
        const auto id = AkripRecords::Identification(drive);
        request.drive = TrackTimes::BytesToString(id.data(), id.size());
        request.date = RipProofFiles::Now();
        request.toc = inputs.toc;
        request.record = record;
        const RipProofFiles::Outcome proof = RipProofFiles::Compose(request, report);
        const std::vector<std::string> failed = RipProofFiles::Write(folder, proof);
        for (const std::string& path : failed) out.Line("cadrel: " + path + " cannot be written");
        if (!failed.empty()) proven = false;
        out.Line("Rip log: " + modGeneral::AddBackslash(folder) + RipLog::FileName);
        if (proof.verificationAsked) {
            out.Line("AccurateRip verification: " + proof.verification);
            out.Line(std::to_string(proof.accurate) + " of " + std::to_string(proof.accurate + proof.notVerified) +
                     " tracks accurate");
            if (proof.notVerified > 0) proven = false;
        }
    }
    if (suspicious > 0) out.Line("tracks with suspicious positions: " + std::to_string(suspicious));
    // "All tracks" asks for the disc's audio: the data tracks it leaves out fail nothing.
    const bool done = report.started && std::all_of(report.tracks.begin(), report.tracks.end(), [&](const auto& t) {
        return t.outcome == modGeneral::TrackOutcome::Complete ||
               (command.allTracks && t.outcome == modGeneral::TrackOutcome::DataTrack);
    });
    return done && proven ? ExitComplete : ExitIncomplete;
}

}  // namespace

std::string ProgressLine(const std::string& text, float done, float total) {
    const double percent = total > 0 ? std::floor(double(done) * 100.0 / double(total)) : 0.0;
    return text + ": " + std::to_string(static_cast<long long>(done)) + " of " +
           std::to_string(static_cast<long long>(total)) + " frames (" +
           std::to_string(static_cast<long long>(percent)) + " %)";
}

}  // namespace HeadlessRip

int RunHeadlessRip(const std::vector<std::string>& args, const std::string& lossy) {
    HeadlessRip::LineOutput out;
    HeadlessRip::reportTarget = &out;
    modErrHandler::Install();
    const modErrHandler::GeneralReport previous = modErrHandler::SetGeneralReport(&HeadlessRip::ReportFatal);
    const int code = HeadlessRip::Run(args, lossy, out);
    modErrHandler::SetGeneralReport(previous);
    HeadlessRip::reportTarget = nullptr;
    return code;
}

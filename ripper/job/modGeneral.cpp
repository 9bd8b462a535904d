#include "modGeneral.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <memory>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "LongPath.h"
#include "MessagePump.h"
#include "ModuleFolder.h"
#include "clsFileIo.h"
#include "modAKRip32.h"
#include "modErrHandler.h"
#include "modLAME.h"
#include "SecureBlockRead.h"

namespace modGeneral {
namespace {

using AkripRecords::BytesPerFrame;
using AkripRecords::FramesPerRead;

constexpr int ReadAttempts = 3;

// Runs `fn` under a guard when `guarded`, else directly; the error a guarded
// call turned a processor exception into, or none.
template <class F>
AppError Call(bool guarded, F&& fn) {
    if (!guarded) {
        fn();
        return {};
    }
    return modErrHandler::GuardedCall(std::forward<F>(fn));
}

// Closes the progress display when the track routine leaves, on every path.
class ProgressShown {
public:
    ProgressShown(RipProgress& progress, HWND owner) : progress_(progress) { progress_.Show(owner); }
    ~ProgressShown() { progress_.Close(); }
    ProgressShown(const ProgressShown&) = delete;
    ProgressShown& operator=(const ProgressShown&) = delete;

private:
    RipProgress& progress_;
};

void Pump(const RipContext& context) {
    if (context.pumpMessages) context.pumpMessages();
    else win::PumpPendingMessages();
}

void Report(RipContext& context, const std::string& path, uint32_t done, uint32_t total) {
    context.progress.ChangeProgress(ProgressTextPrefix + path, static_cast<float>(done), static_cast<float>(total));
}

enum class BlockResult { Read, Failed, Raised };

// Reads one block of `frames` frames from `current` into `block`: up to three
// attempts, each with a fresh header. When all three fail, shows the library's
// error text (unless `quiet`) and gives Failed. With `guarded`, every library
// call runs under a guard and a processor exception inside one gives Raised
// with `error`.
BlockResult ReadBlock(RipContext& context, std::span<uint8_t> block, uint32_t current, uint32_t frames,
                      bool guarded, AppError& error, bool quiet = false) {
    for (int attempt = 0; attempt < ReadAttempts; ++attempt) {
        const AkripRecords::TrackBufferHeaderBytes header = AkripRecords::MakeTrackBufferHeader(current, frames);
        std::copy(header.begin(), header.end(), block.begin());
        uint32_t result = 0;
        error = Call(guarded, [&] { result = modAKRip32::ReadCDAudioLBA(context.cdHandle, block); });
        if (error) return BlockResult::Raised;
        if (result == 1) return BlockResult::Read;
    }
    if (quiet) return BlockResult::Failed;
    std::string text;
    error = Call(guarded, [&] { text = modAKRip32::AspiErrorText(); });
    if (error) return BlockResult::Raised;
    context.notice.Show(text, ApplicationTitle, NoticeIcon::None);
    return BlockResult::Failed;
}

// Reads the track's next block as the job was asked to (once, or securely
// into `block` with the help of `spare`) and hands its audio to the track's
// proof when one is gathered.
BlockResult ReadTrackBlock(RipContext& context, std::span<uint8_t> block, std::span<uint8_t> spare,
                           uint32_t current, uint32_t frames, uint32_t trackStart, bool guarded, AppError& error) {
    BlockResult result = BlockResult::Read;
    if (context.secure && context.proof) {
        using SecureBlockRead::Outcome;
        const auto once = [&](std::span<uint8_t> buffer, uint32_t first, uint32_t n, bool quiet) {
            switch (ReadBlock(context, buffer, first, n, guarded, error, quiet)) {
                case BlockResult::Read: return Outcome::Read;
                case BlockResult::Failed: return Outcome::Failed;
                case BlockResult::Raised: break;
            }
            return Outcome::Raised;
        };
        switch (SecureBlockRead::Read(once, block, spare, current, frames, trackStart, *context.proof)) {
            case Outcome::Read: result = BlockResult::Read; break;
            case Outcome::Failed: result = BlockResult::Failed; break;
            case Outcome::Raised: result = BlockResult::Raised; break;
        }
    } else {
        result = ReadBlock(context, block, current, frames, guarded, error);
    }
    if (result == BlockResult::Read && context.proof) context.proof->Written(modAKRip32::BlockAudio(block, frames));
    return result;
}

// The second buffer secure reading needs; none otherwise.
win::heap_block SpareBuffer(const RipContext& context) {
    return context.secure && context.proof ? modAKRip32::AllocateTrackBuffer() : win::heap_block();
}

bool SpareMissing(const RipContext& context, const win::heap_block& spare) {
    return context.secure && context.proof && !spare;
}

uint32_t FramesOf(uint32_t startFrame, uint32_t endFrame) { return endFrame > startFrame ? endFrame - startFrame : 0; }

AppError OutOfMemory() { return {7, "modGeneral", "Out of memory"}; }

}  // namespace

std::string AddBackslash(std::string_view folder) {
    std::string result(folder);
    if (result.empty() || result.back() != '\\') result += '\\';
    return result;
}

std::string_view TrackOutcomeText(TrackOutcome outcome) {
    switch (outcome) {
        case TrackOutcome::Complete: return "complete";
        case TrackOutcome::Abandoned: return "abandoned after a read error";
        case TrackOutcome::Cancelled: return "cancelled";
        case TrackOutcome::NotWritten: return "not written";
        case TrackOutcome::Failed: return "failed";
        case TrackOutcome::NotStarted: return "not started";
        case TrackOutcome::DataTrack: return "left out: a data track";
    }
    return "unknown";
}

bool RipCdReport::AllComplete() const {
    return started && std::all_of(tracks.begin(), tracks.end(),
                                  [](const TrackReport& t) { return t.outcome == TrackOutcome::Complete; });
}

int RipCdReport::CompleteCount() const {
    return static_cast<int>(std::count_if(tracks.begin(), tracks.end(),
                                          [](const TrackReport& t) { return t.outcome == TrackOutcome::Complete; }));
}

std::string OutputFolderMessage(std::string_view folder) {
    if (folder.empty()) return "No output folder is set. Choose an output folder, then rip again.";
    return "The output folder " + std::string(folder) +
           " does not exist or cannot be opened. Choose another output folder, then rip again.";
}

std::string DataTracksMessage(const std::vector<int>& rows) {
    std::string list;
    for (std::size_t k = 0; k < rows.size(); ++k) {
        if (k > 0) list += k + 1 == rows.size() ? " and " : ", ";
        list += std::to_string(rows[k]);
    }
    if (rows.size() == 1) return "Track " + list + " is a data track, not audio. It was left out of the rip.";
    return "Tracks " + list + " are data tracks, not audio. They were left out of the rip.";
}

std::string WriteFailedMessage(std::string_view path) {
    return "The file " + std::string(path) +
           " cannot be written (the disk may be full or the folder read-only). The track was stopped.";
}

// --- WAV ----------------------------------------------------------------------

TrackReport RipTrackToWav(RipContext& context, const std::string& path, uint32_t startFrame, uint32_t endFrame) {
    TrackReport report;
    report.path = path;
    context.state.SetCancelRip(false);
    ProgressShown shown(context.progress, context.owner);

    win::heap_block block = modAKRip32::AllocateTrackBuffer();
    win::heap_block spare = SpareBuffer(context);
    const uint32_t total = FramesOf(startFrame, endFrame);
    report.framesTotal = total;
    uint32_t remaining = total;
    uint32_t current = startFrame;
    uint32_t n = FramesPerRead;

    clsFileIo file;
    // The header is written once, before any audio, and announces the whole range.
    const uint64_t announced = uint64_t{total} * BytesPerFrame;
    bool written = file.OpenFile(path) &&
                   file.writeWavHeader(static_cast<uint32_t>(std::min<uint64_t>(announced, UINT32_MAX - 36)));

    bool readFailed = !block || SpareMissing(context, spare);  // without a block there is nothing to read into
    // The first write that fails ends the track: nothing more is read.
    while (remaining > 0 && !readFailed && written) {
        if (remaining < n) n = remaining;
        AppError unused;
        if (ReadTrackBlock(context, block.bytes(), spare.bytes(), current, n, startFrame, false, unused) !=
            BlockResult::Read) {
            readFailed = true;
            break;
        }
        written = file.WriteBytes(modAKRip32::BlockAudio(block.bytes(), n)) && file.FlushBuffers();
        current += n;
        remaining -= n;
        report.framesDone = total - remaining;
        Report(context, path, total - remaining, total);
        Pump(context);
    }

    block.reset();
    spare.reset();
    file.CloseFile();
    if (readFailed) {
        report.outcome = TrackOutcome::Abandoned;
    } else if (!written) {
        report.outcome = TrackOutcome::NotWritten;
        context.notice.Show(WriteFailedMessage(path), ApplicationTitle, NoticeIcon::Exclamation);
    } else {
        report.outcome = TrackOutcome::Complete;
    }
    return report;
}

// --- MP3 ----------------------------------------------------------------------

TrackReport RipTrackToMp3(RipContext& context, const std::string& path, uint32_t startFrame, uint32_t endFrame,
                          const EncoderConfig& config) {
    TrackReport report;
    report.path = path;
    const uint32_t total = FramesOf(startFrame, endFrame);
    report.framesTotal = total;

    const std::string programFolder = win::ProgramFolder();
    if (!programFolder.empty()) SetCurrentDirectoryA(programFolder.c_str());
    context.state.SetCancelRip(false);
    ProgressShown shown(context.progress, context.owner);

    // The stream is held by pointer: after a processor exception inside the
    // encoder it may have to be left as it is (see the handler below).
    auto stream = std::make_unique<modLAME::EncoderStream>();
    bool encoderFaulted = false;
    std::optional<clsFileIo> file;
    win::heap_block block;
    win::heap_block spare;
    bool written = true;
    bool readFailed = false;
    bool cancelled = false;

    // The routine proper; an error it returns is handled below.
    const AppError error = [&]() -> AppError {
        AppError started;
        if (AppError e = modErrHandler::GuardedCall([&] { started = stream->Start(config); })) {
            encoderFaulted = true;
            return e;
        }
        if (started) return started;

        file.emplace();
        written = file->OpenFile(path);
        if (!written) return {};  // nothing read, nothing to encode

        block = modAKRip32::AllocateTrackBuffer();
        spare = SpareBuffer(context);
        if (!block || SpareMissing(context, spare)) return OutOfMemory();

        // A block's MP3 bytes go to the file in one write, just before its
        // flush: one system call per block instead of one per encoder call
        // that produced bytes (each costs a journal update of the file's
        // size and time on the usual file systems).
        std::vector<uint8_t> blockOutput;
        blockOutput.reserve(std::size_t{FramesPerRead} * stream->BufferSize());
        const auto writeBlockOutput = [&] {
            if (!blockOutput.empty()) written = file->WriteBytes(blockOutput) && written;
            blockOutput.clear();
        };
        // The first write that fails ends the track: nothing more is read,
        // and the stream is not finished into a file that takes nothing.

        uint32_t remaining = total;
        uint32_t current = startFrame;
        uint32_t n = FramesPerRead;
        while (remaining > 0) {
            if (remaining < n) n = remaining;
            AppError raised;
            const BlockResult read =
                ReadTrackBlock(context, block.bytes(), spare.bytes(), current, n, startFrame, true, raised);
            if (read == BlockResult::Raised) return raised;
            if (read == BlockResult::Failed) {
                readFailed = true;
                break;
            }
            const std::span<const uint8_t> audio = modAKRip32::BlockAudio(block.bytes(), n);
            for (uint32_t f = 0; f < n; ++f) {
                const uint8_t* frame = audio.data() + std::size_t{f} * BytesPerFrame;
                uint32_t produced = 0;
                if (AppError e = modErrHandler::GuardedCall(
                        [&] { produced = stream->EncodeFrame(frame, modLAME::FrameBytes); })) {
                    encoderFaulted = true;
                    writeBlockOutput();  // what the block gave before the fault
                    return e;
                }
                const std::span<const uint8_t> bytes = stream->Output();
                if (produced > 0) blockOutput.insert(blockOutput.end(), bytes.begin(), bytes.end());
            }
            writeBlockOutput();
            written = file->FlushBuffers() && written;
            current += n;
            remaining -= n;
            report.framesDone = total - remaining;
            if (!written) return {};
            if (context.state.CancelRip()) {
                cancelled = remaining > 0;
                break;
            }
            Report(context, path, total - remaining, total);
            Pump(context);
        }

        uint32_t produced = 0;
        if (AppError e = modErrHandler::GuardedCall([&] { produced = stream->Finish(); })) {
            encoderFaulted = true;
            return e;
        }
        if (produced > 0) {
            written = file->WriteBytes(stream->Output()) && written;
            written = file->FlushBuffers() && written;
        }
        return {};
    }();

    if (error) {
        context.notice.Show(error.description, CriticalErrorTitle, NoticeIcon::Critical);
        block.reset();
        spare.reset();
        if (file) {
            file->FlushBuffers();
            file->CloseFile();
        }
        file.reset();
        // A stream the encoder faulted in gets one guarded attempt to close;
        // when that faults too it is left alone for good.
        if (encoderFaulted && modErrHandler::GuardedCall([&] { stream->Close(); })) (void)stream.release();
        report.outcome = TrackOutcome::Failed;
    } else {
        block.reset();
        spare.reset();
        file->CloseFile();
        file.reset();
        if (readFailed) {
            report.outcome = TrackOutcome::Abandoned;
        } else if (!written) {
            report.outcome = TrackOutcome::NotWritten;
            context.notice.Show(WriteFailedMessage(path), ApplicationTitle, NoticeIcon::Exclamation);
        } else if (cancelled) {
            report.outcome = TrackOutcome::Cancelled;
        } else {
            report.outcome = TrackOutcome::Complete;
        }
    }
    if (stream && modErrHandler::GuardedCall([&] { stream->Close(); })) (void)stream.release();
    return report;
}

// --- The job ------------------------------------------------------------------

RipCdReport RipCd(const RipCdInputs& inputs, RipJobState& state, RipProgress& progress, UserNotice& notice) {
    RipCdReport report;

    // The encoder configuration is built once per job, from the selections as
    // they are now. A job that begins as WAV keeps an all-zero record.
    EncoderConfig config;
    if (inputs.format == OutputFormat::Mp3) config = EncoderConfig::FromSelection(inputs.bitrateText, inputs.qualityIndex);

    // A folder deeper than MAX_PATH cannot be the current one, but it takes
    // the files all the same: they are written by their full names.
    if (inputs.outputFolder.empty() ||
        (!SetCurrentDirectoryA(inputs.outputFolder.c_str()) && !win::FolderExists(inputs.outputFolder))) {
        notice.Show(OutputFolderMessage(inputs.outputFolder), ApplicationTitle, NoticeIcon::Exclamation);
        return report;
    }
    report.started = true;
    state.SetJobState(RipJobState::State::Start);

    // Data tracks hold no audio: they are left out, and the user hears of
    // them once, before any track starts.
    std::vector<int> dataRows;
    for (std::size_t i = 1; i <= inputs.trackList.size(); ++i)
        if (inputs.trackList[i - 1].selected && AkripRecords::IsDataTrack(inputs.toc, static_cast<int>(i)))
            dataRows.push_back(static_cast<int>(i));
    if (!dataRows.empty()) notice.Show(DataTracksMessage(dataRows), ApplicationTitle, NoticeIcon::Exclamation);

    RipContext context{state, progress, notice, inputs.cdHandle, inputs.owner, inputs.pumpMessages};
    context.secure = inputs.secure;
    const bool gatherProof = inputs.secure || inputs.proof;
    // AccurateRip leaves out words at the start of the disc's first audio
    // track and the end of its last one.
    int firstAudio = 0, lastAudio = 0;
    for (int i = 1; i <= AkripRecords::TrackCount(inputs.toc); ++i) {
        if (AkripRecords::IsDataTrack(inputs.toc, i)) continue;
        if (firstAudio == 0) firstAudio = i;
        lastAudio = i;
    }
    const std::size_t rows = inputs.trackList.size();
    for (std::size_t i = 1; i <= rows && i <= inputs.trackList.size(); ++i) {
        const TrackRow& row = inputs.trackList[i - 1];
        const bool mp3 = inputs.format == OutputFormat::Mp3;
        const std::string path = AddBackslash(inputs.outputFolder) + row.text + (mp3 ? ".mp3" : ".wav");
        if (state.JobState() == RipJobState::State::Stop) {
            // After a Cancel no further track starts; the row only shows in the report.
            if (row.selected) {
                TrackReport skipped;
                skipped.row = static_cast<int>(i);
                skipped.path = path;
                report.tracks.push_back(std::move(skipped));
            }
            continue;
        }
        if (!row.selected) continue;
        if (std::find(dataRows.begin(), dataRows.end(), static_cast<int>(i)) != dataRows.end()) {
            TrackReport data;
            data.row = static_cast<int>(i);
            data.path = path;
            data.outcome = TrackOutcome::DataTrack;
            report.tracks.push_back(std::move(data));
            continue;
        }

        const uint32_t start = AkripRecords::TocAddressToLba(inputs.toc, static_cast<int>(i) - 1);
        const uint32_t end = AkripRecords::TocAddressToLba(inputs.toc, static_cast<int>(i));
        context.cdHandle = inputs.cdHandle;
        context.owner = inputs.owner;

        std::optional<TrackProofBuilder> proof;
        if (gatherProof)
            proof.emplace(FramesOf(start, end), static_cast<int>(i) == firstAudio, static_cast<int>(i) == lastAudio,
                          inputs.secure);
        context.proof = proof ? &*proof : nullptr;

        TrackReport track = mp3 ? RipTrackToMp3(context, path, start, end, config)
                                : RipTrackToWav(context, path, start, end);
        track.row = static_cast<int>(i);
        if (proof) track.proof = proof->Result();
        context.proof = nullptr;
        report.tracks.push_back(std::move(track));
    }
    return report;
}

}  // namespace modGeneral

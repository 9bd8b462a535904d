// The BIN/CUE recorder of DiscRecorder.h and the plans of mixed, CD-extra
// and freestyle discs.
//
// Data sectors carry their disc address in the header counted from the
// start of the BIN (the first sector is address 0, MSF 00:02:00), whatever
// session they belong to: the image holds no gap for the lead-out and
// lead-in between sessions, as BIN/CUE images of several sessions
// usually do not. The ISO 9660 image of a data track counts its extents
// from the track's own first sector.

#include "DiscRecorder.h"

#include "AudioDecoder.h"
#include "AudioImageWriter.h"
#include "CueWriter.h"
#include "EngineLayout.h"
#include "FsImage.h"
#include "RawSectors.h"
#include "Writer.h"

#include <windows.h>

#include <array>
#include <cstring>
#include <stdexcept>

namespace vexosim {
namespace {

namespace L = vexosim::layout;

// Turns a stream of user data into raw sectors of one data track. The
// sector last filled is held back until more follows, so the track's last
// sector can be marked as such.
class DataSectorSink {
public:
    DataSectorSink(AudioImageWriter& writer, TrackMode mode) : writer_(writer), mode_(mode) {}

    bool Put(const std::uint8_t* bytes, std::size_t count) {
        while (count > 0) {
            const std::size_t piece = std::min(count, kUserDataBytes - filled_);
            std::memcpy(block_.data() + filled_, bytes, piece);
            filled_ += piece;
            bytes += piece;
            count -= piece;
            if (filled_ == kUserDataBytes) {
                if (held_ && !Emit(heldBlock_, false)) return false;
                heldBlock_ = block_;
                held_ = true;
                filled_ = 0;
            }
        }
        return true;
    }

    // Writes what is held and a last partial block (zero-padded).
    bool Finish() {
        if (filled_ > 0) {
            std::memset(block_.data() + filled_, 0, kUserDataBytes - filled_);
            if (held_ && !Emit(heldBlock_, false)) return false;
            heldBlock_ = block_;
            held_ = true;
            filled_ = 0;
        }
        if (held_ && !Emit(heldBlock_, true)) return false;
        held_ = false;
        return true;
    }

    // Sectors of zeros before the track's INDEX 01.
    bool Empty(std::uint32_t sectors) {
        const std::array<std::uint8_t, kUserDataBytes> zeros{};
        for (std::uint32_t i = 0; i < sectors; ++i)
            if (!Emit(zeros, false)) return false;
        return true;
    }

private:
    bool Emit(const std::array<std::uint8_t, kUserDataBytes>& user, bool last) {
        std::array<std::uint8_t, kRawSectorBytes> raw;
        if (mode_ == TrackMode::Mode2Form1)
            MakeMode2Form1Sector(writer_.Sectors(), user.data(), last, raw.data());
        else
            MakeMode1Sector(writer_.Sectors(), user.data(), raw.data());
        return writer_.Write(raw.data(), raw.size());
    }

    AudioImageWriter& writer_;
    TrackMode mode_;
    std::array<std::uint8_t, kUserDataBytes> block_{}, heldBlock_{};
    std::size_t filled_ = 0;
    bool held_ = false;
};

bool StartsWithRiff(const std::string& path) {
    SourceFile file(path);
    char head[4] = {};
    return file.IsOpen() && file.Size() >= 4 && file.ReadAt(0, head, 4) && std::memcmp(head, "RIFF", 4) == 0;
}

// The audio of a file track.
bool AppendAudioFile(const DiscTrackPlan& t, std::size_t number, AudioImageWriter& writer, std::string& why) {
    switch (t.fileKind) {
    case 0:
        return writer.AppendWav(t.file, why);
    case 4:
        return StartsWithRiff(t.file) ? writer.AppendWav(t.file, why) : writer.AppendPcmFile(t.file, why);
    case 2:
    case 3: {
        // Decoded beside the image, taken in and deleted.
        const std::string pcm = writer.Paths().bin + Format(".track%zu.pcm.partial", number);
        struct Remove {
            const std::string& path;
            ~Remove() { DeleteFileA(path.c_str()); }
        } remove{pcm};
        return DecodeToCdAudio(t.file, pcm, why) && writer.AppendPcmFile(pcm, why);
    }
    default:
        why = Format("unknown source kind %u", t.fileKind);
        return false;
    }
}

// The user data of a file track.
bool AppendDataFile(const std::string& path, DataSectorSink& sink, std::string& why) {
    SourceFile file(path);
    if (!file.IsOpen()) {
        why = "cannot open " + path;
        return false;
    }
    std::vector<std::uint8_t> buffer(64 * kUserDataBytes);
    for (std::uint64_t at = 0; at < file.Size();) {
        const std::size_t piece = static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), file.Size() - at));
        if (!file.ReadAt(at, buffer.data(), piece)) {
            why = "cannot read " + path;
            return false;
        }
        if (!sink.Put(buffer.data(), piece)) {
            why = "cannot write the image";
            return false;
        }
        at += piece;
    }
    return true;
}

// The ISO 9660 image of a data track's tree, written straight into the track.
bool AppendIso(const DataTree& tree, DataSectorSink& sink, std::string& why) {
    try {
        iso9660::Write(tree.root, tree.options, [&](std::span<const std::uint8_t> sectors) {
            if (!sink.Put(sectors.data(), sectors.size())) throw std::runtime_error("cannot write the image");
        });
    } catch (const std::exception& x) {
        why = std::string("the data track cannot be written as ISO 9660: ") + x.what();
        return false;
    }
    return true;
}

}  // namespace

DiscTrackPlan AudioTrackOf(const AudioTrackPlan& a) {
        DiscTrackPlan t;
        t.from = a.kind == L::tracksource::KindEvent ? DiscTrackPlan::From::Event : DiscTrackPlan::From::File;
        t.fileKind = a.kind;
        t.file = a.source;
        t.event = a.event;
        t.pause = a.pause;
        t.indexCount = a.indexCount;
        t.indexes = a.indexes;
        t.title = a.title;
        t.artist = a.artist;
    return t;
}

const char* CueModeName(TrackMode mode) {
    switch (mode) {
    case TrackMode::Mode1: return "MODE1/2352";
    case TrackMode::Mode2Form1: return "MODE2/2352";
    default: return "AUDIO";
    }
}

RecordResult RecordDisc(const DiscPlan& plan, const std::vector<EventTrack>& events, bool cdText,
                        AudioImageWriter& writer, const ImageProgress& progress) {
    RecordResult result;
    auto fail = [&](std::size_t track, const std::string& why) {
        result.error = Format("Image recorder, track %zu: %s", track + 1, why.c_str());
        return result;
    };
    if (plan.tracks.empty()) {
        result.error = "Image recorder: the disc has no tracks";
        return result;
    }
    if (plan.tracks.size() > 99) {
        result.error = "Image recorder: more than 99 tracks";
        return result;
    }
    std::string why;
    if (!writer.Open(why)) {
        result.error = "Image recorder: " + why;
        return result;
    }
    CueDiscPlan sheet;
    sheet.binName = FileNamePart(writer.Paths().bin);
    sheet.cdText = cdText;
    sheet.title = plan.title;
    sheet.performer = plan.artist;
    sheet.sessions = plan.sessions;
    for (std::size_t i = 0; i < plan.tracks.size(); ++i) {
        const DiscTrackPlan& t = plan.tracks[i];
        const bool audio = t.mode == TrackMode::Audio;
        if (t.pause < 0) return fail(i, Format("the pause of %d blocks is negative", t.pause));
        if (t.indexCount > 98) return fail(i, Format("%u index positions, at most 98", t.indexCount));
        if (std::uint64_t(writer.Sectors()) + std::uint64_t(t.pause) > kMaxImageSectors)
            return fail(i, "the disc would be longer than 100 minutes");
        DataSectorSink data(writer, t.mode);
        if (!(audio ? writer.WriteSilence(static_cast<std::uint32_t>(t.pause))
                    : data.Empty(static_cast<std::uint32_t>(t.pause))))
            return fail(i, "cannot write the image");
        const std::uint32_t start = writer.Sectors();
        switch (t.from) {
        case DiscTrackPlan::From::File:
            if (!(audio ? AppendAudioFile(t, i + 1, writer, why) : AppendDataFile(t.file, data, why))) return fail(i, why);
            break;
        case DiscTrackPlan::From::Iso:
            if (audio || !t.iso) return fail(i, "an ISO 9660 image is no audio");
            if (!AppendIso(*t.iso, data, why)) return fail(i, why);
            break;
        case DiscTrackPlan::From::Event: {
            if (t.event < 0 || static_cast<std::size_t>(t.event) >= events.size())
                return fail(i, "the event source is missing");
            const EventTrack& ev = events[static_cast<std::size_t>(t.event)];
            if (ev.bytes < 0 || ev.bytes / ev.blockBytes + writer.Sectors() > kMaxImageSectors)
                return fail(i, Format("a length of %lld bytes does not fit on the disc", static_cast<long long>(ev.bytes)));
            bool writeFailed = false;
            PullResult pulled = PullEventTrack(ev, [&](const std::uint8_t* bytes, std::size_t count) {
                writeFailed = !(audio ? writer.Write(bytes, count) : data.Put(bytes, count));
                return !writeFailed;
            });
            result.pulled.emplace_back(ev.key, pulled.text);
            if (writeFailed) return fail(i, "cannot write the image");
            if (pulled.error) {
                result.eventError = true;
                return fail(i, "the event source reported an error");
            }
            break;
        }
        }
        if (!(audio ? writer.PadToSector() : data.Finish())) return fail(i, "cannot write the image");
        if (writer.Sectors() > kMaxImageSectors) return fail(i, "the disc would be longer than 100 minutes");
        CueTrackPlan track;
        track.pregap = static_cast<std::uint32_t>(t.pause);
        track.sectors = writer.Sectors() - start;
        if (track.sectors == 0) return fail(i, audio ? "the track holds no audio" : "the track holds no data");
        if (auto wrong = CheckIndexPositions(t.indexes, track.sectors)) return fail(i, *wrong);
        for (std::int32_t p : t.indexes) track.indexes.push_back(static_cast<std::uint32_t>(p));
        track.title = t.title;
        track.performer = t.artist;
        track.mode = CueModeName(t.mode);
        track.session = t.session;
        sheet.tracks.push_back(std::move(track));
        if (progress && !progress(static_cast<std::int32_t>((i + 1) * 100 / plan.tracks.size()))) {
            result.aborted = true;
            result.error = "Image recorder: the burn was aborted";
            return result;
        }
    }
    result.ok = true;
    result.sectors = writer.Sectors();
    result.cue = WriteCue(sheet);
    return result;
}

namespace {

// The data track of a record as a Mode 1 track of the plan (lock held).
bool IsoTrackPlan(SimEngine& e, void* track, DiscTrackPlan& out, std::string& why) {
    const IsoTrackContent* content = IsoTrackOf(e, track);
    if (!content) {
        why = "The data track was not made by this engine";
        return false;
    }
    auto tree = std::make_shared<DataTree>();
    if (!BuildDataTree(e, *content, *tree, why)) return false;
    try {
        iso9660::ImageSectors(tree->root, tree->options);  // a tree the writer refuses writes nothing
    } catch (const std::exception& x) {
        why = std::string("The data track cannot be written as ISO 9660: ") + x.what();
        return false;
    }
    out.mode = TrackMode::Mode1;
    out.from = DiscTrackPlan::From::Iso;
    out.iso = std::move(tree);
    out.title = content->volumeName;
    return true;
}

// A CD-extra disc: audio first in session 1, the data tracks after it in session 2.
void CdExtraOrder(DiscPlan& plan) {
    std::vector<DiscTrackPlan> audio, data;
    for (DiscTrackPlan& t : plan.tracks) (t.mode == TrackMode::Audio ? audio : data).push_back(std::move(t));
    plan.tracks.clear();
    for (DiscTrackPlan& t : audio) {
        t.session = 1;
        plan.tracks.push_back(std::move(t));
    }
    for (DiscTrackPlan& t : data) {
        t.session = audio.empty() ? 1 : 2;
        plan.tracks.push_back(std::move(t));
    }
    plan.sessions = !audio.empty() && !data.empty();
}

// The file-system content of a freestyle disc (its engine container and
// burn options) as a data tree (lock held).
bool FreestyleContentTree(SimEngine& e, void* container, std::uint32_t burnOptions, DataTree& out, std::string& why) {
    ContainerImage image;
    if (!ContainerImageTree(e, container, burnOptions, image, why)) return false;
    out.root = std::move(image.root);
    out.options = std::move(image.options);
    out.dataSectors = image.dataSectors;
    try {
        iso9660::ImageSectors(out.root, out.options);  // a tree the writer refuses writes nothing
    } catch (const std::exception& x) {
        why = std::string("The file-system content cannot be written as ISO 9660: ") + x.what();
        return false;
    }
    return true;
}

}  // namespace

bool PlanMixedDisc(SimEngine& e, const std::uint8_t* r, const CompilationSummary& compilation, DiscPlan& out,
                   std::string& why) {
    namespace A = L::isoaudio;
    DiscTrackPlan data;
    if (!IsoTrackPlan(e, L::GetPtr(r, A::DataTrack), data, why)) return false;
    out.title = compilation.audio.title;
    out.artist = compilation.audio.artist;
    out.tracks.push_back(std::move(data));
    for (const AudioTrackPlan& a : compilation.audio.tracks) out.tracks.push_back(AudioTrackOf(a));
    if (L::Get32(r, A::CdExtra) != 0) CdExtraOrder(out);
    return true;
}

bool PlanFreestyleDisc(SimEngine& e, const std::uint8_t* r, const CompilationSummary& compilation, DiscPlan& out,
                       std::string& why) {
    namespace F = L::freestyle;
    namespace T = L::freestyletrack;
    auto text = [](const void* p) { return p ? std::string(static_cast<const char*>(p), strnlen(static_cast<const char*>(p), 4096)) : std::string(); };
    out.title = text(L::GetPtr(r, F::Title));
    out.artist = text(L::GetPtr(r, F::Artist));
    if (void* track = L::GetPtr(r, F::DataTrack)) {
        DiscTrackPlan data;
        if (!IsoTrackPlan(e, track, data, why)) return false;
        out.tracks.push_back(std::move(data));
    }
    if (void* container = L::GetPtr(r, F::Container)) {
        DiscTrackPlan content;
        auto tree = std::make_shared<DataTree>();
        if (!FreestyleContentTree(e, container, L::Get32(r, F::BurnOptions), *tree, why)) return false;
        content.mode = TrackMode::Mode1;
        content.from = DiscTrackPlan::From::Iso;
        content.iso = std::move(tree);
        out.tracks.push_back(std::move(content));
    }
    // The summary took the event tracks in record order: the n-th event
    // track of the record is the n-th entry of its events.
    std::int32_t nextEvent = 0;
    const std::uint32_t n = L::Get32(r, F::TrackCount);
    for (std::uint32_t i = 0; i < n && i < F::MaxTracks; ++i) {
        const std::uint8_t* t = r + F::Tracks + i * T::Size;
        DiscTrackPlan plan;
        const std::uint32_t type = L::Get32(t, T::TrackType);
        switch (type) {
        case 0: plan.mode = TrackMode::Mode1; break;
        case 1: plan.mode = TrackMode::Mode2Form1; break;
        case 2: plan.mode = TrackMode::Audio; break;
        default:
            why = Format("Freestyle track %u has the track type %u, which this engine does not write", i + 1, type);
            return false;
        }
        const std::uint32_t kind = L::Get32(t, T::SourceKind);
        if (kind == L::tracksource::KindEvent) {
            plan.from = DiscTrackPlan::From::Event;
            plan.event = nextEvent++;
            if (static_cast<std::size_t>(plan.event) >= compilation.events.size()) {
                why = Format("Freestyle track %u: its event source is missing", i + 1);
                return false;
            }
        } else if (kind == 4) {
            plan.from = DiscTrackPlan::From::File;
            plan.fileKind = 4;
            const char* source = reinterpret_cast<const char*>(t + T::Source);
            plan.file.assign(source, strnlen(source, L::tracksource::Size));
        } else {
            why = Format("Freestyle track %u has the source kind %u, which this engine does not read", i + 1, kind);
            return false;
        }
        plan.pause = static_cast<std::int32_t>(L::Get32(t, T::Pause));
        plan.indexCount = L::Get32(t, T::IndexCount);
        for (std::uint32_t k = 0; k < plan.indexCount && k < 98; ++k)
            plan.indexes.push_back(static_cast<std::int32_t>(L::Get32(t, T::Indexes + 4 * k)));
        plan.title = text(L::GetPtr(t, T::Title));
        plan.artist = text(L::GetPtr(t, T::Artist));
        out.tracks.push_back(std::move(plan));
    }
    if (L::Get32(r, F::CdExtra) != 0) CdExtraOrder(out);
    return true;
}

}  // namespace vexosim

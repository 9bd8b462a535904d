// Compilation records and ISO tracks (see Compilations.h), and the exports
// VexoCreateIsoTrackEx / VexoFreeIsoTrack.
//
// An ISO track is an engine block of kind "isotrack" holding the text that
// describes what the creation arguments said: volume name, burn options,
// both root chains (as VexoSimDescribeIsoTree gives them) and the eight
// descriptive texts. The last one made is also the text "isotrack.last".
// Beside the block the engine keeps the same arguments as values
// (IsoTrackContent), which a burn with an image recorder and the size
// estimate read; they go when the track is freed.

#include "Compilations.h"

#include "DiscRecorder.h"
#include "EngineLayout.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <map>

using namespace vexosim;
namespace L = vexosim::layout;

namespace {

constexpr std::size_t MaxTextRead = 4096;

std::string Text(const void* p) {
    if (!p) return "<null>";
    const char* c = static_cast<const char*>(p);
    return std::string(c, strnlen(c, MaxTextRead));
}

std::string TextOrEmpty(const void* p) { return p ? Text(p) : std::string(); }

std::string Inline(const std::uint8_t* r, std::size_t offset, std::size_t capacity) {
    const char* c = reinterpret_cast<const char*>(r + offset);
    return std::string(c, strnlen(c, capacity));
}

std::int32_t I32(const std::uint8_t* r, std::size_t offset) { return static_cast<std::int32_t>(L::Get32(r, offset)); }

std::string DataTrack(SimEngine& e, void* track) {
    if (!track) return "none";
    const std::string* kind = e.Memory().KindOf(track);
    if (!kind || *kind != "isotrack") {
        e.CheckFailed("VexoBurn", "the data track was not made by VexoCreateIsoTrackEx");
        return "<bad>";
    }
    return "{" + Text(track) + "}";
}

// The positions, source and texts shared by audio and freestyle tracks.
struct TrackFields {
    std::size_t pause, count, indexes, title, artist, kind, source, length;
};

std::string DescribeTrack(const std::uint8_t* t, const TrackFields& f, const std::string& key,
                          std::int32_t blockBytes, CompilationSummary& out) {
    std::string text = Format("pause=%d;length=%d;kind=%d", I32(t, f.pause), I32(t, f.length), I32(t, f.kind));
    const std::uint32_t kind = L::Get32(t, f.kind);
    if (kind == L::tracksource::KindEvent) {
        text += ";source=event";
        EventTrack ev;
        ev.key = key + ".pulled";
        ev.userData = L::GetPtr(t, f.source + L::tracksource::UserData);
        ev.read = reinterpret_cast<TrackReadCallback>(L::GetPtr(t, f.source + L::tracksource::ReadCallback));
        ev.endOfData = reinterpret_cast<TrackQueryCallback>(L::GetPtr(t, f.source + L::tracksource::EndOfDataCallback));
        ev.error = reinterpret_cast<TrackQueryCallback>(L::GetPtr(t, f.source + L::tracksource::ErrorCallback));
        ev.bytes = std::int64_t(I32(t, f.length)) * blockBytes;
        ev.blockBytes = blockBytes;
        out.events.push_back(ev);
    } else {
        text += ";source=" + Inline(t, f.source, L::tracksource::Size);
    }
    text += ";title=" + Text(L::GetPtr(t, f.title)) + ";artist=" + Text(L::GetPtr(t, f.artist));
    const std::uint32_t n = L::Get32(t, f.count);
    text += Format(";indexes=%u", n);
    for (std::uint32_t i = 0; i < n && i < 98; ++i) text += (i ? "," : ":") + std::to_string(I32(t, f.indexes + 4 * i));
    return text;
}

// The content of every ISO track handed out, by block. Guarded by the
// engine's lock; an entry is only read while its block is an "isotrack".
std::map<const void*, IsoTrackContent>& IsoTracks() {
    static std::map<const void*, IsoTrackContent> tracks;
    return tracks;
}

std::string Value(const void* p) {
    if (!p) return {};
    const char* c = static_cast<const char*>(p);
    return std::string(c, strnlen(c, MaxTextRead));
}

std::uint32_t Crc32(std::uint32_t crc, const std::uint8_t* p, std::size_t n) {
    crc = ~crc;
    for (std::size_t i = 0; i < n; ++i) {
        crc ^= p[i];
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

}  // namespace

namespace vexosim {

const IsoTrackContent* IsoTrackOf(SimEngine& e, const void* track) {
    if (!track) return nullptr;
    const std::string* kind = e.Memory().KindOf(track);
    if (!kind || *kind != "isotrack") return nullptr;
    auto it = IsoTracks().find(track);
    return it == IsoTracks().end() ? nullptr : &it->second;
}

bool SummarizeCompilation(SimEngine& e, std::int32_t type, const std::uint8_t* r, CompilationSummary& out) {
    auto add = [&](std::string key, std::string value) { out.texts.emplace_back(std::move(key), std::move(value)); };
    switch (type) {
    case 0: {
        namespace A = L::isoaudio;
        namespace T = L::audiotrack;
        const std::uint32_t n = L::Get32(r, A::TrackCount);
        if (n > A::MaxTracks) {
            e.CheckFailed("VexoBurn", Format("audio record holds %u tracks", n));
            return false;
        }
        add("burn.summary", Format("artist=%s;title=%s;datatrack=%s;cdextra=%d;stamp=%s;media=%d;tracks=%u",
                                   Text(L::GetPtr(r, A::Artist)).c_str(), Text(L::GetPtr(r, A::Title)).c_str(),
                                   DataTrack(e, L::GetPtr(r, A::DataTrack)).c_str(), I32(r, A::CdExtra),
                                   L::GetPtr(r, A::Stamp) ? "set" : "none", I32(r, A::MediaType), n));
        const TrackFields f{T::Pause, T::IndexCount, T::Indexes, T::Title, T::Artist, T::SourceKind, T::Source, T::Length};
        for (std::uint32_t i = 0; i < n; ++i) {
            const std::uint8_t* t = r + A::Tracks + i * T::Size;
            const std::string key = Format("burn.track.%u", i + 1);
            const std::size_t eventsBefore = out.events.size();
            add(key, DescribeTrack(t, f, key, 2352, out) + Format(";index0=%d", I32(t, T::Index0)));
            AudioTrackPlan plan;
            plan.kind = L::Get32(t, T::SourceKind);
            if (plan.kind != L::tracksource::KindEvent) plan.source = Inline(t, T::Source, L::tracksource::Size);
            if (out.events.size() > eventsBefore) plan.event = static_cast<std::int32_t>(eventsBefore);
            plan.pause = I32(t, T::Pause);
            plan.length = I32(t, T::Length);
            plan.indexCount = L::Get32(t, T::IndexCount);
            for (std::uint32_t k = 0; k < plan.indexCount && k < 98; ++k) plan.indexes.push_back(I32(t, T::Indexes + 4 * k));
            plan.title = TextOrEmpty(L::GetPtr(t, T::Title));
            plan.artist = TextOrEmpty(L::GetPtr(t, T::Artist));
            out.audio.tracks.push_back(std::move(plan));
        }
        out.audio.present = true;
        out.audio.dataTrack = L::GetPtr(r, A::DataTrack) != nullptr;
        out.audio.title = TextOrEmpty(L::GetPtr(r, A::Title));
        out.audio.artist = TextOrEmpty(L::GetPtr(r, A::Artist));
        return true;
    }
    case 3: {
        namespace F = L::freestyle;
        namespace T = L::freestyletrack;
        const std::uint32_t n = L::Get32(r, F::TrackCount);
        add("burn.summary", Format("artist=%s;title=%s;datatrack=%s;cdextra=%d;stamp=%s;media=%d;options=%u;"
                                   "container=%s;tracks=%u",
                                   Text(L::GetPtr(r, F::Artist)).c_str(), Text(L::GetPtr(r, F::Title)).c_str(),
                                   DataTrack(e, L::GetPtr(r, F::DataTrack)).c_str(), I32(r, F::CdExtra),
                                   L::GetPtr(r, F::Stamp) ? "set" : "none", I32(r, F::MediaType),
                                   L::Get32(r, F::BurnOptions), L::GetPtr(r, F::Container) ? "set" : "none", n));
        const TrackFields f{T::Pause, T::IndexCount, T::Indexes, T::Title, T::Artist, T::SourceKind, T::Source, T::Length};
        for (std::uint32_t i = 0; i < n && i < F::MaxTracks; ++i) {
            const std::uint8_t* t = r + F::Tracks + i * T::Size;
            const std::int32_t trackType = I32(t, T::TrackType);
            const std::string key = Format("burn.track.%u", i + 1);
            add(key, DescribeTrack(t, f, key, trackType == 2 ? 2352 : 2048, out) + Format(";type=%d", trackType));
        }
        return true;
    }
    case 1: {
        namespace V = L::video;
        namespace I = L::videoitem;
        const std::uint32_t n = L::Get32(r, V::ItemCount);
        if (n > V::MaxItems) {
            e.CheckFailed("VexoBurn", Format("video record holds %u items", n));
            return false;
        }
        add("burn.summary", Format("svcd=%d;items=%u;datatrack=%s;temp=%s;resolution=%d", I32(r, V::SuperVideoCd), n,
                                   DataTrack(e, L::GetPtr(r, V::DataTrack)).c_str(),
                                   Text(L::GetPtr(r, V::TempDirectory)).c_str(), I32(r, V::Resolution)));
        for (std::uint32_t i = 0; i < n; ++i) {
            const std::uint8_t* t = r + V::Items + i * I::Size;
            const std::string name = t[I::Name] ? Inline(t, I::Name, 252) : Text(L::GetPtr(t, I::LongName));
            add(Format("burn.item.%u", i + 1),
                Format("pause=%d;type=%d;long=%s;name=%s", I32(t, I::Pause), I32(t, I::Type),
                       L::GetPtr(t, I::LongName) ? "yes" : "no", name.c_str()));
        }
        return true;
    }
    case 1000: {
        namespace D = L::disccopy;
        add("burn.summary",
            Format("source=%s;onthefly=%d;image=%s;delete=%d;readspeed=%d;retries=%d;ignoredata=%u;raw=%d;raw2=%d;"
                   "ignoreaudio=%d;isrc=%d;media=%d",
                   L::GetPtr(r, D::SourceDevice) ? "set" : "none", I32(r, D::OnTheFly),
                   L::GetPtr(r, D::ImagePath) ? Text(L::GetPtr(r, D::ImagePath)).c_str() : "none",
                   I32(r, D::DeleteImage), I32(r, D::ReadSpeed), I32(r, D::Retries), unsigned(r[D::IgnoreDataReadErrors]),
                   I32(r, D::RawReadMode), I32(r, D::RawReadModeAgain), I32(r, D::IgnoreAudioReadErrors),
                   I32(r, D::ReadIsrcAndMcn), I32(r, D::MediaType)));
        return true;
    }
    default:
        return false;
    }
}

PullResult PullEventTrack(const EventTrack& track, const PullSink& sink) {
    PullResult result;
    if (!track.read || !track.endOfData || !track.error) {
        result.text = "callbacks missing";
        result.error = true;
        return result;
    }
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(track.blockBytes) * 27);
    std::int64_t pulled = 0;
    std::uint32_t crc = 0;
    bool eof = false;
    int emptyReads = 0;
    while (pulled < track.bytes) {
        const std::int64_t want = std::min<std::int64_t>(static_cast<std::int64_t>(buffer.size()), track.bytes - pulled);
        const std::int32_t got = track.read(track.userData, buffer.data(), static_cast<std::int32_t>(want));
        if (got < 0 || got > want) {
            result.text = Format("read answered %d for %lld bytes", got, static_cast<long long>(want));
            result.error = true;
            return result;
        }
        if (got == 0) {
            if (track.endOfData(track.userData) != 0) {
                eof = true;
                break;
            }
            if (++emptyReads == 3) break;
            continue;
        }
        crc = Crc32(crc, buffer.data(), static_cast<std::size_t>(got));
        pulled += got;
        if (sink && !sink(buffer.data(), static_cast<std::size_t>(got))) {
            result.text = Format("bytes=%lld;the image could not take them", static_cast<long long>(pulled));
            result.error = true;
            return result;
        }
    }
    if (!eof) eof = track.endOfData(track.userData) != 0;
    result.error = track.error(track.userData) != 0;
    result.text = Format("bytes=%lld;crc=%08X;eof=%d;error=%d", static_cast<long long>(pulled), crc, eof ? 1 : 0,
                         result.error ? 1 : 0);
    return result;
}

RecordResult RecordAudioDisc(const CompilationSummary& compilation, bool cdText, AudioImageWriter& writer) {
    DiscPlan plan;
    plan.title = compilation.audio.title;
    plan.artist = compilation.audio.artist;
    for (const AudioTrackPlan& a : compilation.audio.tracks) plan.tracks.push_back(AudioTrackOf(a));
    return RecordDisc(plan, compilation.events, cdText, writer);
}

}  // namespace vexosim

extern "C" {

void* WINAPI VexoCreateIsoTrackEx(void* root, const void* nameOrArguments, std::int32_t flags) {
    return Guarded<void*>(nullptr, [&]() -> void* {
        SimEngine& e = SimEngine::Get();
        auto lock = e.Lock();
        std::int32_t unused = 0;
        if (e.ScriptedFailure("VexoCreateIsoTrackEx", unused)) return nullptr;
        std::string text;
        IsoTrackContent content;
        if (static_cast<std::uint32_t>(flags) & L::isotrackargs::FlagArgumentsRecord) {
            const auto* a = static_cast<const std::uint8_t*>(nameOrArguments);
            if (!a) {
                e.CheckFailed("VexoCreateIsoTrackEx", "the creation arguments are null");
                return nullptr;
            }
            if (root) e.CheckFailed("VexoCreateIsoTrackEx", "a root item was passed beside the arguments");
            static const char* const kNames[] = {"system",    "volumeset", "publisher", "preparer",
                                                 "application", "copyright", "abstract",  "bibliographic"};
            const void* volume = L::GetPtr(a, L::isotrackargs::VolumeName);
            if (!volume) e.CheckFailed("VexoCreateIsoTrackEx", "the volume name is null");
            text = Format("volume=%s;options=%u;root=[%s];wrapper=[%s]", Text(volume).c_str(),
                          L::Get32(a, L::isotrackargs::BurnOptions),
                          DescribeIsoChain(e, L::GetPtr(a, L::isotrackargs::RootFirst)).c_str(),
                          DescribeIsoChain(e, L::GetPtr(a, L::isotrackargs::WrapperFirst)).c_str());
            content.rootFirst = L::GetPtr(a, L::isotrackargs::RootFirst);
            content.wrapperFirst = L::GetPtr(a, L::isotrackargs::WrapperFirst);
            content.volumeName = Value(volume);
            content.burnOptions = L::Get32(a, L::isotrackargs::BurnOptions);
            for (int i = 0; i < 8; ++i) {
                const void* t = L::GetPtr(a, L::isotrackargs::Texts + i * L::P);
                if (!t) e.CheckFailed("VexoCreateIsoTrackEx", Format("text %s is null", kNames[i]));
                text += Format(";%s=%s", kNames[i], Text(t).c_str());
                content.texts[static_cast<std::size_t>(i)] = Value(t);
            }
        } else {
            text = Format("volume=%s;root=[%s]", Text(nameOrArguments).c_str(), DescribeIsoChain(e, root).c_str());
            content.rootFirst = root;
            content.volumeName = Value(nameOrArguments);
        }
        e.SetText("isotrack.last", text);
        e.Count("made.isotrack");
        e.Log("VexoCreateIsoTrackEx: " + text);
        void* track = e.Memory().AllocateCopy("isotrack", text.c_str(), text.size() + 1);
        IsoTracks()[track] = std::move(content);
        return track;
    });
}

void WINAPI VexoFreeIsoTrack(void* track) {
    Guarded<int>(0, [&] {
        SimEngine& e = SimEngine::Get();
        auto lock = e.Lock();
        std::int32_t unused = 0;
        e.ScriptedFailure("VexoFreeIsoTrack", unused);
        const std::string* kind = e.Memory().KindOf(track);
        if (track && (!kind || *kind != "isotrack")) {
            e.BadFree(track);
            return 0;
        }
        std::string freed;
        IsoTracks().erase(track);
        if (e.Memory().Free(track, &freed) == Allocations::FreeResult::Null)
            e.Count("free.null");
        else
            e.Count("freed.isotrack");
        return 0;
    });
}

}  // extern "C"

#include "AccurateRipRecord.h"

#include <algorithm>
#include <cstdio>

namespace AccurateRipRecord {
namespace {

constexpr std::size_t HeaderBytes = 13;
constexpr std::size_t EntryBytes = 9;

uint32_t Le32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

bool IsOf(const Pressing& p, const DiscKey& disc) {
    return static_cast<int>(p.tracks.size()) == disc.audioTracks && p.id1 == disc.ids.id1 && p.id2 == disc.ids.id2 &&
           p.freedbId == disc.freedbId;
}

}  // namespace

std::string FileName(const DiscKey& disc) {
    char name[64];
    std::snprintf(name, sizeof name, "dBAR-%03d-%08x-%08x-%08x.bin", disc.audioTracks % 1000, disc.ids.id1,
                  disc.ids.id2, disc.freedbId);
    return name;
}

std::optional<std::vector<Pressing>> Parse(std::span<const uint8_t> bytes, std::string& error) {
    if (bytes.empty()) {
        error = "the record file is empty";
        return std::nullopt;
    }
    std::vector<Pressing> pressings;
    std::size_t at = 0;
    while (at < bytes.size()) {
        if (bytes.size() - at < HeaderBytes) {
            error = "the record file ends inside a header at byte " + std::to_string(at);
            return std::nullopt;
        }
        const uint8_t* h = bytes.data() + at;
        const std::size_t count = h[0];
        if (count == 0) {
            error = "the record file has a pressing of no tracks at byte " + std::to_string(at);
            return std::nullopt;
        }
        if (bytes.size() - at - HeaderBytes < count * EntryBytes) {
            error = "the record file ends inside the tracks of the pressing at byte " + std::to_string(at);
            return std::nullopt;
        }
        Pressing p;
        p.id1 = Le32(h + 1);
        p.id2 = Le32(h + 5);
        p.freedbId = Le32(h + 9);
        const uint8_t* e = h + HeaderBytes;
        for (std::size_t k = 0; k < count; ++k, e += EntryBytes) p.tracks.push_back({e[0], Le32(e + 1), Le32(e + 5)});
        pressings.push_back(std::move(p));
        at += HeaderBytes + count * EntryBytes;
    }
    return pressings;
}

int PressingsOf(const std::vector<Pressing>& pressings, const DiscKey& disc) {
    return static_cast<int>(std::count_if(pressings.begin(), pressings.end(), [&](const Pressing& p) { return IsOf(p, disc); }));
}

TrackMatch Match(const std::vector<Pressing>& pressings, const DiscKey& disc, int number, uint32_t v1, uint32_t v2) {
    TrackMatch match;
    int bestListed = 0;
    for (const Pressing& p : pressings) {
        if (!IsOf(p, disc) || number < 1 || number > static_cast<int>(p.tracks.size())) continue;
        const TrackEntry& entry = p.tracks[static_cast<std::size_t>(number - 1)];
        ++match.pressings;
        bestListed = std::max<int>(bestListed, entry.confidence);
        const bool matches1 = entry.checksum == v1;
        const bool matches2 = entry.checksum == v2;
        if (!matches1 && !matches2) continue;
        const int version = matches2 ? 2 : 1;
        if (match.result != TrackMatch::Result::Accurate || entry.confidence > match.confidence) {
            match.confidence = entry.confidence;
            match.version = version;
        }
        match.result = TrackMatch::Result::Accurate;
    }
    if (match.result != TrackMatch::Result::Accurate) {
        match.result = match.pressings > 0 ? TrackMatch::Result::NotAccurate : TrackMatch::Result::NotPresent;
        match.confidence = bestListed;
    }
    return match;
}

}  // namespace AccurateRipRecord

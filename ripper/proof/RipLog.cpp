#include "RipLog.h"

#include <algorithm>
#include <cstdio>

namespace RipLog {
namespace {

constexpr const char* Eol = "\r\n";

std::string Field(const char* label, const std::string& value) {
    return std::string(label) + ": " + (value.empty() ? "none" : value) + Eol;
}

std::string Padded(const std::string& text, std::size_t width) {
    return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

}  // namespace

std::string TrackTime(uint32_t frames) {
    char text[32];
    std::snprintf(text, sizeof text, "%02u:%02u.%02u", frames / (75 * 60), frames / 75 % 60, frames % 75);
    return text;
}

std::string Hex32(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%08X", value);
    return text;
}

std::string Positions(std::vector<uint32_t> frames) {
    if (frames.empty()) return "none";
    std::sort(frames.begin(), frames.end());
    frames.erase(std::unique(frames.begin(), frames.end()), frames.end());
    std::string text;
    for (std::size_t k = 0; k < frames.size();) {
        std::size_t last = k;
        while (last + 1 < frames.size() && frames[last + 1] == frames[last] + 1) ++last;
        if (!text.empty()) text += ", ";
        text += TrackTime(frames[k]);
        if (last > k) text.append("-").append(TrackTime(frames[last]));
        k = last + 1;
    }
    return text;
}

std::string Text(const Document& d) {
    std::string t;
    t += Field("Program", d.program);
    t += Field("Date", d.date);
    t += Field("Drive", d.drive);
    t += Field("Read mode", d.secure ? "secure" : "normal");
    t += Field("Output format", d.format);
    t += Field("Output folder", d.folder);
    t += Field("Freedb disc ID", d.freedbId);
    t += Field("MusicBrainz disc ID", d.musicBrainzId);
    t += Field("AccurateRip record", d.accurateRipRecord);
    t += Field("AccurateRip verification", d.verification);

    t += Eol;
    t += std::string("Table of contents") + Eol;
    t += std::string("Track |    Start |   Length | Start sector | End sector | Type") + Eol;
    t += std::string("------+----------+----------+--------------+------------+------") + Eol;
    const uint32_t origin = d.toc.empty() ? 0 : d.toc.front().start;
    for (const TocRow& row : d.toc) {
        const uint32_t length = row.end > row.start ? row.end - row.start : 0;
        const uint32_t last = length > 0 ? row.end - 1 : row.start;
        t += Padded(std::to_string(row.number), 5) + " | " + Padded(TrackTime(row.start - std::min(origin, row.start)), 8) +
             " | " + Padded(TrackTime(length), 8) + " | " + Padded(std::to_string(row.start), 12) + " | " +
             Padded(std::to_string(last), 10) + " | " + (row.data ? "data" : "audio") + Eol;
    }
    t += Field("Lead-out", std::to_string(d.leadOut));

    for (const Track& track : d.tracks) {
        t += Eol;
        t += "Track " + std::to_string(track.number) + Eol;
        t += Field("File", track.file);
        if (track.testCrc) t += Field("Test CRC", Hex32(*track.testCrc));
        t += Field("Copy CRC", Hex32(track.copyCrc));
        t += Field("AccurateRip v1", Hex32(track.accurateRipV1));
        t += Field("AccurateRip v2", Hex32(track.accurateRipV2));
        t += Field("Re-reads", std::to_string(track.rereads));
        t += Field("Suspicious positions", Positions(track.suspicious));
        t += Field("AccurateRip", track.accurateRip);
        t += Field("Result", track.result);
    }
    t += Eol;
    t += Field("Summary", d.summary);
    return t;
}

}  // namespace RipLog

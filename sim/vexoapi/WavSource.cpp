#include "WavSource.h"

#include <cstdio>
#include <cstring>

namespace vexosim {
namespace {

std::uint16_t U16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
std::uint32_t U32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kFormatExtensible = 0xFFFE;

}  // namespace

std::optional<WavLayout> ParseWav(const ReadAt& readAt, std::uint64_t fileSize, std::string& why) {
    std::uint8_t head[12];
    if (fileSize < sizeof head || !readAt(0, head, sizeof head) || std::memcmp(head, "RIFF", 4) != 0 ||
        std::memcmp(head + 8, "WAVE", 4) != 0) {
        why = "not a RIFF/WAVE file";
        return std::nullopt;
    }
    WavLayout layout;
    bool haveFormat = false;
    std::uint64_t at = sizeof head;
    // Chunks: 4-byte id, 32-bit size, the data, a pad byte after an odd size.
    while (at + 8 <= fileSize) {
        std::uint8_t chunk[8];
        if (!readAt(at, chunk, sizeof chunk)) break;
        const std::uint64_t size = U32(chunk + 4);
        const std::uint64_t body = at + 8;
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            std::uint8_t f[40] = {};
            if (size < 16 || body + 16 > fileSize) {
                why = "the \"fmt \" chunk is cut short";
                return std::nullopt;
            }
            const std::size_t take = size < sizeof f ? static_cast<std::size_t>(size) : sizeof f;
            if (body + take > fileSize || !readAt(body, f, take)) {
                why = "the \"fmt \" chunk is cut short";
                return std::nullopt;
            }
            layout.format = U16(f);
            layout.channels = U16(f + 2);
            layout.sampleRate = U32(f + 4);
            layout.bitsPerSample = U16(f + 14);
            // WAVE_FORMAT_EXTENSIBLE: the sub-format GUID's first two bytes name the format.
            if (layout.format == kFormatExtensible && take >= 26) layout.format = U16(f + 24);
            haveFormat = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!haveFormat) {
                why = "the \"data\" chunk comes before the \"fmt \" chunk";
                return std::nullopt;
            }
            layout.dataOffset = body;
            // A size beyond the file (also the 0xFFFFFFFF of a stream never
            // finished) holds what the file holds.
            layout.dataBytes = size <= fileSize - body ? size : fileSize - body;
            return layout;
        }
        at = body + size + (size & 1);
    }
    why = haveFormat ? "no \"data\" chunk" : "no \"fmt \" chunk";
    return std::nullopt;
}

std::string NotCdAudio(const WavLayout& layout) {
    if (layout.format == kFormatPcm && layout.sampleRate == 44100 && layout.bitsPerSample == 16 && layout.channels == 2)
        return {};
    char s[96];
    std::snprintf(s, sizeof s, "%u Hz %u-bit %u-channel %s", layout.sampleRate, layout.bitsPerSample, layout.channels,
                  layout.format == kFormatPcm ? "PCM" : "audio that is not PCM");
    return s;
}

}  // namespace vexosim

#include "FfmpegMapping.h"

#include <utility>

namespace avf {
namespace {

struct Pair {
    const char* from;
    const char* to;
};

const char* Lookup(const Pair* table, size_t n, const std::string& key) {
    for (size_t i = 0; i < n; ++i) {
        if (key == table[i].from) return table[i].to;
    }
    return nullptr;
}

const Pair kExtensions[] = {
    {".avi", "avi"}, {".mpg", "mpeg"}, {".mpeg", "mpeg"}, {".mp3", "mp3"}, {".wmv", "asf"},
    {".wma", "asf"}, {".asf", "asf"}, {".rm", "rm"},      {".mov", "mov"}, {".flv", "flv"},
    {".3gp", "3gp"}, {".3g2", "3g2"}, {".wav", "wav"},    {".mp4", "mp4"},
};

// The encoder used when a video container gets no -vcodec: the classic
// converter's choice for each container, so that quality options always
// meet a known encoder.
const Pair kDefaultVideo[] = {
    {"avi", "mpeg4"}, {"mpeg", "mpeg1video"}, {"asf", "wmv2"}, {"rm", "rv20"}, {"mov", "mpeg4"},
    {"flv", "flv"},   {"3gp", "h263"},        {"3g2", "mpeg4"}, {"mp4", "mpeg4"},
};

const Pair kVideoEncoders[] = {
    {"mpeg4", "mpeg4"}, {"xvid", "libxvid"}, {"h264", "libx264"}, {"mpeg1video", "mpeg1video"},
    {"wmv2", "wmv2"},   {"rv20", "rv20"},    {"h263", "h263"},
};

// amr_nb: Debian's ffmpeg has no AMR-NB encoder; AAC-LC is the nearest codec
// that 3GP/3G2 players take at 8000 Hz mono.
const Pair kAudioEncoders[] = {
    {"aac", "aac"}, {"mp3", "libmp3lame"}, {"amr_nb", "aac"}, {"pcm_s16le", "pcm_s16le"},
};

template <size_t N>
std::string Find(const Pair (&table)[N], const std::string& key) {
    const char* found = Lookup(table, N, key);
    return found ? found : "";
}

bool AudioOnly(const std::string& container, const std::string& extension) {
    return container == "mp3" || container == "wav" || extension == ".wma";
}

std::string Kbit(const std::string& value) { return value + "k"; }

}  // namespace

std::string ContainerForExtension(const std::string& extension) {
    return Find(kExtensions, extension);
}

MappedCommand MapToFfmpeg(const LegacyRequest& r, const std::string& sourcePath, const std::string& destPath) {
    MappedCommand m;
    const std::string ext = ExtensionOf(r.dest);
    if (!r.format.empty()) {
        m.container = r.format;
    } else if (r.target.empty()) {
        m.container = ContainerForExtension(ext);
        if (m.container.empty()) {
            m.error = "cannot choose a container for the destination \"" + r.dest +
                      "\" (unknown extension; give -f)";
            return m;
        }
    }
    const bool audioOnly = AudioOnly(m.container, ext);

    if (!audioOnly) {
        if (!r.videoCodec.empty()) {
            m.videoEncoder = Find(kVideoEncoders, r.videoCodec);
            if (m.videoEncoder.empty()) {
                m.error = "unknown video codec \"" + r.videoCodec + "\"";
                return m;
            }
            // Flash video carries the Sorenson variant of H.263 only.
            if (m.container == "flv" && r.videoCodec == "h263") m.videoEncoder = "flv";
        } else if (!m.container.empty()) {
            m.videoEncoder = Find(kDefaultVideo, m.container);
        }
    }
    if (!r.audioCodec.empty()) {
        m.audioEncoder = Find(kAudioEncoders, r.audioCodec);
        if (m.audioEncoder.empty()) {
            m.error = "unknown audio codec \"" + r.audioCodec + "\"";
            return m;
        }
    }
    // MPEG program streams cannot carry AAC; the iPod/iPhone rows (MPEG-4
    // video with AAC under ".mpg") get the MP4 container those players read.
    if (m.container == "mpeg" && m.audioEncoder == "aac") m.container = "mp4";

    auto& a = m.args;
    a = {"-nostdin", r.overwrite ? "-y" : "-n", "-i", sourcePath};
    if (!r.target.empty()) a.insert(a.end(), {"-target", r.target});

    if (audioOnly) {
        a.push_back("-vn");
    } else {
        const bool x264 = m.videoEncoder == "libx264";
        if (!m.videoEncoder.empty()) a.insert(a.end(), {"-c:v", m.videoEncoder});
        if (!r.videoBitrate.empty()) a.insert(a.end(), {"-b:v", Kbit(r.videoBitrate)});
        if (!r.frameRate.empty()) a.insert(a.end(), {"-r", r.frameRate});
        if (!r.frameSize.empty()) a.insert(a.end(), {"-s", r.frameSize});
        if (!r.videoTag.empty()) a.insert(a.end(), {"-tag:v", r.videoTag});
        if (!r.aspect.empty()) a.insert(a.end(), {"-aspect", r.aspect});
        if (!r.bitrateTolerance.empty()) a.insert(a.end(), {"-bt", Kbit(r.bitrateTolerance)});
        if (!r.bufferSize.empty()) a.insert(a.end(), {"-bufsize", Kbit(r.bufferSize)});
        if (!r.gopSize.empty()) a.insert(a.end(), {"-g", r.gopSize});
        // A fixed quantiser; for H.264 the constant-quality factor of the
        // same number (still held to -maxrate/-bufsize when given).
        if (!r.quantiser.empty()) {
            a.insert(a.end(), {x264 ? "-crf" : "-q:v", r.quantiser});
        } else if (r.sameQuality) {
            // "Same quality as the source": the finest fixed quantiser, which
            // the encoders prefer over any -b.
            a.insert(a.end(), {x264 ? "-crf" : "-q:v", x264 ? "18" : "2"});
        }
        if (!r.maxRate.empty()) a.insert(a.end(), {"-maxrate", Kbit(r.maxRate)});
        if (r.deinterlace) a.insert(a.end(), {"-vf", "yadif"});
    }

    if (!m.audioEncoder.empty()) a.insert(a.end(), {"-c:a", m.audioEncoder});
    if (!r.audioTag.empty()) a.insert(a.end(), {"-tag:a", r.audioTag});
    if (!r.audioBitrate.empty() && m.audioEncoder != "pcm_s16le") a.insert(a.end(), {"-b:a", Kbit(r.audioBitrate)});
    if (!r.sampleRate.empty()) a.insert(a.end(), {"-ar", r.sampleRate});
    if (!r.channels.empty()) a.insert(a.end(), {"-ac", r.channels});

    if (!m.container.empty()) a.insert(a.end(), {"-f", m.container});
    a.push_back(destPath);
    m.ok = true;
    return m;
}

}  // namespace avf

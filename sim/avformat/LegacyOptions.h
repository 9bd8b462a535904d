// The command line avformat.dll accepts, as pure logic.
//
//   avformat.dll -i SOURCE [-y] [-b N] [-r RATE] [-s WxH] [-vcodec NAME]
//                [-vtag TAG] [-aspect A] [-bt N] [-f FORMAT] [-target T]
//                [-bufsize N] [-g N] [-qscale Q] [-maxrate N] [-deinterlace]
//                [-sameq] [-acodec NAME] [-atag TAG] [-ab N] [-ar HZ] [-ac N]
//                DEST
//
// Every option appears at most once and in exactly this order (the order the
// converter component writes them). Bit rates, tolerances and buffer sizes are
// in kbit/s. Codec and container names are the converter's classic names
// (mpeg4, xvid, h264, mp3, amr_nb, ...); anything else is refused with a
// message that names the offending token.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace avf {

// One parsed request. An empty string means "option not given".
struct LegacyRequest {
    std::string source;
    std::string dest;
    bool overwrite = false;
    std::string videoBitrate;        // -b, kbit/s
    std::string frameRate;           // -r
    std::string frameSize;           // -s, WxH
    std::string videoCodec;          // -vcodec
    std::string videoTag;            // -vtag
    std::string aspect;              // -aspect
    std::string bitrateTolerance;    // -bt, kbit/s
    std::string format;              // -f
    std::string target;              // -target
    std::string bufferSize;          // -bufsize, kbit
    std::string gopSize;             // -g
    std::string quantiser;           // -qscale
    std::string maxRate;             // -maxrate, kbit/s
    bool deinterlace = false;        // -deinterlace
    bool sameQuality = false;        // -sameq
    std::string audioCodec;          // -acodec
    std::string audioTag;            // -atag
    std::string audioBitrate;        // -ab, kbit/s
    std::string sampleRate;          // -ar
    std::string channels;            // -ac
};

struct ParseResult {
    std::optional<LegacyRequest> request;  // set when the line is accepted
    std::string error;                     // the reason otherwise
};

// Parses the arguments after the program name (argv[1..]).
ParseResult ParseLegacyArguments(const std::vector<std::string>& args);

// The codec and format names the converter knows (the classic spellings).
bool IsKnownVideoCodec(const std::string& name);
bool IsKnownAudioCodec(const std::string& name);
bool IsKnownFormat(const std::string& name);

// Lower-cased extension of a path including its dot (".avi"), or empty.
std::string ExtensionOf(const std::string& path);

}  // namespace avf

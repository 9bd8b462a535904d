// AvcCommandLine: the values an AVC conversion is made of and the command line
// the outside converter receives, as pure logic.
//
// The option order is fixed here and nowhere else: whatever order a caller
// sets the values in, the options always come out in the same sequence.
#pragma once

#include <string>
#include <string_view>

namespace avc {

// The converter's file name in the program's folder (a program despite its name).
inline constexpr const char* ConverterFileName = "avformat.dll";

// Every value of one conversion, as the AVC properties name them.
enum class Property {
    RateControlBuffer,
    VideoBitrateTolerance,
    TargetFormat,
    GroupOfPictureSize,
    VideoQuantiserScale,
    MaxVideoBitrate,
    SourceFile,
    DestFile,
    DeInterlace,  // flag
    SameQuality,  // flag
    VideoSize,
    VideoBitrate,
    VideoFrameRate,
    VideoCodec,
    VideoFourCCTag,
    VideoAspectRatio,
    ForceFormat,
    AudioBitrate,
    AudioCodec,
    AudioFourCCTag,
    AudioSamples,
    AudioChannels,
};

struct Properties {
    std::string RateControlBuffer;
    std::string VideoBitrateTolerance;
    std::string TargetFormat;
    std::string GroupOfPictureSize;
    std::string VideoQuantiserScale;
    std::string MaxVideoBitrate;
    std::string SourceFile;
    std::string DestFile;
    bool DeInterlace = false;
    bool SameQuality = false;
    std::string VideoSize;
    std::string VideoBitrate;
    std::string VideoFrameRate;
    std::string VideoCodec;
    std::string VideoFourCCTag;
    std::string VideoAspectRatio;
    std::string ForceFormat;
    std::string AudioBitrate;
    std::string AudioCodec;
    std::string AudioFourCCTag;
    std::string AudioSamples;
    std::string AudioChannels;

    // Stores one value. A flag becomes true for any text but "", "0" and
    // "False" (in any case).
    void Set(Property which, std::string_view value);
};

// The option string: each token followed by one blank ("-y " first when
// `overWrite`), empty when nothing applies.
std::string BuildOptions(const Properties& p, bool overWrite);

// converterPath + " -i \"" + source + "\" " + options + "\"" + dest + "\"".
std::string BuildCommandLine(std::string_view converterPath, const Properties& p, bool overWrite);

// The text ConvertMedia reports for values that cannot start a conversion,
// or empty when source and destination are both given. The source is
// checked first.
std::string MissingNameMessage(const Properties& p);

// "Unable to locate avformat.dll".
std::string MissingConverterMessage();

// The reasons a conversion whose converter ran is reported as failed: the
// converter's exit code was not 0, or it left no output file with data.
std::string ConverterFailedMessage(std::string_view source, unsigned long exitCode);
std::string NoOutputMessage(std::string_view source);

// The converter's full path: folder, one backslash (none added when the
// folder already ends in one, as a drive's root does) and the file name.
std::string ConverterPath(std::string_view folder);

// True when the executable name of a process ends with `target`, both taken
// case-insensitively (ASCII); the name is cut at its first NUL.
bool ProcessNameMatches(std::string_view exeName, std::string_view target);

}  // namespace avc

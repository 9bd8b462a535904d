// avformat.dll's command-line logic: what it accepts and refuses, how an
// accepted line becomes ffmpeg's arguments, and the texts of the Wine bridge.
#include "FfmpegMapping.h"
#include "JobScript.h"
#include "LegacyOptions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

using namespace avf;

namespace {

std::vector<std::string> Split(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> out;
    for (std::string t; in >> t;) out.push_back(t);
    return out;
}

// "-i SRC <options> DEST" as the converter component passes it.
std::vector<std::string> Line(const std::string& options, const std::string& dest = "C:\\out\\clip.avi") {
    std::vector<std::string> args{"-i", "C:\\in\\My Clip.avi"};
    for (auto& t : Split(options)) args.push_back(t);
    args.push_back(dest);
    return args;
}

ParseResult Parse(const std::string& options, const std::string& dest = "C:\\out\\clip.avi") {
    return ParseLegacyArguments(Line(options, dest));
}

LegacyRequest Accepted(const std::string& options, const std::string& dest = "C:\\out\\clip.avi") {
    ParseResult r = Parse(options, dest);
    EXPECT_TRUE(r.request.has_value()) << options << " -> " << r.error;
    return r.request.value_or(LegacyRequest{});
}

MappedCommand Map(const std::string& options, const std::string& dest) {
    MappedCommand m = MapToFfmpeg(Accepted(options, dest), "/in/clip.mkv", "/out/dest");
    EXPECT_TRUE(m.ok) << m.error;
    return m;
}

// The value after the first occurrence of flag, or "<absent>".
std::string ValueOf(const MappedCommand& m, const std::string& flag) {
    auto it = std::find(m.args.begin(), m.args.end(), flag);
    if (it == m.args.end() || it + 1 == m.args.end()) return "<absent>";
    return *(it + 1);
}

bool Has(const MappedCommand& m, const std::string& token) {
    return std::find(m.args.begin(), m.args.end(), token) != m.args.end();
}

struct Preset {
    const char* caption;
    const char* ext;
    const char* options;
};

// Every preset's options as the component builds them with OverWrite true.
const Preset kPresets[] = {
    {"AVI (MPEG4-DivX-Compatible)", ".avi", "-y -b 360 -r 29.97 -s 320x240 -vcodec mpeg4 -deinterlace -sameq -ab 48 -ar 22050 -ac 2"},
    {"AVI (MPEG4-DivX-Best Quality)", ".avi", "-y -b 360 -r 29.97 -s 320x240 -vcodec mpeg4 -deinterlace -sameq -ac 2"},
    {"AVI (MPEG4-XviD-Compatible)", ".avi", "-y -b 360 -r 29.97 -s 320x240 -vcodec xvid -deinterlace -sameq -ab 48 -ar 22050 -ac 2"},
    {"AVI (MPEG4-XviD-Best Quality)", ".avi", "-y -b 360 -r 29.97 -s 320x240 -vcodec xvid -deinterlace -sameq -ac 2"},
    {"iPOD Video (320x240) MPEG4", ".mpg", "-y -b 512 -s 320x240 -vcodec mpeg4 -aspect 4:3 -acodec aac -ab 64 -ar 44100 -ac 2"},
    {"iPOD Video2 (640x480) MPEG4", ".mpg", "-y -b 1200 -s 640x480 -vcodec mpeg4 -aspect 4:3 -acodec aac -ab 80 -ar 44100 -ac 2"},
    {"iPhone Video", ".mpg", "-y -b 1200 -s 320x240 -vcodec mpeg4 -aspect 4:3 -acodec aac -ab 80 -ar 44100 -ac 2"},
    {"iPOD Nano (MP3)", ".mp3", "-y -acodec mp3"},
    {"MPEG (Max Compatible)", ".mpg", "-y -r 29.97 -vcodec mpeg1video -deinterlace -sameq -ar 44100 -ac 2"},
    {"MPEG (Best Quality)", ".mpg", "-y -r 29.97 -vcodec mpeg1video -deinterlace -sameq -ac 2"},
    {"WMV(WindowsMedia-Compatible)", ".wmv", "-y -vcodec wmv2 -deinterlace -sameq -ar 44100 -ac 2"},
    {"WMV(WindowsMedia-Best Quality)", ".wmv", "-y -vcodec wmv2 -deinterlace -sameq -ac 2"},
    {"RM (RealONE/RealPlayer)", ".rm", "-y -vcodec rv20 -deinterlace -sameq -ar 44100 -ac 2"},
    {"QuickTime MOV", ".mov", "-y -b 360 -r 29.97 -s 320x240 -deinterlace -sameq -acodec aac -ab 48 -ar 44100 -ac 2"},
    {"FLV (Flash Live Video)", ".flv", "-y -b 360 -r 25 -s 352x288 -vcodec h263 -acodec mp3 -ab 64 -ar 22050 -ac 1"},
    {"Sony PSP (Normal)", ".avi", "-y -b 512 -r 29.97 -s 368x208 -vcodec xvid -acodec aac -ab 64 -ar 24000 -ac 2"},
    {"Sony PSP (Excellent Quality)", ".avi", "-y -b 768 -r 29.97 -s 368x208 -vcodec xvid -acodec aac -ab 64 -ar 24000 -ac 2"},
    {"Sony PSP (Minimal Size)", ".avi", "-y -b 216 -r 29.97 -s 160x112 -vcodec xvid -acodec aac -ab 64 -ar 24000 -ac 2"},
    {"Sony PSP (PSP AVC)", ".avi", "-y -b 400 -r 29.97 -s 368x208 -vcodec h264 -bufsize 128 -g 250 -qscale 25 -maxrate 1500 -acodec aac -ab 128 -ar 48000 -ac 2"},
    {"Zune MPEG-4 Video", ".avi", "-y -b 1500 -r 29.97 -s 320x240 -vcodec mpeg4 -acodec aac -ab 128 -ar 48000 -ac 2"},
    {"Zune MPEG-4 AVC", ".avi", "-y -b 1500 -r 29.97 -s 320x240 -vcodec h264 -bufsize 128 -g 250 -qscale 25 -maxrate 1500 -acodec aac -ab 64 -ar 48000 -ac 2"},
    {"Zune WMV", ".wmv", "-y -b 1500 -r 29.97 -s 320x240 -vcodec wmv2 -acodec mp3 -ab 128 -ar 48000 -ac 2"},
    {"3GP (for Mobile)", ".3gp", "-y -b 120 -r 11 -s 176x144 -vcodec h263 -bt 60 -acodec amr_nb -ab 48 -ar 8000 -ac 1"},
    {"3G2 (for Mobile)", ".3g2", "-y -b 120 -r 11 -s 176x144 -vcodec mpeg4 -bt 60 -acodec amr_nb -ab 48 -ar 8000 -ac 1"},
    {"WAVE Sound (WAV)", ".wav", "-y -f wav -acodec pcm_s16le -ab 128 -ar 41000 -ac 2"},
    {"MP3 Sound (MP3)", ".mp3", "-y -f mp3 -acodec mp3 -ab 128 -ar 44100 -ac 2"},
    {"WMA", ".wma", "-y -acodec mp3 -ab 128 -ar 48000 -ac 2"},
};

}  // namespace

// ---------------------------------------------------------------------------
// Accepted lines

TEST(AcceptedLines, EveryPresetLineIsAcceptedAndMapped) {
    for (const Preset& p : kPresets) {
        SCOPED_TRACE(p.caption);
        std::string dest = std::string("C:\\out\\clip") + p.ext;
        ParseResult r = Parse(p.options, dest);
        ASSERT_TRUE(r.request) << r.error;
        EXPECT_TRUE(r.request->overwrite);
        EXPECT_EQ(r.request->source, "C:\\in\\My Clip.avi");
        EXPECT_EQ(r.request->dest, dest);
        MappedCommand m = MapToFfmpeg(*r.request, "/in/a.mkv", "/out/b");
        EXPECT_TRUE(m.ok) << m.error;
        EXPECT_FALSE(m.container.empty());
        ASSERT_FALSE(m.args.empty());
        EXPECT_EQ(m.args.back(), "/out/b");
    }
}

TEST(AcceptedLines, NoOptionsAtAll) {
    LegacyRequest r = Accepted("");
    EXPECT_FALSE(r.overwrite);
    EXPECT_TRUE(r.videoBitrate.empty());
    EXPECT_FALSE(r.deinterlace);
}

TEST(AcceptedLines, ValuesAreKeptVerbatim) {
    LegacyRequest r = Accepted("-b 1500 -r 29.97 -s 368x208 -vcodec h264 -vtag XVID -aspect 4:3 -bt 60 -target pal-vcd "
                               "-bufsize 128 -g 250 -qscale 25 -maxrate 1500 -deinterlace -sameq -acodec aac -atag mp4a "
                               "-ab 128 -ar 41000 -ac 1");
    EXPECT_EQ(r.videoBitrate, "1500");
    EXPECT_EQ(r.frameRate, "29.97");
    EXPECT_EQ(r.frameSize, "368x208");
    EXPECT_EQ(r.videoCodec, "h264");
    EXPECT_EQ(r.videoTag, "XVID");
    EXPECT_EQ(r.aspect, "4:3");
    EXPECT_EQ(r.bitrateTolerance, "60");
    EXPECT_EQ(r.target, "pal-vcd");
    EXPECT_EQ(r.bufferSize, "128");
    EXPECT_EQ(r.gopSize, "250");
    EXPECT_EQ(r.quantiser, "25");
    EXPECT_EQ(r.maxRate, "1500");
    EXPECT_TRUE(r.deinterlace);
    EXPECT_TRUE(r.sameQuality);
    EXPECT_EQ(r.audioCodec, "aac");
    EXPECT_EQ(r.audioTag, "mp4a");
    EXPECT_EQ(r.audioBitrate, "128");
    EXPECT_EQ(r.sampleRate, "41000");
    EXPECT_EQ(r.channels, "1");
}

TEST(AcceptedLines, SourceAndDestinationMayHoldBlanksAndDashes) {
    ParseResult r = ParseLegacyArguments({"-i", "C:\\a b\\-x.avi", "-y", "D:\\out dir\\-y.mpg"});
    ASSERT_TRUE(r.request) << r.error;
    EXPECT_EQ(r.request->source, "C:\\a b\\-x.avi");
    EXPECT_EQ(r.request->dest, "D:\\out dir\\-y.mpg");
}

// ---------------------------------------------------------------------------
// Refused lines

TEST(RefusedLines, OptionsOutOfTheFixedOrder) {
    EXPECT_NE(Parse("-r 25 -b 360").error.find("-b"), std::string::npos);
    EXPECT_FALSE(Parse("-b 360 -y").request);
    EXPECT_FALSE(Parse("-sameq -deinterlace").request);
    EXPECT_FALSE(Parse("-ac 2 -acodec aac").request);
}

TEST(RefusedLines, RepeatedOption) {
    ParseResult r = Parse("-b 360 -b 400");
    EXPECT_FALSE(r.request);
    EXPECT_NE(r.error.find("twice"), std::string::npos);
    EXPECT_FALSE(Parse("-y -y").request);
}

TEST(RefusedLines, UnknownOptionsAndModernSpellings) {
    for (const char* o : {"-vb 360", "-b:v 360", "-c:v mpeg4", "-q:v 2", "-vf yadif", "-strict -1", "stray"}) {
        ParseResult r = Parse(o);
        EXPECT_FALSE(r.request) << o;
        EXPECT_NE(r.error.find(Split(o)[0]), std::string::npos) << r.error;
    }
}

TEST(RefusedLines, ValuesOfTheWrongShape) {
    for (const char* o : {"-b 360k", "-b 0", "-b -5", "-r abc", "-r 0", "-r 29.", "-s 320*240", "-s x240", "-s 320x",
                          "-aspect 4/3", "-vtag ABCDE", "-g 0", "-qscale 0", "-qscale 32", "-ar 100", "-ac 0",
                          "-ac 12", "-target vhs", "-f matroska", "-bt 1.5"}) {
        ParseResult r = Parse(o);
        EXPECT_FALSE(r.request) << o;
        EXPECT_NE(r.error.find(Split(o)[1]), std::string::npos) << o << ": " << r.error;
    }
}

TEST(RefusedLines, CodecNamesOutsideTheClassicSet) {
    for (const char* o : {"-vcodec libx264", "-vcodec libxvid", "-vcodec MPEG4", "-acodec libmp3lame", "-acodec mp2",
                          "-acodec amr_wb"}) {
        EXPECT_FALSE(Parse(o).request) << o;
    }
}

TEST(RefusedLines, MissingPieces) {
    EXPECT_FALSE(ParseLegacyArguments({}).request);
    EXPECT_FALSE(ParseLegacyArguments({"-i"}).request);
    EXPECT_FALSE(ParseLegacyArguments({"-i", "src"}).request);
    EXPECT_FALSE(ParseLegacyArguments({"-i", "", "dest"}).request);
    EXPECT_FALSE(ParseLegacyArguments({"-i", "src", ""}).request);
    EXPECT_FALSE(ParseLegacyArguments({"src", "-i", "dest"}).request);
    EXPECT_FALSE(ParseLegacyArguments({"-i", "src", "-i", "x", "dest"}).request);
    // An option at the end leaves no destination.
    EXPECT_FALSE(ParseLegacyArguments({"-i", "src", "-y"}).request);
    EXPECT_FALSE(ParseLegacyArguments({"-i", "src", "-b", "360"}).request);
    // A value-taking option just before the destination has no value.
    EXPECT_FALSE(ParseLegacyArguments({"-i", "src", "-b", "dest.avi"}).request);
}

// ---------------------------------------------------------------------------
// Translation for ffmpeg

TEST(Translation, BitRatesBecomeKiloValues) {
    MappedCommand m = Map("-y -b 400 -vcodec h264 -bt 60 -bufsize 128 -maxrate 1500 -acodec aac -ab 128", "x.avi");
    EXPECT_EQ(ValueOf(m, "-b:v"), "400k");
    EXPECT_EQ(ValueOf(m, "-bt"), "60k");
    EXPECT_EQ(ValueOf(m, "-bufsize"), "128k");
    EXPECT_EQ(ValueOf(m, "-maxrate"), "1500k");
    EXPECT_EQ(ValueOf(m, "-b:a"), "128k");
}

TEST(Translation, ClassicCodecNamesBecomeEncoders) {
    EXPECT_EQ(ValueOf(Map("-vcodec xvid", "x.avi"), "-c:v"), "libxvid");
    EXPECT_EQ(ValueOf(Map("-vcodec h264", "x.avi"), "-c:v"), "libx264");
    EXPECT_EQ(ValueOf(Map("-vcodec mpeg1video", "x.mpg"), "-c:v"), "mpeg1video");
    EXPECT_EQ(ValueOf(Map("-acodec mp3", "x.wmv"), "-c:a"), "libmp3lame");
    EXPECT_EQ(ValueOf(Map("-vcodec h263", "x.3gp"), "-c:v"), "h263");
    // Flash video takes only its own H.263 variant.
    EXPECT_EQ(ValueOf(Map("-vcodec h263", "x.flv"), "-c:v"), "flv");
}

TEST(Translation, AmrNarrowbandFallsBackToAac) {
    MappedCommand m = Map("-y -b 120 -r 11 -s 176x144 -vcodec h263 -bt 60 -acodec amr_nb -ab 48 -ar 8000 -ac 1", "x.3gp");
    EXPECT_EQ(m.audioEncoder, "aac");
    EXPECT_EQ(ValueOf(m, "-ar"), "8000");
    EXPECT_EQ(ValueOf(m, "-ac"), "1");
    EXPECT_EQ(m.container, "3gp");
}

TEST(Translation, SameQualityAndQuantiser) {
    MappedCommand mpeg4 = Map("-b 360 -vcodec mpeg4 -sameq", "x.avi");
    EXPECT_EQ(ValueOf(mpeg4, "-q:v"), "2");
    EXPECT_FALSE(Has(mpeg4, "-sameq"));
    MappedCommand x264 = Map("-vcodec h264 -qscale 25", "x.avi");
    EXPECT_EQ(ValueOf(x264, "-crf"), "25");
    EXPECT_FALSE(Has(x264, "-q:v"));
    EXPECT_EQ(ValueOf(Map("-vcodec wmv2 -qscale 5 -sameq", "x.wmv"), "-q:v"), "5");
}

TEST(Translation, DeinterlaceBecomesAFilter) {
    MappedCommand m = Map("-vcodec rv20 -deinterlace", "x.rm");
    EXPECT_EQ(ValueOf(m, "-vf"), "yadif");
    EXPECT_FALSE(Has(m, "-deinterlace"));
    EXPECT_FALSE(Has(Map("-vcodec rv20", "x.rm"), "-vf"));
}

TEST(Translation, ContainerFromTheExtension) {
    EXPECT_EQ(Map("", "C:\\A.AVI").container, "avi");
    EXPECT_EQ(Map("", "x.wmv").container, "asf");
    EXPECT_EQ(Map("", "x.rm").container, "rm");
    EXPECT_EQ(Map("", "x.mov").container, "mov");
    EXPECT_EQ(Map("", "x.3g2").container, "3g2");
    EXPECT_EQ(Map("-vcodec mpeg1video", "x.mpg").container, "mpeg");
    EXPECT_EQ(ValueOf(Map("", "x.flv"), "-f"), "flv");
}

TEST(Translation, MpegWithAacIsWrittenAsMp4) {
    MappedCommand m = Map("-y -b 512 -s 320x240 -vcodec mpeg4 -aspect 4:3 -acodec aac -ab 64 -ar 44100 -ac 2", "x.mpg");
    EXPECT_EQ(m.container, "mp4");
    EXPECT_EQ(ValueOf(m, "-aspect"), "4:3");
}

TEST(Translation, ForcedFormatWinsOverTheExtension) {
    EXPECT_EQ(Map("-f wav -acodec pcm_s16le", "x.bin").container, "wav");
    MappedCommand m = MapToFfmpeg(Accepted("-acodec pcm_s16le", "x.bin"), "/a", "/b");
    EXPECT_FALSE(m.ok);
    EXPECT_NE(m.error.find("x.bin"), std::string::npos);
}

TEST(Translation, AudioOnlyDestinationsDropTheVideo) {
    for (const char* dest : {"x.mp3", "x.wav", "x.wma"}) {
        MappedCommand m = Map("-acodec mp3", dest);
        EXPECT_TRUE(Has(m, "-vn")) << dest;
        EXPECT_FALSE(Has(m, "-c:v")) << dest;
        EXPECT_TRUE(m.videoEncoder.empty()) << dest;
    }
    MappedCommand wav = Map("-y -f wav -acodec pcm_s16le -ab 128 -ar 41000 -ac 2", "x.wav");
    EXPECT_EQ(ValueOf(wav, "-ar"), "41000");
    EXPECT_FALSE(Has(wav, "-b:a"));  // PCM has no bit rate to choose
}

TEST(Translation, VideoContainersWithoutCodecGetAKnownEncoder) {
    EXPECT_EQ(Map("-sameq", "x.mov").videoEncoder, "mpeg4");
    EXPECT_EQ(Map("", "x.mpg").videoEncoder, "mpeg1video");
    EXPECT_EQ(Map("", "x.wmv").videoEncoder, "wmv2");
}

TEST(Translation, OverwriteAndStdin) {
    MappedCommand yes = Map("-y", "x.avi");
    MappedCommand no = Map("", "x.avi");
    EXPECT_TRUE(Has(yes, "-y"));
    EXPECT_FALSE(Has(yes, "-n"));
    EXPECT_TRUE(Has(no, "-n"));  // never asks on a console nobody reads
    EXPECT_FALSE(Has(no, "-y"));
    EXPECT_EQ(no.args.front(), "-nostdin");
}

TEST(Translation, InputFirstOutputLast) {
    MappedCommand m = Map("-y -b 360 -acodec aac", "x.avi");
    EXPECT_EQ(ValueOf(m, "-i"), "/in/clip.mkv");
    EXPECT_EQ(m.args.back(), "/out/dest");
    EXPECT_EQ(m.args[m.args.size() - 3], "-f");
}

TEST(Translation, TargetLeavesTheContainerToIt) {
    MappedCommand m = Map("-target ntsc-vcd", "x.unknown");
    EXPECT_EQ(ValueOf(m, "-target"), "ntsc-vcd");
    EXPECT_FALSE(Has(m, "-f"));
}

// ---------------------------------------------------------------------------
// Bridge texts

TEST(BridgeTexts, ShellQuoting) {
    EXPECT_EQ(ShellQuote("plain"), "'plain'");
    EXPECT_EQ(ShellQuote(""), "''");
    EXPECT_EQ(ShellQuote("it's $HOME `x` \"q\""), "'it'\\''s $HOME `x` \"q\"'");
}

TEST(BridgeTexts, JobScriptCarriesEveryArgumentQuoted) {
    std::string s = BuildJobScript("/tmp/w 1", {"-i", "/x/it's.avi", "-f", "avi", "/y/out file.avi"});
    EXPECT_EQ(s.rfind("#!/bin/sh\n", 0), 0u);
    EXPECT_NE(s.find("work='/tmp/w 1'"), std::string::npos);
    EXPECT_NE(s.find(" '-i' '/x/it'\\''s.avi' '-f' 'avi' '/y/out file.avi' >\"$log\" 2>&1"), std::string::npos);
    EXPECT_NE(s.find(std::string("/") + kJobExitName), std::string::npos);
    EXPECT_NE(s.find(kJobAliveName), std::string::npos);
    EXPECT_EQ(s.find('\r'), std::string::npos);  // /bin/sh wants LF only
}

TEST(BridgeTexts, WindowsQuoting) {
    EXPECT_EQ(QuoteWindowsArgument("plain"), "plain");
    EXPECT_EQ(QuoteWindowsArgument(""), "\"\"");
    EXPECT_EQ(QuoteWindowsArgument("a b"), "\"a b\"");
    EXPECT_EQ(QuoteWindowsArgument("C:\\a b\\"), "\"C:\\a b\\\\\"");
    EXPECT_EQ(QuoteWindowsArgument("say \"hi\""), "\"say \\\"hi\\\"\"");
    EXPECT_EQ(QuoteWindowsArgument("C:\\dir\\file"), "C:\\dir\\file");
    EXPECT_EQ(BuildWindowsCommandLine("C:\\p q\\ffmpeg.exe", {"-i", "x y"}), "\"C:\\p q\\ffmpeg.exe\" -i \"x y\"");
}

TEST(BridgeTexts, ExitCodeFile) {
    EXPECT_EQ(ParseExitCode("0\n"), 0);
    EXPECT_EQ(ParseExitCode("255\n"), 255);
    EXPECT_EQ(ParseExitCode(" 1 "), 1);
    EXPECT_EQ(ParseExitCode(""), -1);
    EXPECT_EQ(ParseExitCode("1x"), -1);
    EXPECT_EQ(ParseExitCode("-1"), -1);
}

// The 28 presets and "WMA": list order, exact lookup, and the converter
// options each caption produces with overwriting on.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "AvcCommandLine.h"
#include "ConversionPresets.h"

namespace {

struct Expected {
    const char* caption;
    const char* extension;
    const char* options;
};

// As the preset table states them (source and destination omitted).
const Expected Rows[] = {
    {"AVI (MPEG4-DivX-Compatible)", ".avi", "-y -b 360 -r 29.97 -s 320x240 -vcodec mpeg4 -deinterlace -sameq -ab 48 -ar 22050 -ac 2"},
    {"AVI (MPEG4-DivX-Best Quality)", ".avi", "-y -b 360 -r 29.97 -s 320x240 -vcodec mpeg4 -deinterlace -sameq -ac 2"},
    {"AVI (MPEG4-XviD-Compatible)", ".avi", "-y -b 360 -r 29.97 -s 320x240 -vcodec xvid -deinterlace -sameq -ab 48 -ar 22050 -ac 2"},
    {"AVI (MPEG4-XviD-Best Quality)", ".avi", "-y -b 360 -r 29.97 -s 320x240 -vcodec xvid -deinterlace -sameq -ac 2"},
    {"iPOD Video (320x240) MPEG4", ".mpg", "-y -b 512 -s 320x240 -vcodec mpeg4 -aspect 4:3 -acodec aac -ab 64 -ar 44100 -ac 2"},
    {"iPOD Video2 (640x480) MPEG4", ".mpg", "-y -b 1200 -s 640x480 -vcodec mpeg4 -aspect 4:3 -acodec aac -ab 80 -ar 44100 -ac 2"},
    {"iPhone Video", ".mpg", "-y -b 1200 -s 320x240 -vcodec mpeg4 -aspect 4:3 -acodec aac -ab 80 -ar 44100 -ac 2"},
    {"iPOD Nano (MP3)", ".mp3", "-y -acodec mp3"},
    {"iPOD Mini (MP3)", ".mp3", "-y -acodec mp3"},
    {"iPOD Shuffle (MP3)", ".mp3", "-y -acodec mp3"},
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
};

}  // namespace

TEST(Presets, EveryCaptionProducesItsOptionsAndExtension) {
    for (const Expected& row : Rows) {
        SCOPED_TRACE(row.caption);
        avc::Properties p;
        const auto ext = ConversionPresets::ApplyPreset(row.caption, p);
        ASSERT_TRUE(ext.has_value());
        EXPECT_EQ(*ext, row.extension);
        EXPECT_EQ(avc::BuildOptions(p, true), std::string(row.options) + " ");
        // No preset names the source, the destination or the tags.
        EXPECT_TRUE(p.SourceFile.empty() && p.DestFile.empty() && p.TargetFormat.empty() &&
                    p.VideoFourCCTag.empty() && p.AudioFourCCTag.empty());
    }
}

TEST(Presets, WmaIsKnownButNotListed) {
    avc::Properties p;
    const auto ext = ConversionPresets::ApplyPreset("WMA", p);
    ASSERT_TRUE(ext.has_value());
    EXPECT_EQ(*ext, ".wma");
    EXPECT_EQ(avc::BuildOptions(p, true), "-y -acodec mp3 -ab 128 -ar 48000 -ac 2 ");
    for (const auto& listed : ConversionPresets::ListedPresets()) EXPECT_STRNE(listed.caption, "WMA");
}

TEST(Presets, TheListHoldsTheTwentyEightCaptionsInOrder) {
    const auto listed = ConversionPresets::ListedPresets();
    ASSERT_EQ(listed.size(), std::size(Rows));
    for (size_t i = 0; i < listed.size(); ++i) EXPECT_STREQ(listed[i].caption, Rows[i].caption) << i;
    EXPECT_STREQ(listed.front().caption, "AVI (MPEG4-DivX-Compatible)");
    EXPECT_STREQ(listed.back().caption, "MP3 Sound (MP3)");
    for (const auto& p : listed) EXPECT_STRNE(p.caption, "Custom Format");
}

TEST(Presets, LookupIsExactAndCaseSensitive) {
    avc::Properties p;
    EXPECT_FALSE(ConversionPresets::ApplyPreset("zune wmv", p).has_value());
    EXPECT_FALSE(ConversionPresets::ApplyPreset("Zune WMV ", p).has_value());
    EXPECT_FALSE(ConversionPresets::ApplyPreset(" Zune WMV", p).has_value());
    EXPECT_FALSE(ConversionPresets::ApplyPreset("Zune", p).has_value());
    EXPECT_FALSE(ConversionPresets::ApplyPreset("Custom Format", p).has_value());
    EXPECT_FALSE(ConversionPresets::ApplyPreset("", p).has_value());
    // An unknown caption sets nothing.
    EXPECT_EQ(avc::BuildOptions(p, false), "");
}

TEST(Presets, APresetKeepsValuesItDoesNotName) {
    avc::Properties p;
    p.VideoSize = "999x999";
    ConversionPresets::ApplyPreset("iPOD Nano (MP3)", p);
    EXPECT_EQ(avc::BuildOptions(p, false), "-s 999x999 -acodec mp3 ");
}

TEST(Presets, NotSupportedMessage) {
    EXPECT_EQ(ConversionPresets::NotSupportedText("zune wmv"), "Error: zune wmv is not defined.");
    EXPECT_STREQ(ConversionPresets::NotSupportedTitle, "Not Supported");
}

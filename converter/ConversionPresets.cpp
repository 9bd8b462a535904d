#include "ConversionPresets.h"

#include "AVC.h"

namespace ConversionPresets {

namespace {

using P = avc::Property;
constexpr const char* On = "True";

const std::vector<Preset>& Table() {
    static const std::vector<Preset> table = {
        {"AVI (MPEG4-DivX-Compatible)", ".avi",
         {{P::VideoCodec, "mpeg4"}, {P::VideoSize, "320x240"}, {P::VideoFrameRate, "29.97"}, {P::VideoBitrate, "360"},
          {P::DeInterlace, On}, {P::SameQuality, On}, {P::AudioChannels, "2"}, {P::AudioBitrate, "48"},
          {P::AudioSamples, "22050"}}},
        {"AVI (MPEG4-DivX-Best Quality)", ".avi",
         {{P::VideoCodec, "mpeg4"}, {P::VideoSize, "320x240"}, {P::VideoFrameRate, "29.97"}, {P::VideoBitrate, "360"},
          {P::DeInterlace, On}, {P::SameQuality, On}, {P::AudioChannels, "2"}}},
        {"AVI (MPEG4-XviD-Compatible)", ".avi",
         {{P::VideoCodec, "xvid"}, {P::VideoSize, "320x240"}, {P::VideoFrameRate, "29.97"}, {P::VideoBitrate, "360"},
          {P::DeInterlace, On}, {P::SameQuality, On}, {P::AudioChannels, "2"}, {P::AudioBitrate, "48"},
          {P::AudioSamples, "22050"}}},
        {"AVI (MPEG4-XviD-Best Quality)", ".avi",
         {{P::VideoCodec, "xvid"}, {P::VideoSize, "320x240"}, {P::VideoFrameRate, "29.97"}, {P::VideoBitrate, "360"},
          {P::DeInterlace, On}, {P::SameQuality, On}, {P::AudioChannels, "2"}}},
        {"iPOD Video (320x240) MPEG4", ".mpg",
         {{P::VideoCodec, "mpeg4"}, {P::VideoSize, "320x240"}, {P::VideoBitrate, "512"},
          {P::VideoAspectRatio, "4:3"}, {P::AudioCodec, "aac"}, {P::AudioChannels, "2"}, {P::AudioBitrate, "64"},
          {P::AudioSamples, "44100"}}},
        {"iPOD Video2 (640x480) MPEG4", ".mpg",
         {{P::VideoCodec, "mpeg4"}, {P::VideoSize, "640x480"}, {P::VideoBitrate, "1200"},
          {P::VideoAspectRatio, "4:3"}, {P::AudioCodec, "aac"}, {P::AudioChannels, "2"}, {P::AudioBitrate, "80"},
          {P::AudioSamples, "44100"}}},
        {"iPhone Video", ".mpg",
         {{P::VideoCodec, "mpeg4"}, {P::VideoSize, "320x240"}, {P::VideoBitrate, "1200"},
          {P::VideoAspectRatio, "4:3"}, {P::AudioCodec, "aac"}, {P::AudioChannels, "2"}, {P::AudioBitrate, "80"},
          {P::AudioSamples, "44100"}}},
        {"iPOD Nano (MP3)", ".mp3", {{P::AudioCodec, "mp3"}}},
        {"iPOD Mini (MP3)", ".mp3", {{P::AudioCodec, "mp3"}}},
        {"iPOD Shuffle (MP3)", ".mp3", {{P::AudioCodec, "mp3"}}},
        {"MPEG (Max Compatible)", ".mpg",
         {{P::VideoCodec, "mpeg1video"}, {P::VideoFrameRate, "29.97"}, {P::DeInterlace, On}, {P::SameQuality, On},
          {P::AudioChannels, "2"}, {P::AudioSamples, "44100"}}},
        {"MPEG (Best Quality)", ".mpg",
         {{P::VideoCodec, "mpeg1video"}, {P::VideoFrameRate, "29.97"}, {P::DeInterlace, On}, {P::SameQuality, On},
          {P::AudioChannels, "2"}}},
        {"WMV(WindowsMedia-Compatible)", ".wmv",
         {{P::VideoCodec, "wmv2"}, {P::DeInterlace, On}, {P::SameQuality, On}, {P::AudioChannels, "2"},
          {P::AudioSamples, "44100"}}},
        {"WMV(WindowsMedia-Best Quality)", ".wmv",
         {{P::VideoCodec, "wmv2"}, {P::DeInterlace, On}, {P::SameQuality, On}, {P::AudioChannels, "2"}}},
        {"RM (RealONE/RealPlayer)", ".rm",
         {{P::VideoCodec, "rv20"}, {P::DeInterlace, On}, {P::SameQuality, On}, {P::AudioChannels, "2"},
          {P::AudioSamples, "44100"}}},
        {"QuickTime MOV", ".mov",
         {{P::VideoSize, "320x240"}, {P::VideoFrameRate, "29.97"}, {P::VideoBitrate, "360"}, {P::DeInterlace, On},
          {P::SameQuality, On}, {P::AudioCodec, "aac"}, {P::AudioChannels, "2"}, {P::AudioBitrate, "48"},
          {P::AudioSamples, "44100"}}},
        {"FLV (Flash Live Video)", ".flv",
         {{P::VideoCodec, "h263"}, {P::VideoSize, "352x288"}, {P::VideoFrameRate, "25"}, {P::VideoBitrate, "360"},
          {P::AudioCodec, "mp3"}, {P::AudioChannels, "1"}, {P::AudioBitrate, "64"}, {P::AudioSamples, "22050"}}},
        {"Sony PSP (Normal)", ".avi",
         {{P::VideoCodec, "xvid"}, {P::VideoSize, "368x208"}, {P::VideoFrameRate, "29.97"}, {P::VideoBitrate, "512"},
          {P::AudioCodec, "aac"}, {P::AudioChannels, "2"}, {P::AudioBitrate, "64"}, {P::AudioSamples, "24000"}}},
        {"Sony PSP (Excellent Quality)", ".avi",
         {{P::VideoCodec, "xvid"}, {P::VideoSize, "368x208"}, {P::VideoFrameRate, "29.97"}, {P::VideoBitrate, "768"},
          {P::AudioCodec, "aac"}, {P::AudioChannels, "2"}, {P::AudioBitrate, "64"}, {P::AudioSamples, "24000"}}},
        {"Sony PSP (Minimal Size)", ".avi",
         {{P::VideoCodec, "xvid"}, {P::VideoSize, "160x112"}, {P::VideoFrameRate, "29.97"}, {P::VideoBitrate, "216"},
          {P::AudioCodec, "aac"}, {P::AudioChannels, "2"}, {P::AudioBitrate, "64"}, {P::AudioSamples, "24000"}}},
        {"Sony PSP (PSP AVC)", ".avi",
         {{P::VideoCodec, "h264"}, {P::VideoSize, "368x208"}, {P::VideoFrameRate, "29.97"}, {P::VideoBitrate, "400"},
          {P::GroupOfPictureSize, "250"}, {P::VideoQuantiserScale, "25"}, {P::MaxVideoBitrate, "1500"},
          {P::RateControlBuffer, "128"}, {P::AudioCodec, "aac"}, {P::AudioChannels, "2"}, {P::AudioBitrate, "128"},
          {P::AudioSamples, "48000"}}},
        {"Zune MPEG-4 Video", ".avi",
         {{P::VideoCodec, "mpeg4"}, {P::VideoSize, "320x240"}, {P::VideoFrameRate, "29.97"}, {P::VideoBitrate, "1500"},
          {P::AudioCodec, "aac"}, {P::AudioChannels, "2"}, {P::AudioBitrate, "128"}, {P::AudioSamples, "48000"}}},
        {"Zune MPEG-4 AVC", ".avi",
         {{P::VideoCodec, "h264"}, {P::VideoSize, "320x240"}, {P::VideoFrameRate, "29.97"}, {P::VideoBitrate, "1500"},
          {P::GroupOfPictureSize, "250"}, {P::VideoQuantiserScale, "25"}, {P::MaxVideoBitrate, "1500"},
          {P::RateControlBuffer, "128"}, {P::AudioCodec, "aac"}, {P::AudioChannels, "2"}, {P::AudioBitrate, "64"},
          {P::AudioSamples, "48000"}}},
        {"Zune WMV", ".wmv",
         {{P::VideoCodec, "wmv2"}, {P::VideoSize, "320x240"}, {P::VideoFrameRate, "29.97"}, {P::VideoBitrate, "1500"},
          {P::AudioCodec, "mp3"}, {P::AudioChannels, "2"}, {P::AudioBitrate, "128"}, {P::AudioSamples, "48000"}}},
        {"3GP (for Mobile)", ".3gp",
         {{P::VideoCodec, "h263"}, {P::VideoSize, "176x144"}, {P::VideoFrameRate, "11"}, {P::VideoBitrate, "120"},
          {P::VideoBitrateTolerance, "60"}, {P::AudioCodec, "amr_nb"}, {P::AudioChannels, "1"},
          {P::AudioBitrate, "48"}, {P::AudioSamples, "8000"}}},
        {"3G2 (for Mobile)", ".3g2",
         {{P::VideoCodec, "mpeg4"}, {P::VideoSize, "176x144"}, {P::VideoFrameRate, "11"}, {P::VideoBitrate, "120"},
          {P::VideoBitrateTolerance, "60"}, {P::AudioCodec, "amr_nb"}, {P::AudioChannels, "1"},
          {P::AudioBitrate, "48"}, {P::AudioSamples, "8000"}}},
        {"WAVE Sound (WAV)", ".wav",
         {{P::AudioCodec, "pcm_s16le"}, {P::AudioChannels, "2"}, {P::AudioBitrate, "128"}, {P::AudioSamples, "41000"},
          {P::ForceFormat, "wav"}}},
        {"MP3 Sound (MP3)", ".mp3",
         {{P::AudioCodec, "mp3"}, {P::AudioChannels, "2"}, {P::AudioBitrate, "128"}, {P::AudioSamples, "44100"},
          {P::ForceFormat, "mp3"}}},
        // Known to the lookup, not offered by the list.
        {"WMA", ".wma",
         {{P::AudioCodec, "mp3"}, {P::AudioChannels, "2"}, {P::AudioBitrate, "128"}, {P::AudioSamples, "48000"}}},
    };
    return table;
}

constexpr size_t ListedCount = 28;

}  // namespace

std::span<const Preset> ListedPresets() { return std::span<const Preset>(Table()).first(ListedCount); }

std::span<const Preset> AllPresets() { return Table(); }

const Preset* Find(std::string_view caption) {
    for (const Preset& p : Table())
        if (caption == p.caption) return &p;
    return nullptr;
}

std::optional<std::string> ApplyPreset(std::string_view caption, avc::Properties& target) {
    const Preset* p = Find(caption);
    if (!p) return std::nullopt;
    for (const auto& [which, value] : p->values) target.Set(which, value);
    return std::string(p->extension);
}

std::optional<std::string> ApplyPreset(std::string_view caption, AVC& target) {
    const Preset* p = Find(caption);
    if (!p) return std::nullopt;
    for (const auto& [which, value] : p->values) target.Set(which, value);
    return std::string(p->extension);
}

void FillFormatList(HWND combo) {
    for (const Preset& p : ListedPresets())
        ::SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(p.caption));
}

std::string NotSupportedText(std::string_view caption) {
    return "Error: " + std::string(caption) + " is not defined.";
}

void ShowNotSupported(HWND owner, std::string_view caption) {
    ::MessageBoxA(owner, NotSupportedText(caption).c_str(), NotSupportedTitle, MB_OK | MB_ICONEXCLAMATION);
}

}  // namespace ConversionPresets

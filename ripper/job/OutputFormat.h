// The rip job's output format, and its text as the format list and the
// command line show it ("MP3", "WAV").
#pragma once

#include <string_view>

enum class OutputFormat { Mp3, Wav };

constexpr std::string_view OutputFormatText(OutputFormat format) {
    return format == OutputFormat::Mp3 ? "MP3" : "WAV";
}

// The format a list text names: "MP3" is MP3, any other text WAV (the job
// writes WAV for anything that is not MP3).
constexpr OutputFormat OutputFormatFromText(std::string_view text) {
    return text == "MP3" ? OutputFormat::Mp3 : OutputFormat::Wav;
}

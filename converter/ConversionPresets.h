// ConversionPresets: the fixed list of target formats the converter tab
// offers. Each caption stands for an output extension and a set of converter
// values; a caption is found by exact, case-sensitive comparison.
#pragma once

#include <windows.h>

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "AvcCommandLine.h"

class AVC;

namespace ConversionPresets {

struct Preset {
    const char* caption;
    const char* extension;  // with its leading dot
    // The values the preset sets, in any order (flags carry "True").
    std::vector<std::pair<avc::Property, const char*>> values;
};

// The caption the job knows without a preset row.
inline constexpr const char* CustomFormat = "Custom Format";
// The caption chosen when nothing else is known.
inline constexpr const char* DefaultCaption = "AVI (MPEG4-XviD-Best Quality)";

// The 28 captions of the format list, in list order.
std::span<const Preset> ListedPresets();
// Every row the lookup knows: the 28 listed ones and "WMA".
std::span<const Preset> AllPresets();

// The row of `caption`, or null.
const Preset* Find(std::string_view caption);

// Sets the row's values on `target` and gives its extension; nullopt when
// the caption is not defined (nothing is set then).
std::optional<std::string> ApplyPreset(std::string_view caption, avc::Properties& target);
std::optional<std::string> ApplyPreset(std::string_view caption, AVC& target);

// Appends the 28 listed captions to a combo box.
void FillFormatList(HWND combo);

// The message for a caption that is not defined, and its title.
std::string NotSupportedText(std::string_view caption);
inline constexpr const char* NotSupportedTitle = "Not Supported";
// Shows that message (warning icon, OK button).
void ShowNotSupported(HWND owner, std::string_view caption);

}  // namespace ConversionPresets

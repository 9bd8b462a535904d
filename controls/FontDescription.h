// A font as a control's property bag keeps it: "Face,Points[,Bold][,Italic]
// [,Underline][,Strikeout]", for example "Tahoma,8" or "Verdana,9.75,Bold".
// Points may carry decimals; style words are matched without regard to case.
// Pure text handling; the window code turns a description into a font.
#pragma once

#include <optional>
#include <string>

namespace controls {

struct FontDescription {
    std::string face = "Tahoma";
    double points = 8.0;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeout = false;

    bool operator==(const FontDescription&) const = default;

    // nullopt for an empty face, a size that is not a number within 1..500,
    // an unknown style word, or a face longer than 31 characters.
    static std::optional<FontDescription> Parse(const std::string& text);
    // The form Parse reads ("Tahoma,8", "Arial,9.5,Bold,Italic").
    std::string Format() const;
};

}  // namespace controls

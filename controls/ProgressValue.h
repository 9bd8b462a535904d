// The numbers behind XP_ProgressBar: how a value becomes the stored
// percentage and back, the text printed in the bar's middle, and where each
// look puts its filled part. Pure logic in client coordinates (origin at the
// top left, right and bottom exclusive); nothing here draws.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace controls::progress {

constexpr int kLookCount = 10;     // Scrolling 0..9
constexpr int kBlockWidth = 6;     // look 0: one block
constexpr int kBlockGap = 2;       // look 0: white gap after each block
constexpr int kBlockPitch = kBlockWidth + kBlockGap;
constexpr int kBarInset = 2;       // looks 0-2: border ring plus one white pixel

// ---- value and percentage -------------------------------------------------

// Setting Value: percentage = value * 100 / max + min, rounded to the nearest
// integer with halves to the even neighbour. A max of 0 has no scale: the
// scaled term counts as 0 and the percentage is min. Results beyond the
// 32-bit range are clamped to it.
int32_t PercentFromValue(int32_t value, int32_t max, int32_t min) noexcept;

// Reading Value: percentage / 100 * max, divided by min when min is above 0,
// rounded like PercentFromValue and clamped to the 32-bit range.
int32_t ValueFromPercent(int32_t percent, int32_t max, int32_t min) noexcept;

// A redraw never shows more than a full bar: percentages above 100 become
// 100; everything else is kept (a negative percentage draws an empty bar but
// keeps its text).
constexpr int32_t DrawnPercent(int32_t percent) noexcept { return percent > 100 ? 100 : percent; }

// The text in the bar's middle: "Searching.." for look 2, otherwise the
// percentage and " %" ("45 %").
std::string BarText(int32_t percent, int look);

// Looks outside 0..9 draw as look 0.
constexpr int EffectiveLook(int32_t scrolling) noexcept {
    return scrolling >= 0 && scrolling < kLookCount ? static_cast<int>(scrolling) : 0;
}

// Only looks 0 to 2 can stand upright.
constexpr bool IsVertical(int look, int32_t orientation) noexcept { return orientation != 0 && look <= 2; }

// ---- geometry ---------------------------------------------------------------

struct Box {
    int left = 0, top = 0, right = 0, bottom = 0;
    int Width() const noexcept { return right > left ? right - left : 0; }
    int Height() const noexcept { return bottom > top ? bottom - top : 0; }
    bool Empty() const noexcept { return Width() == 0 || Height() == 0; }
    bool operator==(const Box&) const = default;
};

// percent / divisor of extent in whole pixels (truncated), never below 0 and
// never beyond extent * 100 / divisor; 0 for an empty extent.
int ScaledLength(int32_t percent, int extent, int divisor) noexcept;

// A length cut down to a whole number of block pitches (8 px).
constexpr int SnapToBlocks(int length) noexcept { return length <= 0 ? 0 : length - length % kBlockPitch; }

// Where one look puts its bar inside a client area of width x height.
struct LookLayout {
    Box track;               // the area inside the look's edge
    Box fill;                // the filled part (empty at 0 %; in look 0 the span of its blocks);
                             // also where looks 6 and 9 re-print the text
    std::vector<Box> blocks; // look 0: the blocks that make up `fill`, from the start edge on
    bool vertical = false;   // filled from the bottom up
};

// percent is the drawn percentage (see DrawnPercent); look and orientation
// as the properties hold them. Sizes of 0 or less give empty boxes.
LookLayout Layout(int32_t percent, int32_t scrolling, int32_t orientation, int width, int height);

}  // namespace controls::progress

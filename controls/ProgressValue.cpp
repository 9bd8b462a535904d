#include "ProgressValue.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace controls::progress {

namespace {

int32_t RoundToInt32(double x) noexcept {
    if (std::isnan(x)) return 0;
    double whole = std::floor(x);
    const double frac = x - whole;
    if (frac > 0.5 || (frac == 0.5 && std::fmod(whole, 2.0) != 0.0)) whole += 1.0;
    constexpr double lo = std::numeric_limits<int32_t>::min();
    constexpr double hi = std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(std::clamp(whole, lo, hi));
}

Box Make(int left, int top, int right, int bottom) noexcept {
    Box b{left, top, right, bottom};
    if (b.right < b.left) b.right = b.left;
    if (b.bottom < b.top) b.bottom = b.top;
    return b;
}

// The segmented and continuous bars of looks 0 to 2, inset inside the
// rounded border. The horizontal bar grows from the left by percent / 98 of
// the width; the upright one from the bottom by percent / 98 of the height,
// its top edge on a whole block. Look 0 snaps the horizontal end too.
void LayoutSmooth(LookLayout& out, int32_t percent, int look, int w, int h) {
    out.track = Make(kBarInset, kBarInset, w - kBarInset, h - kBarInset);
    const Box& t = out.track;
    if (out.vertical) {
        const int length = std::min(SnapToBlocks(ScaledLength(percent, h, 98)), t.Height());
        out.fill = Make(t.left, t.bottom - length, t.right, t.bottom);
        if (look == 0) {
            for (int start = t.bottom; start > out.fill.top; start -= kBlockPitch)
                out.blocks.push_back(Make(t.left, std::max(out.fill.top, start - kBlockWidth), t.right, start));
            if (!out.blocks.empty()) out.fill.top = out.blocks.back().top;  // the gap above is not filled
        }
    } else {
        int length = ScaledLength(percent, w, 98);
        if (look == 0) length = SnapToBlocks(length);
        length = std::min(length, t.Width());
        out.fill = Make(t.left, t.top, t.left + length, t.bottom);
        if (look == 0) {
            for (int start = t.left; start < out.fill.right; start += kBlockPitch)
                out.blocks.push_back(Make(start, t.top, std::min(out.fill.right, start + kBlockWidth), t.bottom));
            if (!out.blocks.empty()) out.fill.right = out.blocks.back().right;
        }
    }
    if (out.fill.Empty()) out.fill = Box{};
}

}  // namespace

int32_t PercentFromValue(int32_t value, int32_t max, int32_t min) noexcept {
    if (max == 0) return min;
    return RoundToInt32(static_cast<double>(value) * 100.0 / static_cast<double>(max) + static_cast<double>(min));
}

int32_t ValueFromPercent(int32_t percent, int32_t max, int32_t min) noexcept {
    double v = static_cast<double>(percent) / 100.0 * static_cast<double>(max);
    if (min > 0) v /= static_cast<double>(min);
    return RoundToInt32(v);
}

std::string BarText(int32_t percent, int look) {
    if (look == 2) return "Searching..";
    return std::to_string(percent) + " %";
}

int ScaledLength(int32_t percent, int extent, int divisor) noexcept {
    if (percent <= 0 || extent <= 0 || divisor <= 0) return 0;
    const int64_t length = static_cast<int64_t>(percent) * extent / divisor;
    const int64_t cap = static_cast<int64_t>(extent) * 100 / divisor;
    return static_cast<int>(std::min(length, cap));
}

LookLayout Layout(int32_t percent, int32_t scrolling, int32_t orientation, int w, int h) {
    LookLayout out;
    if (w <= 0 || h <= 0) return out;
    const int look = EffectiveLook(scrolling);
    out.vertical = IsVertical(look, orientation);
    percent = DrawnPercent(percent);
    switch (look) {
    case 0:
    case 1:
    case 2:
        LayoutSmooth(out, percent, look, w, h);
        return out;
    case 3:  // one-pixel border; fill from (1, 1), one pixel short of the bottom
        out.track = Make(1, 1, w - 1, h - 1);
        out.fill = Make(1, 1, std::min(ScaledLength(percent, w, 100), w - 1), h - 1);
        break;
    case 4:  // etched edge; from (2, 2) over percent of (w - 4), three pixels above the bottom
        out.track = Make(2, 2, w - 2, h - 3);
        out.fill = Make(2, 2, 2 + ScaledLength(percent, w - 4, 100), h - 3);
        break;
    case 5:  // one-pixel border; the bar over percent / 101 of the width
        out.track = Make(1, 1, w - 1, h - 1);
        out.fill = Make(1, 1, std::min(ScaledLength(percent, w, 101), w - 1), h - 1);
        break;
    case 6:  // on black, from (2, 2) over percent of (w - 5), two pixels above the bottom
        out.track = Make(2, 2, w - 2, h - 2);
        out.fill = Make(2, 2, 2 + ScaledLength(percent, w - 5, 100), h - 2);
        break;
    case 7:  // bump edge (two pixels); the bar over percent / 101 of the width
        out.track = Make(2, 2, w - 2, h - 2);
        out.fill = Make(2, 2, std::min(ScaledLength(percent, w, 101), w - 2), h - 2);
        break;
    case 8:  // sunken outer edge (one pixel); the bar over percent / 101 of the width
        out.track = Make(1, 1, w - 1, h - 1);
        out.fill = Make(1, 1, std::min(ScaledLength(percent, w, 101), w - 1), h - 1);
        break;
    case 9:  // glossy track inside the rounded border; the bar over percent of (w - 4)
        out.track = Make(1, 1, w - 1, h - 1);
        out.fill = Make(2, 2, 2 + ScaledLength(percent, w - 4, 100), h - 2);
        break;
    }
    if (out.fill.Empty()) out.fill = Box{};
    return out;
}

}  // namespace controls::progress

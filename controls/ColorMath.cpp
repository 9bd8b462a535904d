#include "ColorMath.h"

#include <algorithm>

namespace controls::color {

namespace {
int Clamp8(int v) noexcept { return std::clamp(v, 0, 255); }

int LightenChannel(int ch, int a) noexcept { return std::min(255, a + ch * (255 - a) / 255); }

// (255 - a) * c1 / 255 + a * c2 / 255 rounded: the exact sum is N / 255 with
// N an integer, and 255 is odd, so it is never exactly halfway.
int BlendChannel(int c1, int c2, int a) noexcept { return ((255 - a) * c1 + a * c2 + 127) / 255; }

int RampChannel(int from, int to, int i, int n) noexcept {
    const int span = n - 1;
    const int num = (to - from) * i;
    // Round half away from zero so the ramp is symmetric both ways.
    const int step = num >= 0 ? (2 * num + span) / (2 * span) : -((-2 * num + span) / (2 * span));
    return from + step;
}
}  // namespace

Rgb Make(int red, int green, int blue) noexcept {
    return static_cast<Rgb>(Clamp8(red)) | (static_cast<Rgb>(Clamp8(green)) << 8) |
           (static_cast<Rgb>(Clamp8(blue)) << 16);
}

Rgb Lighten(Rgb c, int a) noexcept {
    a = Clamp8(a);
    return Make(LightenChannel(Red(c), a), LightenChannel(Green(c), a), LightenChannel(Blue(c), a));
}

Rgb Blend(Rgb c1, Rgb c2, int a) noexcept {
    a = Clamp8(a);
    return Make(BlendChannel(Red(c1), Red(c2), a), BlendChannel(Green(c1), Green(c2), a),
                BlendChannel(Blue(c1), Blue(c2), a));
}

Rgb RampAt(Rgb from, Rgb to, int i, int n) noexcept {
    from &= 0xFFFFFF;
    to &= 0xFFFFFF;
    if (n <= 1) return from;
    i = std::clamp(i, 0, n - 1);
    return Make(RampChannel(Red(from), Red(to), i, n), RampChannel(Green(from), Green(to), i, n),
                RampChannel(Blue(from), Blue(to), i, n));
}

Rgb BarShadeAt(Rgb c, int i, int n) noexcept {
    c &= 0xFFFFFF;
    if (n <= 1) return c;
    i = std::clamp(i, 0, n - 1);
    struct Stop {
        int at;  // per mille of the thickness
        Rgb colour;
    };
    const Stop stops[] = {
        {0, Lighten(c, 90)}, {300, Lighten(c, 170)}, {560, c}, {1000, Blend(c, kBlack, 70)},
    };
    const int t = i * 1000 / (n - 1);
    for (size_t k = 1; k < sizeof stops / sizeof stops[0]; ++k) {
        if (t <= stops[k].at) {
            const Stop& a = stops[k - 1];
            const Stop& b = stops[k];
            return RampAt(a.colour, b.colour, t - a.at, b.at - a.at + 1);
        }
    }
    return stops[3].colour;
}

int Luma(Rgb c) noexcept { return (299 * Red(c) + 587 * Green(c) + 114 * Blue(c)) / 1000; }

}  // namespace controls::color

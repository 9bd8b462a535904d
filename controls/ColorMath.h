// Colour arithmetic of the owner-drawn controls, on colours in the 0x00BBGGRR
// layout of COLORREF. Pure integer arithmetic on 8-bit channels; nothing here
// draws or asks the system for anything.
#pragma once

#include <cstdint>

namespace controls::color {

using Rgb = uint32_t;  // 0x00BBGGRR

constexpr Rgb kBlack = 0x000000;
constexpr Rgb kWhite = 0xFFFFFF;
constexpr Rgb kSilver = 0xC0C0C0;

constexpr int Red(Rgb c) noexcept { return static_cast<int>(c & 0xFF); }
constexpr int Green(Rgb c) noexcept { return static_cast<int>((c >> 8) & 0xFF); }
constexpr int Blue(Rgb c) noexcept { return static_cast<int>((c >> 16) & 0xFF); }
// Channels outside 0..255 are clamped.
Rgb Make(int red, int green, int blue) noexcept;

// Each channel becomes a + channel * (255 - a) / 255 (integer division),
// capped at 255: a = 0 leaves the colour, a = 255 gives white. a is taken
// within 0..255. The top byte of c is ignored.
Rgb Lighten(Rgb c, int a) noexcept;

// Each channel becomes (255 - a) * c1 / 255 + a * c2 / 255, rounded to the
// nearest integer (the sum never lies exactly halfway): a = 0 gives c1,
// a = 255 gives c2. a is taken within 0..255.
Rgb Blend(Rgb c1, Rgb c2, int a) noexcept;

// The colour at step i of a linear ramp of n steps from `from` (step 0) to
// `to` (step n - 1), each channel rounded to the nearest integer. n <= 1
// gives `from`; i is taken within 0..n-1.
Rgb RampAt(Rgb from, Rgb to, int i, int n) noexcept;

// The shading of the XP-like bar (looks 0 to 2) at step i of n across the
// bar's thickness (top to bottom, or left to right when it stands upright):
// a soft light band in its upper third over the colour, darkening towards the
// far edge. n <= 1 gives c itself.
Rgb BarShadeAt(Rgb c, int i, int n) noexcept;

// Perceived brightness 0..255 (integer weights 299/587/114).
int Luma(Rgb c) noexcept;

}  // namespace controls::color

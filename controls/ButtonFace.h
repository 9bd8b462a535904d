// ButtonFace: paints CandyButton's face into a 32-bit pixel buffer, without
// any platform call, so every look can be checked pixel by pixel.
//
// The buffer is top-down, one uint32_t per pixel in the 0x00RRGGBB layout of
// a 32-bit DIB section, and already holds the background (the parent's
// colour): the face is blended over it with anti-aliased rounded edges, so
// the corners show what lies behind the button.
//
// Looks (by Style):
//   0      "glass": a glassy face with a bright upper half, a darker lower
//          half that lightens again towards the bottom, rounded corners
//   1      "flat": a flat modern face, slightly rounded, with a thin edge
//   6      "pill": fully rounded ends, a strong gloss and a bright glow
//   other  "satin": a soft gradient from ColorBright down to the face colour
// Every look takes its face colour from the state (up, hover, down), uses
// ColorBright for highlights, and its border is the face darkened and then
// lightened (BorderBrightness > 0) or darkened (< 0) by that many percent.
#pragma once

#include <cstdint>

#include "ButtonLogic.h"

namespace controls {

struct ButtonFaceParams {
    int style = 0;
    int state = kStateNormal;  // the state to draw, 0..4
    bool enabled = true;
    ButtonFaceColors colors;
    int borderBrightness = 0;  // -100..100
    // A soft halo behind the picture (IconHighLite while hovered).
    bool glow = false;
    int glowX = 0, glowY = 0, glowRadius = 0;
    uint32_t glowColor = 0x00FF00;  // COLORREF
};

// The face colour (COLORREF) a state paints with.
uint32_t FaceColorForState(const ButtonFaceColors& colors, int state);

// The border colour: the face darkened, then moved towards white or black by
// borderBrightness percent.
uint32_t BorderColorFor(uint32_t face, int borderBrightness);

// The colour of a one-pixel caption shadow that lifts `text` off `face`.
uint32_t CaptionShadowColor(uint32_t face, uint32_t text);

// How far the content moves down and right while the face is pressed in.
int PressedOffset(int style, int state);

// Paints the face over the background in `pixels` (width x height). Nothing
// happens for a null buffer or an empty size.
void PaintButtonFace(uint32_t* pixels, int width, int height, const ButtonFaceParams& params);

// A pixel of a disabled button's picture: `drawn` (the picture over the
// face) turned grey and faded towards `face` (the pixel before the picture).
uint32_t FadedPicturePixel(uint32_t face, uint32_t drawn);

// The pixel form (0x00RRGGBB) of a COLORREF and back.
constexpr uint32_t PixelFromColor(uint32_t c) {
    return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}
constexpr uint32_t ColorFromPixel(uint32_t p) {
    return ((p & 0xFF) << 16) | (p & 0xFF00) | ((p >> 16) & 0xFF);
}

}  // namespace controls

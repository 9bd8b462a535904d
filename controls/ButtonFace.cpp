#include "ButtonFace.h"

#include <algorithm>
#include <cmath>

namespace controls {

namespace {

struct Rgb {
    float r, g, b;
};

Rgb FromColor(uint32_t c) {
    return {float(c & 0xFF) / 255.f, float((c >> 8) & 0xFF) / 255.f, float((c >> 16) & 0xFF) / 255.f};
}

uint8_t Byte(float v) { return static_cast<uint8_t>(std::lround(std::clamp(v, 0.f, 1.f) * 255.f)); }

uint32_t ToColor(Rgb c) {
    return uint32_t(Byte(c.r)) | (uint32_t(Byte(c.g)) << 8) | (uint32_t(Byte(c.b)) << 16);
}

Rgb Mix(Rgb a, Rgb b, float t) {
    t = std::clamp(t, 0.f, 1.f);
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

constexpr Rgb kWhite{1, 1, 1};
constexpr Rgb kBlack{0, 0, 0};

Rgb Lighten(Rgb c, float t) { return Mix(c, kWhite, t); }
Rgb Darken(Rgb c, float t) { return Mix(c, kBlack, t); }
float Luma(Rgb c) { return 0.299f * c.r + 0.587f * c.g + 0.114f * c.b; }

// Disabled buttons keep their shape and shading but lose their colour.
Rgb Greyed(Rgb c) {
    const float l = Luma(c);
    return Mix({l, l, l}, {0.94f, 0.94f, 0.94f}, 0.55f);
}

struct Box {
    float x0, y0, x1, y1;
    Box Inset(float d) const { return {x0 + d, y0 + d, x1 - d, y1 - d}; }
    Box Offset(float dx, float dy) const { return {x0 + dx, y0 + dy, x1 + dx, y1 + dy}; }
    float Height() const { return y1 - y0; }
    float Width() const { return x1 - x0; }
};

// Coverage of the pixel whose centre is (px, py) by a rounded rectangle:
// 1 inside, 0 outside, a one-pixel ramp across the edge.
float Coverage(float px, float py, const Box& b, float radius) {
    const float hw = (b.x1 - b.x0) * 0.5f, hh = (b.y1 - b.y0) * 0.5f;
    if (hw <= 0 || hh <= 0) return 0.f;
    const float r = std::clamp(radius, 0.f, std::min(hw, hh));
    const float qx = std::fabs(px - (b.x0 + hw)) - (hw - r);
    const float qy = std::fabs(py - (b.y0 + hh)) - (hh - r);
    const float ox = std::max(qx, 0.f), oy = std::max(qy, 0.f);
    const float d = std::sqrt(ox * ox + oy * oy) + std::min(std::max(qx, qy), 0.f) - r;
    return std::clamp(0.5f - d, 0.f, 1.f);
}

class Canvas {
public:
    Canvas(uint32_t* px, int w, int h) : px_(px), w_(w), h_(h) {}
    int W() const { return w_; }
    int H() const { return h_; }

    void Blend(int x, int y, Rgb c, float a) {
        if (a <= 0.f) return;
        a = std::min(a, 1.f);
        uint32_t& p = px_[size_t(y) * size_t(w_) + size_t(x)];
        const Rgb d{float((p >> 16) & 0xFF) / 255.f, float((p >> 8) & 0xFF) / 255.f, float(p & 0xFF) / 255.f};
        const Rgb o = Mix(d, c, a);
        p = (uint32_t(Byte(o.r)) << 16) | (uint32_t(Byte(o.g)) << 8) | uint32_t(Byte(o.b));
    }

    // Fills a rounded shape; shade(x, y, t) gives colour and alpha for the
    // pixel, t running 0..1 from the shape's top to its bottom. `within`
    // optionally clips to a second shape.
    template <class Shade>
    void Fill(const Box& b, float radius, Shade shade, const Box* within = nullptr, float withinRadius = 0) {
        const int y0 = std::max(0, int(std::floor(b.y0))), y1 = std::min(h_, int(std::ceil(b.y1)));
        const int x0 = std::max(0, int(std::floor(b.x0))), x1 = std::min(w_, int(std::ceil(b.x1)));
        const float hgt = std::max(b.Height(), 1.f);
        for (int y = y0; y < y1; ++y) {
            const float py = float(y) + 0.5f;
            const float t = std::clamp((py - b.y0) / hgt, 0.f, 1.f);
            for (int x = x0; x < x1; ++x) {
                const float px = float(x) + 0.5f;
                float cov = Coverage(px, py, b, radius);
                if (cov <= 0.f) continue;
                if (within) cov *= Coverage(px, py, *within, withinRadius);
                if (cov <= 0.f) continue;
                float alpha = 1.f;
                const Rgb c = shade(px, py, t, alpha);
                Blend(x, y, c, cov * alpha);
            }
        }
    }

    // A ring between the shape and the shape inset by `width`.
    template <class Shade>
    void Ring(const Box& b, float radius, float width, Shade shade) {
        const Box inner = b.Inset(width);
        const float innerRadius = std::max(radius - width, 0.f);
        const int y0 = std::max(0, int(std::floor(b.y0))), y1 = std::min(h_, int(std::ceil(b.y1)));
        const int x0 = std::max(0, int(std::floor(b.x0))), x1 = std::min(w_, int(std::ceil(b.x1)));
        const float hgt = std::max(b.Height(), 1.f);
        for (int y = y0; y < y1; ++y) {
            const float py = float(y) + 0.5f;
            const float t = std::clamp((py - b.y0) / hgt, 0.f, 1.f);
            for (int x = x0; x < x1; ++x) {
                const float px = float(x) + 0.5f;
                const float cov = Coverage(px, py, b, radius) - Coverage(px, py, inner, innerRadius);
                if (cov <= 0.f) continue;
                float alpha = 1.f;
                const Rgb c = shade(px, py, t, alpha);
                Blend(x, y, c, cov * alpha);
            }
        }
    }

private:
    uint32_t* px_;
    int w_, h_;
};

auto Solid(Rgb c, float a = 1.f) {
    return [c, a](float, float, float, float& alpha) {
        alpha = a;
        return c;
    };
}

struct Palette {
    Rgb face, bright, border;
};

bool IsPressed(int state) { return state == kStatePressed || state == kStateChecked; }

// A soft elliptic glow of `c` centred at (cx, cy), clipped to `clip`.
void Glow(Canvas& cv, const Box& clip, float radius, float cx, float cy, float rx, float ry, Rgb c, float strength,
          float falloff = 2.f) {
    if (rx <= 0 || ry <= 0) return;
    cv.Fill(clip, radius, [&](float px, float py, float, float& alpha) {
        const float dx = (px - cx) / rx, dy = (py - cy) / ry;
        const float d = std::sqrt(dx * dx + dy * dy);
        const float k = std::max(0.f, 1.f - d);
        alpha = strength * std::pow(k, falloff);
        return c;
    });
}

// Top rows darkened inside a pressed face: the face looks pushed in.
void InnerShadow(Canvas& cv, const Box& inner, float radius, float depth, float strength) {
    cv.Fill(inner, radius, [&](float, float py, float, float& alpha) {
        const float dy = py - inner.y0;
        const float k = std::max(0.f, 1.f - dy / depth);
        alpha = strength * k;
        return kBlack;
    });
}

void FocusRing(Canvas& cv, const Box& body, float radius, const Palette& p, float inset) {
    const Box ring = body.Inset(inset);
    const Rgb c = Luma(p.face) > 0.55f ? Darken(p.face, 0.45f) : Lighten(p.bright, 0.55f);
    cv.Ring(ring, std::max(radius - inset, 1.5f), 1.f, Solid(c, 0.8f));
}

void PaintGlass(Canvas& cv, const Box& body, const Palette& p, int state) {
    const float radius = std::clamp(body.Height() * 0.2f, 3.f, 7.f);
    const bool pressed = IsPressed(state);
    cv.Fill(body.Offset(0, 1), radius, Solid(kBlack, pressed ? 0.08f : 0.18f));
    cv.Fill(body, radius, Solid(p.border));
    const Box inner = body.Inset(1);
    const float ir = radius - 1;
    if (!pressed) {
        const Rgb topA = Lighten(Mix(p.face, p.bright, 0.6f), 0.45f);
        const Rgb topB = Lighten(Mix(p.face, p.bright, 0.35f), 0.12f);
        const Rgb lowA = Darken(p.face, 0.04f);
        const Rgb lowB = Mix(p.face, p.bright, 0.65f);
        cv.Fill(inner, ir, [&](float, float, float t, float&) {
            return t < 0.5f ? Mix(topA, topB, t / 0.5f) : Mix(lowA, lowB, (t - 0.5f) / 0.5f);
        });
        cv.Ring(inner, ir, 1.f, [&](float, float, float t, float& alpha) {
            alpha = 0.55f * (1.f - t);
            return kWhite;
        });
        if (state == kStateHovered)
            Glow(cv, inner, ir, inner.x0 + inner.Width() * 0.5f, inner.y1, inner.Width() * 0.55f,
                 inner.Height() * 0.55f, Lighten(p.bright, 0.3f), 0.7f);
    } else {
        const Rgb topC = Darken(p.face, 0.22f);
        const Rgb midC = p.face;
        const Rgb lowC = Mix(p.face, p.bright, 0.35f);
        cv.Fill(inner, ir, [&](float, float, float t, float&) {
            return t < 0.5f ? Mix(topC, midC, t / 0.5f) : Mix(midC, lowC, (t - 0.5f) / 0.5f);
        });
        InnerShadow(cv, inner, ir, 4.f, 0.28f);
    }
    if (state == kStateFocused) FocusRing(cv, body, radius, p, 2.5f);
}

void PaintFlat(Canvas& cv, const Box& body, const Palette& p, int state) {
    const float radius = 3.f;
    const bool pressed = IsPressed(state);
    cv.Fill(body, radius, Solid(p.border));
    const Box inner = body.Inset(1);
    const Rgb base = pressed ? Darken(p.face, 0.10f) : p.face;
    const Rgb top = pressed ? base : Lighten(base, 0.08f);
    cv.Fill(inner, radius - 1, [&](float, float, float t, float&) { return Mix(top, base, t); });
    if (pressed) {
        InnerShadow(cv, inner, radius - 1, 3.f, 0.22f);
    } else {
        // a darker last row under the face: the button stands slightly raised
        cv.Fill(inner, radius - 1, [&](float, float py, float, float& alpha) {
            alpha = py > inner.y1 - 1.f ? 0.18f : 0.f;
            return kBlack;
        });
    }
    if (state == kStateFocused) FocusRing(cv, body, radius, p, 2.5f);
}

void PaintPill(Canvas& cv, const Box& body, const Palette& p, int state) {
    const float radius = body.Height() * 0.5f;
    const bool pressed = IsPressed(state);
    cv.Fill(body.Offset(0, 1), radius, Solid(kBlack, pressed ? 0.08f : 0.2f));
    cv.Fill(body, radius, Solid(p.border));
    const Box inner = body.Inset(1);
    const float ir = radius - 1;
    const Rgb topC = pressed ? Darken(p.face, 0.25f) : Darken(p.face, 0.05f);
    const Rgb lowC = pressed ? Mix(p.face, p.bright, 0.45f) : Mix(p.face, p.bright, 0.8f);
    cv.Fill(inner, ir, [&](float, float, float t, float&) { return Mix(topC, lowC, t * t); });
    // the gloss: a bright rounded band over the upper half
    const float gh = inner.Height() * 0.48f;
    const float gx = std::min(ir * 0.55f, inner.Width() * 0.2f);
    const Box gloss{inner.x0 + gx, inner.y0 + 1.f, inner.x1 - gx, inner.y0 + 1.f + gh};
    const float glossStrength = pressed ? 0.35f : 0.85f;
    cv.Fill(gloss, gh * 0.5f, [&](float, float, float t, float& alpha) {
        alpha = glossStrength * (1.f - 0.8f * t);
        return kWhite;
    }, &inner, ir);
    if (state == kStateHovered)
        Glow(cv, inner, ir, inner.x0 + inner.Width() * 0.5f, inner.y1, inner.Width() * 0.5f, inner.Height() * 0.7f,
             Lighten(p.bright, 0.4f), 0.75f);
    if (pressed) InnerShadow(cv, inner, ir, 3.f, 0.2f);
    if (state == kStateFocused) FocusRing(cv, body, radius, p, 2.5f);
}

void PaintSatin(Canvas& cv, const Box& body, const Palette& p, int state) {
    const float radius = 4.f;
    const bool pressed = IsPressed(state);
    cv.Fill(body.Offset(0, 1), radius, Solid(kBlack, pressed ? 0.06f : 0.14f));
    cv.Fill(body, radius, Solid(p.border));
    const Box inner = body.Inset(1);
    const Rgb topC = pressed ? Darken(p.face, 0.12f) : Mix(p.face, p.bright, 0.7f);
    const Rgb lowC = pressed ? Mix(p.face, p.bright, 0.3f) : p.face;
    cv.Fill(inner, radius - 1, [&](float, float, float t, float&) { return Mix(topC, lowC, t); });
    if (!pressed) {
        cv.Ring(inner, radius - 1, 1.f, [&](float, float, float t, float& alpha) {
            alpha = 0.5f * (1.f - t);
            return kWhite;
        });
    } else {
        InnerShadow(cv, inner, radius - 1, 3.f, 0.2f);
    }
    if (state == kStateHovered)
        Glow(cv, inner, radius - 1, inner.x0 + inner.Width() * 0.5f, inner.y0, inner.Width() * 0.6f,
             inner.Height() * 0.8f, kWhite, 0.35f);
    if (state == kStateFocused) FocusRing(cv, body, radius, p, 2.5f);
}

}  // namespace

uint32_t FaceColorForState(const ButtonFaceColors& colors, int state) {
    switch (state) {
    case kStatePressed:
    case kStateChecked: return colors.down;
    case kStateHovered: return colors.hover;
    default: return colors.up;
    }
}

uint32_t BorderColorFor(uint32_t face, int borderBrightness) {
    const Rgb base = Darken(FromColor(face), 0.42f);
    const int b = std::clamp(borderBrightness, -100, 100);
    if (b > 0) return ToColor(Lighten(base, float(b) / 100.f));
    if (b < 0) return ToColor(Darken(base, float(-b) / 100.f));
    return ToColor(base);
}

uint32_t CaptionShadowColor(uint32_t face, uint32_t text) {
    const Rgb f = FromColor(face);
    return Luma(FromColor(text)) < 0.5f ? ToColor(Lighten(f, 0.45f)) : ToColor(Darken(f, 0.45f));
}

uint32_t FadedPicturePixel(uint32_t face, uint32_t drawn) {
    auto channel = [](uint32_t p, int shift) { return float((p >> shift) & 0xFF) / 255.f; };
    const Rgb f{channel(face, 16), channel(face, 8), channel(face, 0)};
    const Rgb d{channel(drawn, 16), channel(drawn, 8), channel(drawn, 0)};
    const float g = 0.5f * Luma(d) + 0.5f * 0.8f;
    const Rgb o = Mix(f, {g, g, g}, 0.6f);
    return (uint32_t(Byte(o.r)) << 16) | (uint32_t(Byte(o.g)) << 8) | uint32_t(Byte(o.b));
}

int PressedOffset(int style, int state) { return IsPressed(state) ? 1 : 0; }

void PaintButtonFace(uint32_t* pixels, int width, int height, const ButtonFaceParams& params) {
    if (!pixels || width <= 0 || height <= 0) return;
    Canvas cv(pixels, width, height);
    int state = std::clamp(params.state, 0, 4);
    Palette p{FromColor(FaceColorForState(params.colors, state)), FromColor(params.colors.bright), {}};
    p.border = FromColor(BorderColorFor(ToColor(p.face), params.borderBrightness));
    if (!params.enabled) {
        // A disabled button shows its resting (or checked) face, greyed.
        if (state != kStateChecked) state = kStateNormal;
        p.face = Greyed(FromColor(FaceColorForState(params.colors, state)));
        p.border = FromColor(BorderColorFor(FaceColorForState(params.colors, state), params.borderBrightness));
        p.bright = Greyed(p.bright);
        p.border = Mix(Greyed(p.border), {0.55f, 0.55f, 0.55f}, 0.5f);
    }
    // One row is kept under the body for its shadow where there is room.
    const bool roomForShadow = height >= 12 && params.style != 1;
    const Box body{0.f, 0.f, float(width), float(height - (roomForShadow ? 1 : 0))};
    switch (params.style) {
    case 0: PaintGlass(cv, body, p, state); break;
    case 1: PaintFlat(cv, body, p, state); break;
    case 6: PaintPill(cv, body, p, state); break;
    default: PaintSatin(cv, body, p, state); break;
    }
    if (params.glow && params.enabled && params.glowRadius > 0) {
        const float r = float(params.glowRadius);
        Glow(cv, body.Inset(1), 2.f, float(params.glowX), float(params.glowY), r, r, FromColor(params.glowColor), 0.9f, 0.9f);
    }
}

}  // namespace controls

#include "CadrelArt.h"

#include "GdiObjects.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace CadrelArt {
namespace {

// A small canvas of premultiplied BGRA pixels with anti-aliased shapes drawn
// by coverage sampling (4x4 per pixel).
struct Canvas {
    int size;
    std::vector<uint32_t> px;
    explicit Canvas(int s) : size(s), px(static_cast<size_t>(s) * s, 0) {}

    template <class Inside>
    void Fill(COLORREF colour, Inside inside, double opacity = 1.0) {
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) {
                int hits = 0;
                for (int sy = 0; sy < 4; ++sy)
                    for (int sx = 0; sx < 4; ++sx) {
                        const double fx = (x + (sx + 0.5) / 4.0) / size, fy = (y + (sy + 0.5) / 4.0) / size;
                        if (inside(fx, fy)) ++hits;
                    }
                if (!hits) continue;
                const double a = hits / 16.0 * opacity;
                uint32_t& d = px[static_cast<size_t>(y) * size + x];
                const double da = ((d >> 24) & 255) / 255.0;
                auto ch = [&](int shift, int src) {
                    const double dst = ((d >> shift) & 255);
                    return static_cast<uint32_t>(src * a + dst * (1 - a) + 0.5) & 255;
                };
                const uint32_t outA = static_cast<uint32_t>((a + da * (1 - a)) * 255 + 0.5);
                // Premultiplied: source channels scaled by a.
                d = (outA << 24) | (ch(16, GetRValue(colour)) << 16) | (ch(8, GetGValue(colour)) << 8) |
                    ch(0, GetBValue(colour));
            }
    }
};

double Dist(double x, double y, double cx, double cy) { return std::hypot(x - cx, y - cy); }

void DrawDisc(Canvas& c) {
    c.Fill(RGB(150, 160, 175), [](double x, double y) { return Dist(x, y, .5, .5) < .47; });
    c.Fill(RGB(226, 232, 240), [](double x, double y) { return Dist(x, y, .5, .5) < .43; });
    // Rainbow sheen bands.
    c.Fill(RGB(170, 210, 255), [](double x, double y) {
        const double d = Dist(x, y, .5, .5);
        return d < .40 && d > .2 && x < y;
    }, .55);
    c.Fill(RGB(255, 225, 170), [](double x, double y) {
        const double d = Dist(x, y, .5, .5);
        return d < .40 && d > .2 && x > y + .15;
    }, .5);
    c.Fill(RGB(120, 130, 145), [](double x, double y) { return Dist(x, y, .5, .5) < .16; });
    c.Fill(RGB(250, 250, 252), [](double x, double y) { return Dist(x, y, .5, .5) < .12; });
    c.Fill(RGB(0, 0, 0), [](double x, double y) { return Dist(x, y, .5, .5) < .06; }, 0.0);
}

void DrawReread(Canvas& c) {
    const COLORREF green = RGB(40, 150, 70);
    c.Fill(green, [](double x, double y) {
        const double d = Dist(x, y, .5, .5);
        const double ang = std::atan2(y - .5, x - .5);
        return d > .26 && d < .40 && !(ang > -1.9 && ang < -0.9);
    });
    // Arrow head at the gap's end.
    c.Fill(green, [](double x, double y) {
        const double ax = .63, ay = .10;  // tip region
        return y > ay && y < .40 && x > .48 && (x - .48) < (y - ay) * 1.2 && x < ax + .18;
    });
}

void DrawEject(Canvas& c) {
    const COLORREF blue = RGB(40, 90, 170);
    c.Fill(blue, [](double x, double y) { return y > .18 && y < .56 && std::fabs(x - .5) < (y - .18) * 1.1; });
    c.Fill(blue, [](double x, double y) { return y > .66 && y < .80 && x > .16 && x < .84; });
}

void DrawGlobe(Canvas& c) {
    c.Fill(RGB(30, 110, 200), [](double x, double y) { return Dist(x, y, .5, .5) < .44; });
    c.Fill(RGB(80, 180, 90), [](double x, double y) {
        return (Dist(x, y, .38, .38) < .16) || (Dist(x, y, .64, .66) < .14) || (Dist(x, y, .70, .32) < .07);
    });
    c.Fill(RGB(255, 255, 255), [](double x, double y) {
        const double d = Dist(x, y, .5, .5);
        return d < .44 && (std::fabs(y - .5) < .02 || std::fabs(std::hypot((x - .5) * 2.2, y - .5) - .44) < .02);
    }, .6);
    c.Fill(RGB(255, 255, 255), [](double x, double y) { return Dist(x, y, .36, .30) < .08; }, .35);
}

void DrawNote(Canvas& c) {
    const COLORREF violet = RGB(120, 60, 170);
    c.Fill(violet, [](double x, double y) { return std::hypot((x - .33) * 1.3, y - .74) < .13; });
    c.Fill(violet, [](double x, double y) { return x > .40 && x < .47 && y > .18 && y < .74; });
    c.Fill(violet, [](double x, double y) { return x > .40 && y > .18 && y < .34 && x < .80 - (y - .18) * .8; });
}

void DrawPage(Canvas& c) {
    c.Fill(RGB(120, 130, 140), [](double x, double y) { return x > .18 && x < .82 && y > .08 && y < .92; });
    c.Fill(RGB(255, 255, 255), [](double x, double y) { return x > .22 && x < .78 && y > .12 && y < .88; });
    c.Fill(RGB(90, 140, 210), [](double x, double y) {
        return x > .30 && x < .70 && ((y > .25 && y < .30) || (y > .40 && y < .45) || (y > .55 && y < .60) ||
                                      (y > .70 && y < .75 && x < .55));
    });
}

void DrawHelp(Canvas& c) {
    c.Fill(RGB(230, 140, 30), [](double x, double y) { return Dist(x, y, .5, .5) < .44; });
    c.Fill(RGB(255, 255, 255), [](double x, double y) {
        const double d = Dist(x, y, .5, .38);
        return (d > .10 && d < .18 && !(y > .38 && x < .5)) || (x > .45 && x < .55 && y > .50 && y < .62) ||
               Dist(x, y, .5, .74) < .06;
    });
}

}  // namespace

HICON MakeIcon(Picture picture, int size) {
    if (size < 8 || size > 256) return nullptr;
    Canvas c(size);
    switch (picture) {
    case Picture::Disc: DrawDisc(c); break;
    case Picture::Reread: DrawReread(c); break;
    case Picture::Eject: DrawEject(c); break;
    case Picture::Globe: DrawGlobe(c); break;
    case Picture::Note: DrawNote(c); break;
    case Picture::Page: DrawPage(c); break;
    case Picture::Help: DrawHelp(c); break;
    }
    BITMAPV5HEADER bi{};
    bi.bV5Size = sizeof bi;
    bi.bV5Width = size;
    bi.bV5Height = -size;
    bi.bV5Planes = 1;
    bi.bV5BitCount = 32;
    bi.bV5Compression = BI_BITFIELDS;
    bi.bV5RedMask = 0x00FF0000;
    bi.bV5GreenMask = 0x0000FF00;
    bi.bV5BlueMask = 0x000000FF;
    bi.bV5AlphaMask = 0xFF000000;
    void* bits = nullptr;
    win::unique_bitmap colour;
    {
        const win::window_dc screen(nullptr);
        colour.reset(::CreateDIBSection(screen.get(), reinterpret_cast<BITMAPINFO*>(&bi), DIB_RGB_COLORS, &bits,
                                        nullptr, 0));
    }
    if (!colour || !bits) return nullptr;
    std::memcpy(bits, c.px.data(), c.px.size() * sizeof(uint32_t));
    const win::unique_bitmap mask(::CreateBitmap(size, size, 1, 1, nullptr));
    ICONINFO info{};
    info.fIcon = TRUE;
    info.hbmColor = colour.get();
    info.hbmMask = mask.get();
    return ::CreateIconIndirect(&info);
}

}  // namespace CadrelArt

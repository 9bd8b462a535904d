// The arithmetic behind the progress bar: colour helpers, the value and
// percentage scale, the bar text, the geometry of the looks and the font
// descriptions of the property bag.
#include <gtest/gtest.h>

#include "ColorMath.h"
#include "FontDescription.h"
#include "ProgressValue.h"

using namespace controls;
using namespace controls::progress;
namespace color = controls::color;

namespace {

// ---- colours ----------------------------------------------------------------

TEST(ColorLighten, ZeroLeavesTheColourAndFullGivesWhite) {
    for (color::Rgb c : {0x000000u, 0x123456u, 0xC56A31u, 0xFFFFFFu}) {
        EXPECT_EQ(color::Lighten(c, 0), c);
        EXPECT_EQ(color::Lighten(c, 255), 0xFFFFFFu);
    }
}

TEST(ColorLighten, EachChannelTruncatesTowardsTheColour) {
    // red 0x10: 100 + 16 * 155 / 255 = 100 + 9.72 -> 109; green 0x80: 100 + 128 * 155 / 255 = 177.8 -> 177;
    // blue 0xFF: 100 + 155 = 255.
    EXPECT_EQ(color::Lighten(color::Make(0x10, 0x80, 0xFF), 100), color::Make(109, 177, 255));
    // Black lightens to grey a.
    EXPECT_EQ(color::Lighten(0x000000, 180), color::Make(180, 180, 180));
}

TEST(ColorLighten, IgnoresTheTopByteAndOutOfRangeAmounts) {
    EXPECT_EQ(color::Lighten(0x80123456u, 0), 0x123456u);
    EXPECT_EQ(color::Lighten(0x123456u, -20), 0x123456u);
    EXPECT_EQ(color::Lighten(0x123456u, 900), 0xFFFFFFu);
}

TEST(ColorBlend, EndsGiveEitherColour) {
    const color::Rgb a = 0x204060, b = 0xF0E0D0;
    EXPECT_EQ(color::Blend(a, b, 0), a);
    EXPECT_EQ(color::Blend(a, b, 255), b);
}

TEST(ColorBlend, RoundsToTheNearestInteger) {
    // (255 - 200) * 255 / 255 + 200 * 0 / 255 = 55 exactly.
    EXPECT_EQ(color::Blend(0xFFFFFF, 0x000000, 200), color::Make(55, 55, 55));
    // 155 * 100 / 255 = 60.78 -> 61 (truncation would give 60).
    EXPECT_EQ(color::Red(color::Blend(color::Make(100, 0, 0), 0, 100)), 61);
    // 75 * 1 / 255 + 180 * 2 / 255 = 1.706 -> 2.
    EXPECT_EQ(color::Red(color::Blend(color::Make(1, 0, 0), color::Make(2, 0, 0), 180)), 2);
    // 128 * 10 / 255 + 127 * 20 / 255 = 14.98 -> 15.
    EXPECT_EQ(color::Red(color::Blend(color::Make(10, 0, 0), color::Make(20, 0, 0), 127)), 15);
}

TEST(ColorBlend, ChannelsStayApart) {
    EXPECT_EQ(color::Blend(0x0000FF, 0xFF0000, 128), color::Make(127, 0, 128));
}

TEST(ColorRamp, RunsFromFirstToLastStep) {
    EXPECT_EQ(color::RampAt(0x000000, 0xFFFFFF, 0, 5), 0x000000u);
    EXPECT_EQ(color::RampAt(0x000000, 0xFFFFFF, 4, 5), 0xFFFFFFu);
    EXPECT_EQ(color::RampAt(0x000000, 0xFFFFFF, 2, 5), color::Make(128, 128, 128));  // 127.5 rounds up
    EXPECT_EQ(color::RampAt(0xFFFFFF, 0x000000, 2, 5), color::Make(127, 127, 127));  // and down the other way
    EXPECT_EQ(color::RampAt(0x123456, 0xFFFFFF, 0, 1), 0x123456u);
    EXPECT_EQ(color::RampAt(0x123456, 0xFFFFFF, 99, 3), 0xFFFFFFu);
}

TEST(ColorShade, LightBandAboveTheMiddleDarkerBottom) {
    const color::Rgb c = color::Make(49, 106, 197);
    const int n = 16;
    int brightest = 0;
    for (int i = 0; i < n; ++i)
        if (color::Luma(color::BarShadeAt(c, i, n)) > color::Luma(color::BarShadeAt(c, brightest, n))) brightest = i;
    EXPECT_GT(brightest, 0);
    EXPECT_LT(brightest, n / 2);
    EXPECT_LT(color::Luma(color::BarShadeAt(c, n - 1, n)), color::Luma(c));
    EXPECT_EQ(color::BarShadeAt(c, 0, 1), c);
}

// ---- value and percentage ---------------------------------------------------

TEST(ProgressScale, PlainRangeRoundTrips) {
    EXPECT_EQ(PercentFromValue(45, 100, 0), 45);
    EXPECT_EQ(ValueFromPercent(45, 100, 0), 45);
    for (int v = 0; v <= 100; ++v) EXPECT_EQ(ValueFromPercent(PercentFromValue(v, 100, 0), 100, 0), v);
}

TEST(ProgressScale, OtherFullScales) {
    EXPECT_EQ(PercentFromValue(300, 600, 0), 50);
    EXPECT_EQ(ValueFromPercent(50, 600, 0), 300);
    EXPECT_EQ(PercentFromValue(1, 3, 0), 33);    // 33.3
    EXPECT_EQ(PercentFromValue(2, 3, 0), 67);    // 66.7
    EXPECT_EQ(PercentFromValue(1, 8, 0), 12);    // 12.5: halves go to the even neighbour
    EXPECT_EQ(PercentFromValue(3, 8, 0), 38);    // 37.5
    EXPECT_EQ(PercentFromValue(150, 100, 0), 150);  // kept; only drawing caps it
}

TEST(ProgressScale, MinIsAddedAndDividesTheReading) {
    EXPECT_EQ(PercentFromValue(45, 100, 10), 55);
    // 55 / 100 * 100 / 10 = 5.5 -> 6 (even)
    EXPECT_EQ(ValueFromPercent(55, 100, 10), 6);
    EXPECT_EQ(ValueFromPercent(50, 200, 4), 25);
    // A negative Min is only added, never divided by.
    EXPECT_EQ(PercentFromValue(50, 100, -5), 45);
    EXPECT_EQ(ValueFromPercent(45, 100, -5), 45);
}

TEST(ProgressScale, ZeroMaxHasNoScale) {
    EXPECT_EQ(PercentFromValue(45, 0, 0), 0);
    EXPECT_EQ(PercentFromValue(45, 0, 7), 7);
    EXPECT_EQ(ValueFromPercent(45, 0, 0), 0);
}

TEST(ProgressScale, ExtremesClampToThe32BitRange) {
    EXPECT_EQ(PercentFromValue(INT32_MAX, 1, 0), INT32_MAX);
    EXPECT_EQ(PercentFromValue(INT32_MIN, 1, 0), INT32_MIN);
    EXPECT_EQ(ValueFromPercent(INT32_MAX, INT32_MAX, 0), INT32_MAX);
    EXPECT_EQ(PercentFromValue(INT32_MAX, INT32_MAX, 0), 100);
    EXPECT_EQ(PercentFromValue(-50, -100, 0), 50);
}

TEST(ProgressScale, DrawingCapsAt100Only) {
    EXPECT_EQ(DrawnPercent(150), 100);
    EXPECT_EQ(DrawnPercent(100), 100);
    EXPECT_EQ(DrawnPercent(99), 99);
    EXPECT_EQ(DrawnPercent(-3), -3);
}

TEST(ProgressText, PercentOrSearching) {
    EXPECT_EQ(BarText(45, 0), "45 %");
    EXPECT_EQ(BarText(100, 9), "100 %");
    EXPECT_EQ(BarText(0, 6), "0 %");
    EXPECT_EQ(BarText(-4, 1), "-4 %");
    EXPECT_EQ(BarText(45, 2), "Searching..");
    EXPECT_EQ(BarText(0, 2), "Searching..");
}

TEST(ProgressLooks, OutOfRangeLooksDrawAsTheFirstAndOnlyThreeStandUp) {
    EXPECT_EQ(EffectiveLook(9), 9);
    EXPECT_EQ(EffectiveLook(10), 0);
    EXPECT_EQ(EffectiveLook(-1), 0);
    EXPECT_TRUE(IsVertical(2, 1));
    EXPECT_TRUE(IsVertical(0, -1));
    EXPECT_FALSE(IsVertical(3, 1));
    EXPECT_FALSE(IsVertical(0, 0));
}

// ---- geometry ---------------------------------------------------------------

TEST(ProgressGeometry, ScaledLengthNeverNegativeNorBeyondFull) {
    EXPECT_EQ(ScaledLength(50, 200, 100), 100);
    EXPECT_EQ(ScaledLength(50, 200, 98), 102);
    EXPECT_EQ(ScaledLength(-10, 200, 98), 0);
    EXPECT_EQ(ScaledLength(100, 0, 100), 0);
    EXPECT_EQ(ScaledLength(100, -5, 100), 0);
    EXPECT_EQ(ScaledLength(INT32_MAX, 200, 100), 200);
}

TEST(ProgressGeometry, SnapCutsToWholeBlockPitches) {
    EXPECT_EQ(SnapToBlocks(0), 0);
    EXPECT_EQ(SnapToBlocks(7), 0);
    EXPECT_EQ(SnapToBlocks(8), 8);
    EXPECT_EQ(SnapToBlocks(102), 96);
    EXPECT_EQ(SnapToBlocks(-3), 0);
}

TEST(SegmentedBar, HalfFilledEndsOnABlock) {
    // 200 px wide: 50 / 98 of 200 = 102 px, snapped to 96 = 12 blocks.
    const LookLayout lay = Layout(50, 0, 0, 200, 20);
    ASSERT_EQ(lay.blocks.size(), 12u);
    for (size_t k = 0; k < lay.blocks.size(); ++k) {
        const Box& b = lay.blocks[k];
        EXPECT_EQ(b.left, kBarInset + static_cast<int>(k) * kBlockPitch);
        EXPECT_EQ(b.Width(), kBlockWidth);
        EXPECT_EQ(b.top, kBarInset);
        EXPECT_EQ(b.bottom, 20 - kBarInset);
    }
    // The filled part spans the blocks, not the gap after the last one.
    EXPECT_EQ(lay.fill.left, kBarInset);
    EXPECT_EQ(lay.fill.right, kBarInset + 96 - kBlockGap);
}

TEST(SegmentedBar, EndIsAlwaysWholeBelowFull) {
    for (int w : {60, 97, 150, 233, 400}) {
        for (int p = 0; p < 100; ++p) {
            const LookLayout lay = Layout(p, 0, 0, w, 18);
            if (lay.blocks.empty()) {
                EXPECT_TRUE(lay.fill.Empty());
                continue;
            }
            const Box& last = lay.blocks.back();
            const bool clipped = last.right == w - kBarInset;
            if (!clipped) EXPECT_EQ(last.Width(), kBlockWidth) << "w=" << w << " p=" << p;
            EXPECT_LE(last.right, w - kBarInset);
        }
    }
}

TEST(SegmentedBar, FullAndOverfullReachTheEndEmptyAndNegativeShowNothing) {
    const LookLayout full = Layout(100, 0, 0, 200, 20);
    EXPECT_EQ(full.fill.right, 200 - kBarInset);
    EXPECT_EQ(Layout(150, 0, 0, 200, 20).fill, full.fill);
    EXPECT_TRUE(Layout(0, 0, 0, 200, 20).blocks.empty());
    EXPECT_TRUE(Layout(-20, 0, 0, 200, 20).fill.Empty());
    // Less than one pitch: nothing yet.
    EXPECT_TRUE(Layout(3, 0, 0, 200, 20).blocks.empty());
}

TEST(SegmentedBar, UprightGrowsFromTheBottomInWholeBlocks) {
    // 200 px high: 50 / 98 of 200 = 102 -> 96 px, 12 blocks from the bottom.
    const LookLayout lay = Layout(50, 0, 1, 20, 200);
    EXPECT_TRUE(lay.vertical);
    EXPECT_EQ(lay.fill.bottom, 200 - kBarInset);
    EXPECT_EQ(lay.fill.top, 200 - kBarInset - 96 + kBlockGap);
    ASSERT_EQ(lay.blocks.size(), 12u);
    EXPECT_EQ(lay.blocks.front().bottom, 200 - kBarInset);
    for (const Box& b : lay.blocks) {
        EXPECT_EQ(b.Height(), kBlockWidth);
        EXPECT_EQ((200 - kBarInset - b.bottom) % kBlockPitch, 0);
        EXPECT_EQ(b.left, kBarInset);
        EXPECT_EQ(b.right, 20 - kBarInset);
    }
    EXPECT_EQ(lay.blocks.back().top, lay.fill.top);
}

TEST(ContinuousBar, LyingIsNotSnappedUprightIs) {
    EXPECT_EQ(Layout(50, 1, 0, 200, 20).fill.right, kBarInset + 102);
    EXPECT_TRUE(Layout(50, 1, 0, 200, 20).blocks.empty());
    for (int look : {1, 2}) {
        const LookLayout up = Layout(50, look, 1, 20, 200);
        EXPECT_EQ(up.fill.top, 200 - kBarInset - 96) << look;
        EXPECT_EQ(up.fill.bottom, 200 - kBarInset);
    }
    // Other looks ignore the orientation.
    const LookLayout lying = Layout(50, 3, 1, 200, 20);
    EXPECT_FALSE(lying.vertical);
    EXPECT_EQ(lying.fill, Layout(50, 3, 0, 200, 20).fill);
}

TEST(OtherLooks, FilledPartsFollowTheirFractions) {
    const int w = 204, h = 20;
    EXPECT_EQ(Layout(50, 3, 0, w, h).fill, (Box{1, 1, 102, h - 1}));
    EXPECT_EQ(Layout(50, 4, 0, w, h).fill, (Box{2, 2, 2 + 100, h - 3}));
    EXPECT_EQ(Layout(50, 5, 0, w, h).fill, (Box{1, 1, 50 * w / 101, h - 1}));
    EXPECT_EQ(Layout(50, 6, 0, w, h).fill, (Box{2, 2, 2 + 50 * (w - 5) / 100, h - 2}));
    EXPECT_EQ(Layout(50, 7, 0, w, h).fill, (Box{2, 2, 50 * w / 101, h - 2}));
    EXPECT_EQ(Layout(50, 8, 0, w, h).fill, (Box{1, 1, 50 * w / 101, h - 1}));
    EXPECT_EQ(Layout(50, 9, 0, w, h).fill, (Box{2, 2, 2 + 100, h - 2}));
}

TEST(OtherLooks, FullBarsStayInsideTheirEdges) {
    const int w = 150, h = 16;
    for (int look = 3; look <= 9; ++look) {
        const LookLayout lay = Layout(100, look, 0, w, h);
        EXPECT_GE(lay.fill.left, 1) << look;
        EXPECT_LE(lay.fill.right, w - 1) << look;
        EXPECT_LE(lay.fill.bottom, h - 1) << look;
        EXPECT_FALSE(lay.fill.Empty()) << look;
    }
}

TEST(OtherLooks, DegenerateSizesGiveEmptyBoxes) {
    for (int look = 0; look < kLookCount; ++look) {
        for (auto [w, h] : {std::pair{0, 20}, std::pair{200, 0}, std::pair{-4, -4}, std::pair{3, 3}, std::pair{1, 40}}) {
            const LookLayout lay = Layout(100, look, look % 2, w, h);
            EXPECT_GE(lay.fill.Width(), 0);
            EXPECT_LE(lay.fill.right, std::max(w, 0)) << look << " " << w << "x" << h;
            EXPECT_LE(lay.fill.bottom, std::max(h, 0)) << look << " " << w << "x" << h;
        }
    }
}

// ---- fonts of the property bag ---------------------------------------------------

TEST(FontText, ParsesFaceSizeAndStyles) {
    auto f = FontDescription::Parse("Tahoma,8");
    ASSERT_TRUE(f);
    EXPECT_EQ(f->face, "Tahoma");
    EXPECT_DOUBLE_EQ(f->points, 8.0);
    EXPECT_FALSE(f->bold);
    f = FontDescription::Parse(" MS Sans Serif , 9.75 , bold,ITALIC ");
    ASSERT_TRUE(f);
    EXPECT_EQ(f->face, "MS Sans Serif");
    EXPECT_DOUBLE_EQ(f->points, 9.75);
    EXPECT_TRUE(f->bold);
    EXPECT_TRUE(f->italic);
    EXPECT_FALSE(f->underline);
}

TEST(FontText, RejectsWhatIsNoFont) {
    for (const char* bad : {"", "Tahoma", ",8", "Tahoma,", "Tahoma,0", "Tahoma,-8", "Tahoma,8pt", "Tahoma,1.2.3",
                            "Tahoma,8,Heavy", "Tahoma,9999", "A very long face name that is far too long,8"})
        EXPECT_FALSE(FontDescription::Parse(bad)) << bad;
}

TEST(FontText, FormatReadsBack) {
    FontDescription d;
    EXPECT_EQ(d.Format(), "Tahoma,8");
    d.face = "Arial";
    d.points = 9.5;
    d.bold = d.strikeout = true;
    EXPECT_EQ(d.Format(), "Arial,9.5,Bold,Strikeout");
    EXPECT_EQ(FontDescription::Parse(d.Format()), d);
}

}  // namespace

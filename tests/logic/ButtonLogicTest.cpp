// The push button's logic: colour schemes, the border brightness range, the
// visual-state machine, the content layout and the face painter's pixels.
#include <gtest/gtest.h>

#include <vector>

#include "ButtonFace.h"
#include "ButtonLogic.h"

using namespace controls;

// ---------------------------------------------------------------------------
// Colour schemes and border brightness

TEST(ButtonColorScheme, SchemeThreeIsTheBlueSet) {
    auto c = ColorSchemeColors(3);
    ASSERT_TRUE(c.has_value());
    EXPECT_EQ(c->up, 0x800000u);
    EXPECT_EQ(c->bright, 0xFF0000u);
    EXPECT_EQ(c->hover, 0xA00000u);
    EXPECT_EQ(c->down, 0xF00000u);
}

TEST(ButtonColorScheme, EverySchemeOneToSixHasItsOwnColours) {
    const ButtonFaceColors expected[] = {
        {0xD06720, 0xE99950, 0xA06710, 0xFFEDB0}, {0xD09060, 0xE06000, 0xA98050, 0xFFFAFA},
        {0x800000, 0xA00000, 0xF00000, 0xFF0000}, {0x000080, 0x0000A0, 0x0000F0, 0x0000FF},
        {0x008000, 0x00A000, 0x00C000, 0x00FF00}, {0x008080, 0x00A0A0, 0x00C0C0, 0x00FFFF},
    };
    for (int s = 1; s <= 6; ++s) {
        auto c = ColorSchemeColors(s);
        ASSERT_TRUE(c.has_value()) << s;
        EXPECT_EQ(*c, expected[s - 1]) << "scheme " << s;
    }
}

TEST(ButtonColorScheme, OtherNumbersNameNoColours) {
    for (int s : {0, 7, -1, 100, INT32_MIN, INT32_MAX}) EXPECT_FALSE(ColorSchemeColors(s).has_value()) << s;
}

TEST(ButtonBorderBrightness, ClampedToPlusMinusHundred) {
    EXPECT_EQ(ClampBorderBrightness(150), 100);
    EXPECT_EQ(ClampBorderBrightness(-150), -100);
    EXPECT_EQ(ClampBorderBrightness(100), 100);
    EXPECT_EQ(ClampBorderBrightness(-100), -100);
    EXPECT_EQ(ClampBorderBrightness(37), 37);
    EXPECT_EQ(ClampBorderBrightness(INT32_MIN), -100);
}

// ---------------------------------------------------------------------------
// The state machine, row by row of the transition table

namespace {

struct Step {
    ButtonInput input;
    ButtonInputArgs args{};
};

ButtonInputArgs At(int button, bool inside = true, int x = 5, int y = 6) {
    return ButtonInputArgs{button, 0, x, y, inside, false};
}
ButtonInputArgs Value(bool v) { return ButtonInputArgs{0, 0, 0, 0, true, v}; }

struct Row {
    const char* name;
    std::vector<Step> before;  // brings the machine into the row's situation
    Step input;
    int state;
    uint32_t events;
    bool redraw;
    bool hover;
    bool focus;
};

const Step kDownL{ButtonInput::MouseDown, At(kLeftButton)};
const Step kUpL{ButtonInput::MouseUp, At(kLeftButton)};
const Step kEnter{ButtonInput::PointerEnter};
const Step kLeave{ButtonInput::PointerLeave};
const Step kFocus{ButtonInput::FocusGained};
const Step kBlur{ButtonInput::FocusLost};
const Step kCheck{ButtonInput::CheckedSet, Value(true)};
const Step kUncheck{ButtonInput::CheckedSet, Value(false)};
const Step kEnterKeyDown{ButtonInput::EnterDown};
const Step kEnterKeyUp{ButtonInput::EnterUp};

const Row kRows[] = {
    // mouse buttons
    {"left down", {}, kDownL, 1, kRaiseMouseDown, true, false, false},
    {"right down", {}, {ButtonInput::MouseDown, At(kRightButton)}, 1, kRaiseMouseDown, true, false, false},
    {"down again while pressed", {kDownL}, kDownL, 1, kRaiseMouseDown, false, false, false},
    {"left up over it clicks", {kDownL}, kUpL, 0, kRaiseMouseUp | kRaiseClick, true, false, false},
    {"left up outside: no click", {kDownL}, {ButtonInput::MouseUp, At(kLeftButton, false)}, 0, kRaiseMouseUp, true,
     false, false},
    {"right up: no click", {{ButtonInput::MouseDown, At(kRightButton)}}, {ButtonInput::MouseUp, At(kRightButton)}, 0,
     kRaiseMouseUp, true, false, false},
    {"up without a down: no click", {}, kUpL, 0, kRaiseMouseUp, false, false, false},
    {"up while hovered", {kEnter, kDownL}, kUpL, 3, kRaiseMouseUp | kRaiseClick, true, true, false},
    {"up while focused", {kFocus, kDownL}, kUpL, 2, kRaiseMouseUp | kRaiseClick, true, false, true},
    {"up while checked stays checked", {kCheck, kDownL}, kUpL, 4, kRaiseMouseUp | kRaiseClick, false, false, false},
    {"platform click", {}, {ButtonInput::PlatformClick}, 0, kRaiseClick, false, false, false},
    // double click
    {"double click", {kDownL, kUpL}, {ButtonInput::DoubleClick, At(kLeftButton)}, 1, kRaiseDblClick, true, false,
     false},
    {"release after a double click: no second click", {kDownL, kUpL, {ButtonInput::DoubleClick, At(kLeftButton)}},
     kUpL, 0, kRaiseMouseUp, true, false, false},
    // mouse moves
    {"move over it starts hover", {}, {ButtonInput::MouseMove, At(0)}, 3, kRaiseMouseMove, true, true, false},
    {"move while hovered", {kEnter}, {ButtonInput::MouseMove, At(0)}, 3, kRaiseMouseMove, false, true, false},
    {"held outside clears hover", {kEnter, kDownL}, {ButtonInput::MouseMove, At(kLeftButton, false)}, 0,
     kRaiseMouseMove, true, false, false},
    {"held back inside shows pressed", {kEnter, kDownL, {ButtonInput::MouseMove, At(kLeftButton, false)}},
     {ButtonInput::MouseMove, At(kLeftButton, true)}, 1, kRaiseMouseMove, true, true, false},
    {"right held outside keeps hover", {kEnter}, {ButtonInput::MouseMove, At(kRightButton, false)}, 3,
     kRaiseMouseMove, false, true, false},
    // Enter key
    {"Enter down is a left press", {kFocus}, kEnterKeyDown, 1, kRaiseMouseDown, true, false, true},
    {"Enter up clicks once", {kFocus, kEnterKeyDown}, kEnterKeyUp, 2, kRaiseMouseUp | kRaiseClick, true, false, true},
    {"Enter up without its down", {kFocus}, kEnterKeyUp, 2, kRaiseNone, false, false, true},
    {"Enter up after losing focus", {kFocus, kEnterKeyDown, kBlur}, kEnterKeyUp, 0, kRaiseNone, false, false, false},
    {"second Enter up", {kFocus, kEnterKeyDown, kEnterKeyUp}, kEnterKeyUp, 2, kRaiseNone, false, false, true},
    // focus
    {"focus gained", {}, kFocus, 2, kRaiseNone, true, false, true},
    {"focus gained while hovered", {kEnter}, kFocus, 3, kRaiseNone, false, true, true},
    {"focus gained while checked", {kCheck}, kFocus, 4, kRaiseNone, false, false, true},
    {"focus lost", {kFocus}, kBlur, 0, kRaiseNone, true, false, false},
    {"focus lost while checked", {kCheck, kFocus}, kBlur, 4, kRaiseNone, false, false, false},
    // hover
    {"pointer enters", {}, kEnter, 3, kRaiseNone, true, true, false},
    {"pointer enters twice", {kEnter}, kEnter, 3, kRaiseNone, false, true, false},
    {"pointer leaves", {kEnter}, kLeave, 0, kRaiseNone, true, false, false},
    {"pointer leaves a focused button", {kFocus, kEnter}, kLeave, 0, kRaiseNone, true, false, true},
    {"pointer leaves a checked button", {kCheck, kEnter}, kLeave, 4, kRaiseNone, true, false, false},
    // Checked
    {"checked", {}, kCheck, 4, kRaiseNone, true, false, false},
    {"checked again still redraws", {kCheck}, kCheck, 4, kRaiseNone, true, false, false},
    {"unchecked while hovered", {kEnter, kCheck}, kUncheck, 3, kRaiseNone, true, true, false},
    {"unchecked", {kFocus, kCheck}, kUncheck, 0, kRaiseNone, true, false, true},
    {"pressed while checked draws checked", {kCheck}, kDownL, 4, kRaiseMouseDown, false, false, false},
    // a property shown in the normal state
    {"normal state for a property", {kEnter}, {ButtonInput::ShowNormal}, 0, kRaiseNone, true, true, false},
};

class ButtonTransitions : public ::testing::TestWithParam<Row> {};

}  // namespace

TEST_P(ButtonTransitions, Row) {
    const Row& row = GetParam();
    ButtonStateMachine m;
    for (const Step& s : row.before) m.Apply(s.input, s.args);
    const ButtonOutcome out = m.Apply(row.input.input, row.input.args);
    EXPECT_EQ(out.state, row.state);
    EXPECT_EQ(m.DrawnState(), row.state);
    EXPECT_EQ(out.events, row.events);
    EXPECT_EQ(out.redraw, row.redraw);
    EXPECT_EQ(out.hover, row.hover);
    EXPECT_EQ(m.Hovered(), row.hover);
    EXPECT_EQ(out.focus, row.focus);
}

INSTANTIATE_TEST_SUITE_P(Table, ButtonTransitions, ::testing::ValuesIn(kRows),
                         [](const ::testing::TestParamInfo<Row>& info) {
                             std::string n;
                             for (const char* p = info.param.name; *p; ++p)
                                 n += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                             return n;
                         });

TEST(ButtonStateMachine, MouseEventsCarryTheirArguments) {
    ButtonStateMachine m;
    const auto out = m.Apply(ButtonInput::MouseDown, ButtonInputArgs{kRightButton, kShiftMask | kCtrlMask, 17, 9});
    EXPECT_EQ(out.eventArgs.button, kRightButton);
    EXPECT_EQ(out.eventArgs.shift, kShiftMask | kCtrlMask);
    EXPECT_EQ(out.eventArgs.x, 17);
    EXPECT_EQ(out.eventArgs.y, 9);
}

TEST(ButtonStateMachine, EnterActsAsALeftButtonAtTheOrigin) {
    ButtonStateMachine m;
    m.Apply(ButtonInput::FocusGained);
    auto down = m.Apply(ButtonInput::EnterDown, ButtonInputArgs{0, kAltMask, 40, 40});
    EXPECT_EQ(down.eventArgs.button, kLeftButton);
    EXPECT_EQ(down.eventArgs.x, 0);
    EXPECT_EQ(down.eventArgs.y, 0);
    EXPECT_EQ(down.eventArgs.shift, kAltMask);
    auto up = m.Apply(ButtonInput::EnterUp, ButtonInputArgs{0, 0, 40, 40});
    EXPECT_EQ(up.eventArgs.button, kLeftButton);
    EXPECT_EQ(up.eventArgs.x, 0);
    EXPECT_EQ(up.eventArgs.y, 0);
}

TEST(ButtonStateMachine, HoverAsksForTheLeaveNoticeOnceEachTime) {
    ButtonStateMachine m;
    EXPECT_TRUE(m.Apply(ButtonInput::MouseMove, At(0)).trackLeave);
    EXPECT_FALSE(m.Apply(ButtonInput::MouseMove, At(0)).trackLeave);
    m.Apply(ButtonInput::PointerLeave);
    EXPECT_TRUE(m.Apply(ButtonInput::MouseMove, At(0)).trackLeave);
}

TEST(ButtonStateMachine, WithoutLeaveNoticesThereIsNoHover) {
    ButtonStateMachine m;
    m.SetHoverTracking(false);
    auto out = m.Apply(ButtonInput::MouseMove, At(0));
    EXPECT_EQ(out.events, kRaiseMouseMove);
    EXPECT_FALSE(out.hover);
    EXPECT_FALSE(out.trackLeave);
    EXPECT_FALSE(m.Apply(ButtonInput::PointerEnter).hover);
    EXPECT_EQ(m.DrawnState(), kStateNormal);
}

TEST(ButtonDisabled, IgnoresEveryInput) {
    const Step inputs[] = {
        kDownL, kUpL, {ButtonInput::MouseMove, At(0)}, {ButtonInput::MouseMove, At(kLeftButton, false)},
        {ButtonInput::PlatformClick}, {ButtonInput::DoubleClick, At(kLeftButton)}, kEnterKeyDown, kEnterKeyUp,
        kFocus, kBlur, kEnter, kLeave, {ButtonInput::ShowNormal},
    };
    ButtonStateMachine m;
    m.Apply(ButtonInput::EnabledSet, Value(false));
    for (const Step& s : inputs) {
        const auto out = m.Apply(s.input, s.args);
        EXPECT_EQ(out.events, kRaiseNone) << int(s.input);
        EXPECT_FALSE(out.redraw) << int(s.input);
        EXPECT_FALSE(out.trackLeave) << int(s.input);
        EXPECT_EQ(out.state, kStateNormal) << int(s.input);
        EXPECT_FALSE(m.Hovered());
    }
}

TEST(ButtonDisabled, DisablingDropsHoverAndAPendingPress) {
    ButtonStateMachine m;
    m.Apply(ButtonInput::PointerEnter);
    m.Apply(ButtonInput::MouseDown, At(kLeftButton));
    auto off = m.Apply(ButtonInput::EnabledSet, Value(false));
    EXPECT_TRUE(off.redraw);
    EXPECT_EQ(off.state, kStateNormal);
    EXPECT_FALSE(off.hover);
    m.Apply(ButtonInput::EnabledSet, Value(true));
    // the press begun before disabling is no longer a click
    EXPECT_EQ(m.Apply(ButtonInput::MouseUp, At(kLeftButton)).events, kRaiseMouseUp);
}

TEST(ButtonDisabled, CheckedStillTakesItsValue) {
    ButtonStateMachine m;
    m.Apply(ButtonInput::EnabledSet, Value(false));
    auto out = m.Apply(ButtonInput::CheckedSet, Value(true));
    EXPECT_TRUE(m.Checked());
    EXPECT_EQ(out.state, kStateChecked);
    EXPECT_EQ(out.events, kRaiseNone);
}

TEST(ButtonDisabled, EnablingAgainRestoresInput) {
    ButtonStateMachine m;
    m.Apply(ButtonInput::EnabledSet, Value(false));
    EXPECT_FALSE(m.Apply(ButtonInput::EnabledSet, Value(false)).redraw);  // no change, no repaint
    EXPECT_TRUE(m.Apply(ButtonInput::EnabledSet, Value(true)).redraw);
    EXPECT_EQ(m.Apply(ButtonInput::MouseDown, At(kLeftButton)).events, kRaiseMouseDown);
}

// ---------------------------------------------------------------------------
// Layout of caption and picture

TEST(ButtonLayout, CaptionAloneIsCentred) {
    auto l = LayoutContent(100, 30, 40, 10, 0, 0, kPictureLeft);
    EXPECT_EQ(l.text, (LayoutRect{30, 10, 70, 20}));
    EXPECT_EQ(l.picture, LayoutRect{});
}

TEST(ButtonLayout, PictureAloneIsCentred) {
    auto l = LayoutContent(100, 40, 0, 0, 16, 16, kPictureTop);
    EXPECT_EQ(l.picture, (LayoutRect{42, 12, 58, 28}));
    EXPECT_EQ(l.text, LayoutRect{});
}

TEST(ButtonLayout, EachAlignmentPlacesThePicture) {
    // caption 40x10, picture 16x16, gap 4, area 100x60
    auto left = LayoutContent(100, 60, 40, 10, 16, 16, kPictureLeft);
    EXPECT_EQ(left.picture, (LayoutRect{20, 22, 36, 38}));
    EXPECT_EQ(left.text, (LayoutRect{40, 25, 80, 35}));

    auto right = LayoutContent(100, 60, 40, 10, 16, 16, kPictureRight);
    EXPECT_EQ(right.text, (LayoutRect{20, 25, 60, 35}));
    EXPECT_EQ(right.picture, (LayoutRect{64, 22, 80, 38}));

    auto top = LayoutContent(100, 60, 40, 10, 16, 16, kPictureTop);
    EXPECT_EQ(top.picture, (LayoutRect{42, 15, 58, 31}));
    EXPECT_EQ(top.text, (LayoutRect{30, 35, 70, 45}));

    auto bottom = LayoutContent(100, 60, 40, 10, 16, 16, kPictureBottom);
    EXPECT_EQ(bottom.text, (LayoutRect{30, 15, 70, 25}));
    EXPECT_EQ(bottom.picture, (LayoutRect{42, 29, 58, 45}));

    auto centre = LayoutContent(100, 60, 40, 10, 16, 16, kPictureCenter);
    EXPECT_EQ(centre.picture, (LayoutRect{42, 22, 58, 38}));
    EXPECT_EQ(centre.text, (LayoutRect{30, 25, 70, 35}));
}

TEST(ButtonLayout, UnknownAlignmentIsLeft) {
    auto a = LayoutContent(100, 60, 40, 10, 16, 16, 9);
    auto b = LayoutContent(100, 60, 40, 10, 16, 16, kPictureLeft);
    EXPECT_EQ(a.text, b.text);
    EXPECT_EQ(a.picture, b.picture);
}

TEST(ButtonLayout, ContentLargerThanTheAreaStaysInside) {
    for (int align = 0; align <= 4; ++align) {
        auto l = LayoutContent(30, 12, 80, 14, 32, 32, align);
        for (const LayoutRect& r : {l.text, l.picture}) {
            if (r.Width() == 0) continue;
            EXPECT_GE(r.left, 0) << align;
            EXPECT_GE(r.top, 0) << align;
            EXPECT_LE(r.right, 30) << align;
            EXPECT_LE(r.bottom, 12) << align;
        }
    }
    auto none = LayoutContent(0, 0, 10, 10, 10, 10, kPictureLeft);
    EXPECT_EQ(none.text, LayoutRect{});
    EXPECT_EQ(none.picture, LayoutRect{});
}

// ---------------------------------------------------------------------------
// The face painter

namespace {

constexpr uint32_t kBackground = 0x00123456;  // pixel layout 0x00RRGGBB

std::vector<uint32_t> Paint(int w, int h, const ButtonFaceParams& params) {
    std::vector<uint32_t> px(size_t(w) * h, kBackground);
    PaintButtonFace(px.data(), w, h, params);
    return px;
}

ButtonFaceParams Params(int style, int state) {
    ButtonFaceParams s;
    s.style = style;
    s.state = state;
    return s;
}

uint32_t At(const std::vector<uint32_t>& px, int w, int x, int y) { return px[size_t(y) * w + x]; }

int Channel(uint32_t p, int shift) { return int((p >> shift) & 0xFF); }
int Lightness(uint32_t p) { return Channel(p, 16) + Channel(p, 8) + Channel(p, 0); }

}  // namespace

TEST(ButtonFace, CornersShowTheBackgroundInEveryLook) {
    const int w = 90, h = 28;
    for (int style : {0, 1, 2, 6, 9}) {
        for (int state = 0; state <= 4; ++state) {
            auto px = Paint(w, h, Params(style, state));
            EXPECT_EQ(At(px, w, 0, 0), kBackground) << style << "/" << state;
            EXPECT_EQ(At(px, w, w - 1, 0), kBackground) << style << "/" << state;
            EXPECT_NE(At(px, w, w / 2, h / 2), kBackground) << style << "/" << state;
        }
    }
}

TEST(ButtonFace, TheFourLooksDiffer) {
    const int w = 90, h = 28;
    const auto glass = Paint(w, h, Params(0, 0)), flat = Paint(w, h, Params(1, 0)), pill = Paint(w, h, Params(6, 0)),
               satin = Paint(w, h, Params(3, 0));
    EXPECT_NE(glass, flat);
    EXPECT_NE(glass, pill);
    EXPECT_NE(glass, satin);
    EXPECT_NE(flat, pill);
    EXPECT_NE(flat, satin);
    EXPECT_NE(pill, satin);
    // every style outside 0, 1 and 6 shares the common look
    EXPECT_EQ(satin, Paint(w, h, Params(2, 0)));
    EXPECT_EQ(satin, Paint(w, h, Params(-4, 0)));
    EXPECT_EQ(satin, Paint(w, h, Params(7, 0)));
}

TEST(ButtonFace, EveryStateLooksDifferent) {
    const int w = 90, h = 28;
    for (int style : {0, 1, 3, 6}) {
        std::vector<std::vector<uint32_t>> looks;
        for (int state = 0; state <= 4; ++state) looks.push_back(Paint(w, h, Params(style, state)));
        for (int a = 0; a < 5; ++a)
            for (int b = a + 1; b < 5; ++b) {
                if (a == kStatePressed && b == kStateChecked) continue;  // checked looks pressed in
                EXPECT_NE(looks[a], looks[b]) << "style " << style << " states " << a << "/" << b;
            }
    }
}

TEST(ButtonFace, StatesPaintTheirFaceColour) {
    ButtonFaceColors c{0x0000FF, 0x00FF00, 0xFF0000, 0xFFFFFF};  // up red, hover green, down blue
    EXPECT_EQ(FaceColorForState(c, kStateNormal), 0x0000FFu);
    EXPECT_EQ(FaceColorForState(c, kStateFocused), 0x0000FFu);
    EXPECT_EQ(FaceColorForState(c, kStateHovered), 0x00FF00u);
    EXPECT_EQ(FaceColorForState(c, kStatePressed), 0xFF0000u);
    EXPECT_EQ(FaceColorForState(c, kStateChecked), 0xFF0000u);

    // the flat look shows the colour itself low in its face
    const int w = 60, h = 24;
    ButtonFaceParams s = Params(1, kStateHovered);
    s.colors = c;
    auto px = Paint(w, h, s);
    const uint32_t p = At(px, w, w / 2, h - 4);
    EXPECT_GT(Channel(p, 8), 200);  // green
    EXPECT_LT(Channel(p, 16), 60);
    EXPECT_LT(Channel(p, 0), 60);
}

TEST(ButtonFace, BorderFollowsBorderBrightness) {
    const uint32_t face = 0xE99950;
    EXPECT_EQ(BorderColorFor(face, 100), 0xFFFFFFu);
    EXPECT_EQ(BorderColorFor(face, -100), 0x000000u);
    EXPECT_EQ(BorderColorFor(face, 150), BorderColorFor(face, 100));
    const uint32_t dark = BorderColorFor(face, -40), normal = BorderColorFor(face, 0), light = BorderColorFor(face, 40);
    EXPECT_LT(Lightness(PixelFromColor(dark)), Lightness(PixelFromColor(normal)));
    EXPECT_LT(Lightness(PixelFromColor(normal)), Lightness(PixelFromColor(light)));

    // the left edge in the middle of the button is drawn in the border colour
    const int w = 80, h = 26;
    for (int style : {0, 1, 3}) {
        for (int b : {-100, -30, 0, 60, 100}) {
            ButtonFaceParams s = Params(style, kStateNormal);
            s.borderBrightness = b;
            auto px = Paint(w, h, s);
            EXPECT_EQ(At(px, w, 0, h / 2), PixelFromColor(BorderColorFor(s.colors.up, b))) << style << "/" << b;
        }
    }
}

TEST(ButtonFace, DisabledFaceIsGrey) {
    const int w = 80, h = 26;
    for (int style : {0, 1, 3, 6}) {
        ButtonFaceParams s = Params(style, kStateHovered);
        s.enabled = false;
        s.colors = *ColorSchemeColors(5);  // strong green
        auto px = Paint(w, h, s);
        for (int y = 2; y < h - 2; y += 3) {
            const uint32_t p = At(px, w, w / 2, y);
            EXPECT_NEAR(Channel(p, 16), Channel(p, 8), 1) << style;
            EXPECT_NEAR(Channel(p, 8), Channel(p, 0), 1) << style;
        }
        // hover has no effect on a disabled face
        ButtonFaceParams normal = s;
        normal.state = kStateNormal;
        EXPECT_EQ(px, Paint(w, h, normal)) << style;
    }
}

TEST(ButtonFace, GlowLightsTheAreaAroundThePicture) {
    const int w = 80, h = 30;
    ButtonFaceParams s = Params(3, kStateHovered);
    const auto plain = Paint(w, h, s);
    s.glow = true;
    s.glowX = 20;
    s.glowY = 15;
    s.glowRadius = 12;
    s.glowColor = 0x00FF00;
    const auto lit = Paint(w, h, s);
    EXPECT_GT(Channel(At(lit, w, 20, 15), 8), Channel(At(plain, w, 20, 15), 8));
    EXPECT_EQ(At(lit, w, 70, 15), At(plain, w, 70, 15));  // far from the picture nothing changes
}

TEST(ButtonFace, CaptionShadowContrastsWithTheText) {
    EXPECT_GT(Lightness(PixelFromColor(CaptionShadowColor(0x808080, 0x000000))), Lightness(0x808080));
    EXPECT_LT(Lightness(PixelFromColor(CaptionShadowColor(0x808080, 0xFFFFFF))), Lightness(0x808080));
}

TEST(ButtonFace, TinyAndEmptyBuffersAreSafe) {
    PaintButtonFace(nullptr, 10, 10, Params(0, 0));
    std::vector<uint32_t> one(1, kBackground);
    for (int style : {0, 1, 3, 6}) {
        PaintButtonFace(one.data(), 1, 1, Params(style, 3));
        PaintButtonFace(one.data(), 0, 5, Params(style, 3));
    }
    std::vector<uint32_t> strip(200 * 2, kBackground);
    PaintButtonFace(strip.data(), 200, 2, Params(6, 1));
    SUCCEED();
}

TEST(ButtonFace, PixelLayoutConversions) {
    EXPECT_EQ(PixelFromColor(0x00332211), 0x00112233u);
    EXPECT_EQ(ColorFromPixel(0x00112233), 0x00332211u);
}

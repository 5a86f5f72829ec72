// Where the meter's lit segments go, in which colour and shape, for the areas, orientations,
// channel counts and levels a host meets.
#include <gtest/gtest.h>

#include "aurx/AURX300Ctrl.h"
#include "aurx/ComposeMeter.h"
#include "recorder/meter/BarLayout.h"

namespace aurx::meter {
namespace {

constexpr Rgb kFace{0xd4, 0xd0, 0xc8};
constexpr Rgb kGreen{0, 255, 0};
constexpr Rgb kYellow{255, 255, 0};
constexpr Rgb kRed{255, 0, 0};
constexpr ChannelLevel kLoud{0.0f, true};  // what a new control holds
constexpr ChannelLevel kSilent{};

std::optional<Rgb> buttonFace(int index) {
    if (index == kButtonFace) return kFace;
    return std::nullopt;
}

MeterSettings settings(int segments, int orientation = 0, int channels = 2, int style = 0) {
    MeterSettings s;
    s.numSegments = segments;
    s.orientation = orientation;
    s.numChannels = channels;
    s.style = style;
    return s;
}

MeterPicture compose(int w, int h, const MeterSettings& s, ChannelLevel left,
                     ChannelLevel right = kSilent) {
    return composeMeter(w, h, s, left, right, buttonFace);
}

std::vector<Cell> barCells(const MeterPicture& p, int bar) {
    std::vector<Cell> out;
    for (const Cell& c : p.cells)
        if (c.bar == bar) out.push_back(c);
    return out;
}

struct Place {
    int x, y, w, h;
    bool operator==(const Place&) const = default;
};
std::ostream& operator<<(std::ostream& o, const Place& p) {
    return o << "(" << p.x << "," << p.y << " " << p.w << "x" << p.h << ")";
}
Place place(const Cell& c) {
    return {c.x, c.y, c.width, c.height};
}

TEST(MeterLayout, SegmentLengthGapAndBarWidth) {
    const struct {
        int w, h, segments, orientation, channels;
        BarLayout expected;
    } rows[] = {
        // horizontal, along, across, bar width, segment, gap
        {200, 60, 8, 0, 2, {true, 200, 60, 27, 22, 3}},
        {60, 200, 8, 1, 2, {false, 200, 60, 27, 22, 3}},
        {192, 64, 8, 2, 2, {true, 192, 64, 28, 21, 3}},
        {64, 192, 8, 3, 1, {false, 192, 64, 64, 21, 3}},
        {100, 40, 1, 0, 2, {true, 100, 40, 18, 100, 0}},
        {100, 40, 2, 0, 2, {true, 100, 40, 18, 45, 10}},
        {100, 40, 3, 0, 2, {true, 100, 40, 18, 30, 5}},
        {100, 40, 20, 0, 1, {true, 100, 40, 40, 4, 1}},
        // Too small for the segments: one pixel each, no gap, bars one pixel thick.
        {10, 30, 20, 0, 2, {true, 10, 30, 13, 1, 0}},
        {3, 2, 8, 0, 2, {true, 3, 2, 1, 1, 0}},
        // Large enough to overflow 32-bit products.
        {2000000000, 100, 20, 0, 2, {true, 2000000000, 100, 45, 90000000, 10526315}},
        // Nothing to lay out.
        {0, 50, 8, 0, 2, {true, 0, 0, 0, 0, 0}},
        {50, -1, 8, 1, 2, {false, 0, 0, 0, 0, 0}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.w << "x" << row.h << " n=" << row.segments);
        const BarLayout l =
            barLayout(row.w, row.h, settings(row.segments, row.orientation, row.channels));
        EXPECT_EQ(l.horizontal, row.expected.horizontal);
        EXPECT_EQ(l.along, row.expected.along);
        EXPECT_EQ(l.across, row.expected.across);
        EXPECT_EQ(l.barWidth, row.expected.barWidth);
        EXPECT_EQ(l.segmentLength, row.expected.segmentLength);
        EXPECT_EQ(l.gap, row.expected.gap);
    }
}

TEST(MeterLayout, EachOrientationStartsItsBarsInItsCorners) {
    // 200 x 60 horizontal or 60 x 200 vertical: segments of 22 with gaps of 3, bars 27 thick,
    // each cell filled short of its last column and row.
    const struct {
        int orientation;
        Place left0, left1, right0, right1;
    } rows[] = {
        {0, {0, 0, 21, 26}, {25, 0, 21, 26}, {0, 33, 21, 26}, {25, 33, 21, 26}},
        {1, {0, 178, 26, 21}, {0, 153, 26, 21}, {33, 178, 26, 21}, {33, 153, 26, 21}},
        {2, {178, 33, 21, 26}, {153, 33, 21, 26}, {178, 0, 21, 26}, {153, 0, 21, 26}},
        {3, {33, 0, 26, 21}, {33, 25, 26, 21}, {0, 0, 26, 21}, {0, 25, 26, 21}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.orientation);
        const bool horizontal = row.orientation % 2 == 0;
        const MeterPicture p = compose(horizontal ? 200 : 60, horizontal ? 60 : 200,
                                       settings(8, row.orientation), kLoud, kLoud);
        const auto left = barCells(p, 0);
        const auto right = barCells(p, 1);
        ASSERT_EQ(left.size(), 8u);
        ASSERT_EQ(right.size(), 8u);
        EXPECT_EQ(place(left[0]), row.left0);
        EXPECT_EQ(place(left[1]), row.left1);
        EXPECT_EQ(place(right[0]), row.right0);
        EXPECT_EQ(place(right[1]), row.right1);
        // The overload segment ends the bar, one step of 25 per segment from the start.
        const Place last = place(left[7]);
        EXPECT_EQ(std::abs(last.x - row.left0.x) + std::abs(last.y - row.left0.y), 7 * 25);
    }
}

TEST(MeterLayout, OrientationTwoShowsTheLeftChannelAtTheBottomGrowingLeftwards) {
    // Left at -20 dB lights -33, -27 and -21; the right channel is silent.
    const MeterPicture p = compose(200, 60, settings(8, 2), {-20.0f, false}, kSilent);
    ASSERT_EQ(p.cells.size(), 3u);
    for (std::size_t i = 0; i < p.cells.size(); ++i) {
        EXPECT_EQ(p.cells[i].bar, 0);
        EXPECT_EQ(p.cells[i].y, 33) << "the lower bar";
        EXPECT_EQ(p.cells[i].x, 178 - 25 * static_cast<int>(i)) << "from the right edge";
        EXPECT_EQ(p.cells[i].color, kGreen);
    }
}

TEST(MeterLayout, OneChannelFillsTheWholeAcrossSpanAndIgnoresTheRightLevel) {
    for (int orientation = 0; orientation < 4; ++orientation) {
        SCOPED_TRACE(orientation);
        const bool horizontal = orientation % 2 == 0;
        const MeterPicture p = compose(horizontal ? 200 : 60, horizontal ? 60 : 200,
                                       settings(8, orientation, 1), kLoud, kLoud);
        ASSERT_EQ(p.cells.size(), 8u);
        for (const Cell& c : p.cells) {
            EXPECT_EQ(c.bar, 0);
            EXPECT_EQ(horizontal ? c.y : c.x, 0);
            EXPECT_EQ(horizontal ? c.height : c.width, 59);
        }
    }
}

TEST(MeterLayout, LitSegmentsAndTheirColoursFollowLevelAndOverload) {
    const auto G = kGreen, Y = kYellow, R = kRed;
    const struct {
        int segments;
        ChannelLevel level;
        std::vector<Rgb> colors;  // of the lit cells, from the start of the bar
    } rows[] = {
        {1, {0.0f, false}, {}},
        {1, {-9999.0f, true}, {R}},
        {2, {-3.0f, false}, {}},
        {2, {-2.9f, true}, {Y, R}},
        {3, {-5.0f, false}, {Y}},
        {8, {-15.0f, false}, {G, G, G}},
        {8, {-14.9f, false}, {G, G, G, G}},
        {8, {-8.9f, false}, {G, G, G, G, Y}},
        {8, {-9999.0f, false}, {}},
        {8, {0.0f, true}, {G, G, G, G, Y, Y, Y, R}},
        {20, {-100.0f, false}, {G}},
        {20, {-15.0f, false}, std::vector<Rgb>(15, G)},
        {20, {-14.9f, false}, std::vector<Rgb>(16, G)},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "n=" << row.segments << " at " << row.level.levelDb);
        const MeterPicture p = compose(400, 40, settings(row.segments, 0, 1), row.level);
        std::vector<Rgb> colors;
        for (std::size_t i = 0; i < p.cells.size(); ++i) {
            colors.push_back(p.cells[i].color);
            EXPECT_EQ(p.cells[i].segment, static_cast<int>(i)) << "lit from the start on";
        }
        EXPECT_EQ(colors, row.colors);
        EXPECT_EQ(p.background, kFace);
    }
}

TEST(MeterLayout, UnlitSegmentsOfALoudBarAreLeftOut) {
    // Overload without level: only the last position is drawn.
    const MeterPicture p = compose(200, 60, settings(8, 0, 1), {-9999.0f, true});
    ASSERT_EQ(p.cells.size(), 1u);
    EXPECT_EQ(p.cells[0].segment, 7);
    EXPECT_EQ(p.cells[0].x, 7 * 25);
}

TEST(MeterLayout, TenPixelsWithTwentySegmentsKeepsOnePixelSegmentsAndDropsTheRest) {
    for (const int orientation : {0, 2}) {
        SCOPED_TRACE(orientation);
        const MeterPicture p = compose(10, 30, settings(20, orientation, 1), kLoud);
        // Twenty segments lit, ten fit; neighbours touch for want of a gap.
        ASSERT_EQ(p.cells.size(), 10u);
        for (int i = 0; i < 10; ++i) {
            const Cell& c = p.cells[static_cast<std::size_t>(i)];
            EXPECT_EQ(c.segment, i);
            EXPECT_EQ(c.x, orientation == 0 ? i : 9 - i);
            EXPECT_EQ(c.width, 1);
            EXPECT_EQ(c.height, 29);
        }
    }
}

TEST(MeterLayout, StyleOneDrawsEllipsesInTheSameCells) {
    const MeterPicture rects = compose(200, 60, settings(8, 1, 2, 0), kLoud, kLoud);
    const MeterPicture ellipses = compose(200, 60, settings(8, 1, 2, 1), kLoud, kLoud);
    ASSERT_EQ(rects.cells.size(), ellipses.cells.size());
    for (std::size_t i = 0; i < rects.cells.size(); ++i) {
        EXPECT_EQ(rects.cells[i].shape, Shape::Rectangle);
        EXPECT_EQ(ellipses.cells[i].shape, Shape::Ellipse);
        EXPECT_EQ(place(rects.cells[i]), place(ellipses.cells[i]));
    }
}

TEST(MeterLayout, ColoursAreTranslatedFromTheSettings) {
    MeterSettings s = settings(8, 0, 1);
    s.backColor = 0x00203040;
    s.lowColor = 0x00010203;
    s.midColor = systemColor(kButtonFace);
    s.highColor = 0x00FF0000;
    const MeterPicture p = compose(200, 60, s, kLoud);
    EXPECT_EQ(p.background, (Rgb{0x40, 0x30, 0x20}));
    ASSERT_EQ(p.cells.size(), 8u);
    EXPECT_EQ(p.cells[0].color, (Rgb{3, 2, 1}));
    EXPECT_EQ(p.cells[4].color, kFace);
    EXPECT_EQ(p.cells[7].color, (Rgb{0, 0, 255}));
}

TEST(MeterLayout, AnEmptyAreaHasOnlyItsBackground) {
    for (const auto& [w, h] : {std::pair{0, 60}, {200, 0}, {-5, -5}}) {
        const MeterPicture p = compose(w, h, settings(8), kLoud, kLoud);
        EXPECT_TRUE(p.cells.empty());
        EXPECT_EQ(p.background, kFace);
    }
}

// The control's own state, read as a host reads it for drawing.
MeterPicture controlPicture(const aurx::AURX300Ctrl& c, int w, int h) {
    MeterSettings s;
    s.backColor = c.get_BackColor();
    s.lowColor = c.get_LowColor();
    s.midColor = c.get_MidColor();
    s.highColor = c.get_HighColor();
    s.numSegments = c.get_NumSegments();
    s.orientation = c.get_Orientation();
    s.style = c.get_Style();
    s.numChannels = c.get_NumChannels();
    const aurx::Levels l = c.meterLevels();
    return compose(w, h, s, {l.leftLevel, l.leftOverload != 0},
                   {l.rightLevel, l.rightOverload != 0});
}

TEST(MeterLayout, ANewControlLightsEverySegmentOfBothBarsUntilItsFirstReset) {
    aurx::AURX300Ctrl control;
    const MeterPicture before = controlPicture(control, 192, 64);
    EXPECT_EQ(before.background, kFace);
    for (const int bar : {0, 1}) {
        SCOPED_TRACE(bar);
        const auto cells = barCells(before, bar);
        ASSERT_EQ(cells.size(), 8u);
        EXPECT_EQ(cells[3].color, kGreen);
        EXPECT_EQ(cells[6].color, kYellow);
        EXPECT_EQ(cells[7].color, kRed);
    }
    ASSERT_EQ(control.Reset(), 0);
    EXPECT_TRUE(controlPicture(control, 192, 64).cells.empty());
}

}  // namespace
}  // namespace aurx::meter

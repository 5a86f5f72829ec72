// Which segments a bar has, and when each lights.
#include <gtest/gtest.h>

#include "recorder/meter/Segments.h"

namespace aurx::meter {
namespace {

constexpr SegmentKind L = SegmentKind::Low;
constexpr SegmentKind M = SegmentKind::Medium;
constexpr SegmentKind O = SegmentKind::Overload;

std::vector<Segment> lows(int from, int to) {
    std::vector<Segment> out;
    for (int t = from; t <= to; t += 6)
        out.push_back({L, t});
    return out;
}

std::vector<Segment> concat(std::vector<Segment> a, const std::vector<Segment>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(MeterSegments, ThresholdsAndKindsForEachCount) {
    const struct {
        int count;
        std::vector<Segment> expected;
    } rows[] = {
        {1, {{O, 0}}},
        {2, {{M, -3}, {O, 0}}},
        {3, {{M, -6}, {M, -3}, {O, 0}}},
        {4, {{M, -9}, {M, -6}, {M, -3}, {O, 0}}},
        {5, {{L, -15}, {M, -9}, {M, -6}, {M, -3}, {O, 0}}},
        {8, concat(lows(-33, -15), {{M, -9}, {M, -6}, {M, -3}, {O, 0}})},
        {20, concat(lows(-105, -15), {{M, -9}, {M, -6}, {M, -3}, {O, 0}})},
        // Counts the control refuses are held to the nearest it accepts.
        {0, {{O, 0}}},
        {25, concat(lows(-105, -15), {{M, -9}, {M, -6}, {M, -3}, {O, 0}})},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.count);
        EXPECT_EQ(barSegments(row.count), row.expected);
    }
    EXPECT_EQ(barSegments(20).size(), 20u);
}

TEST(MeterSegments, LevelMustBeStrictlyAboveTheThreshold) {
    const Segment minus15{L, -15};
    const Segment overload{O, 0};
    const struct {
        Segment segment;
        float level;
        bool overloadFlag;
        bool lit;
    } rows[] = {
        {minus15, -15.0f, false, false},  {minus15, -14.9f, false, true},
        {minus15, -9999.0f, true, false}, {minus15, 0.0f, false, true},
        {{M, -3}, -3.0f, false, false},   {{M, -3}, -2.99f, false, true},
        {overload, 0.0f, false, false},   {overload, -9999.0f, true, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.segment.thresholdDb << " at " << row.level);
        EXPECT_EQ(isLit(row.segment, row.level, row.overloadFlag), row.lit);
    }
}

}  // namespace
}  // namespace aurx::meter

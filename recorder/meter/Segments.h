// The segments of one meter bar, from its quiet end to its loud end: low segments every 6 dB
// up to -15 dB, up to three medium ones at -9, -6 and -3 dB, and the overload segment last.
#pragma once

#include <vector>

namespace aurx::meter {

inline constexpr int kMinSegments = 1;
inline constexpr int kMaxSegments = 20;

enum class SegmentKind { Low, Medium, Overload };

struct Segment {
    SegmentKind kind;
    int thresholdDb = 0;  // lit above this level; the overload segment ignores it
    bool operator==(const Segment&) const = default;
};

// `count` is clamped to 1..20.
std::vector<Segment> barSegments(int count);

// A low or medium segment lights when the level is strictly above its threshold, the overload
// segment while the bar's overload flag is set.
bool isLit(const Segment& segment, float levelDb, bool overload);

}  // namespace aurx::meter

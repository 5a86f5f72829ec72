#include "recorder/meter/Segments.h"

#include <algorithm>

namespace aurx::meter {

std::vector<Segment> barSegments(int count) {
    const int n = std::clamp(count, kMinSegments, kMaxSegments);
    std::vector<Segment> out;
    out.reserve(static_cast<std::size_t>(n));
    for (int k = 0; k < n - 4; ++k)
        out.push_back({SegmentKind::Low, 15 - 6 * n + 6 * k});
    // The medium segments are the loudest of -9, -6 and -3 dB that fit before the overload one.
    const int medium = std::min(n, 4) - 1;
    for (int k = 3 - medium; k < 3; ++k)
        out.push_back({SegmentKind::Medium, -9 + 3 * k});
    out.push_back({SegmentKind::Overload, 0});
    return out;
}

bool isLit(const Segment& segment, float levelDb, bool overload) {
    if (segment.kind == SegmentKind::Overload) return overload;
    return levelDb > static_cast<float>(segment.thresholdDb);
}

}  // namespace aurx::meter

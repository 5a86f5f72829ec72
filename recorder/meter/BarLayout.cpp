#include "recorder/meter/BarLayout.h"

#include <algorithm>
#include <cstdint>

#include "recorder/meter/Segments.h"

namespace aurx::meter {

BarLayout barLayout(int width, int height, const MeterSettings& settings) {
    BarLayout out;
    out.horizontal = settings.orientation != 1 && settings.orientation != 3;
    if (width <= 0 || height <= 0) return out;
    out.along = out.horizontal ? width : height;
    out.across = out.horizontal ? height : width;

    // Wide, so that a very large area cannot overflow the products.
    const std::int64_t along = out.along;
    const std::int64_t across = out.across;
    out.barWidth = settings.numChannels == 2
                       ? static_cast<int>(std::max<std::int64_t>(across * 9 / 20, 1))
                       : out.across;

    const std::int64_t n = std::clamp(settings.numSegments, kMinSegments, kMaxSegments);
    if (n == 1) {
        out.segmentLength = out.along;
        out.gap = 0;
    } else {
        const std::int64_t s = std::max<std::int64_t>(along * 9 / (n * 10), 1);
        out.segmentLength = static_cast<int>(s);
        out.gap = static_cast<int>(std::max<std::int64_t>((along - n * s) / (n - 1), 0));
    }
    return out;
}

}  // namespace aurx::meter

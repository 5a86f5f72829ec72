#include "aurx/ComposeMeter.h"

#include <algorithm>
#include <cstdint>

#include "recorder/meter/BarLayout.h"
#include "recorder/meter/Segments.h"

namespace aurx::meter {
namespace {

struct Palette {
    Rgb low;
    Rgb medium;
    Rgb overload;

    Rgb of(SegmentKind kind) const {
        switch (kind) {
            case SegmentKind::Low:
                return low;
            case SegmentKind::Medium:
                return medium;
            case SegmentKind::Overload:
                break;
        }
        return overload;
    }
};

// Where segment `step` of bar `bar` lies, as a cell of the full layout size; 64-bit because
// late segments of a huge area lie far outside it.
struct Origin {
    std::int64_t x;
    std::int64_t y;
};

Origin cellOrigin(int orientation, int bar, std::int64_t step, const BarLayout& l, int width,
                  int height) {
    const std::int64_t farX = width - (l.horizontal ? l.segmentLength : l.barWidth);
    const std::int64_t farY = height - (l.horizontal ? l.barWidth : l.segmentLength);
    switch (orientation) {
        case 1:  // left bar on the left, growing upwards
            return {bar == 0 ? 0 : farX, farY - step};
        case 2:  // left bar at the bottom, growing to the left
            return {farX - step, bar == 0 ? farY : 0};
        case 3:  // left bar on the right, growing downwards
            return {bar == 0 ? farX : 0, step};
        default:  // left bar at the top, growing to the right
            return {step, bar == 0 ? 0 : farY};
    }
}

}  // namespace

MeterPicture composeMeter(int width, int height, const MeterSettings& settings, ChannelLevel left,
                          ChannelLevel right, const SystemColorResolver& systemColors) {
    MeterPicture picture;
    picture.background = translateOleColor(settings.backColor, systemColors);
    const BarLayout l = barLayout(width, height, settings);
    if (l.along == 0) return picture;

    const Palette colors{translateOleColor(settings.lowColor, systemColors),
                         translateOleColor(settings.midColor, systemColors),
                         translateOleColor(settings.highColor, systemColors)};
    const Shape shape = settings.style == 1 ? Shape::Ellipse : Shape::Rectangle;
    const int orientation = std::clamp(settings.orientation, 0, 3);
    const int cellWidth = l.horizontal ? l.segmentLength : l.barWidth;
    const int cellHeight = l.horizontal ? l.barWidth : l.segmentLength;
    // A one-pixel cell keeps its pixel: dropping the last column of it would leave a meter
    // that never shows anything, however loud the line.
    const int fillWidth = std::max(cellWidth - 1, 1);
    const int fillHeight = std::max(cellHeight - 1, 1);

    const std::vector<Segment> segments = barSegments(settings.numSegments);
    const int bars = settings.numChannels == 2 ? 2 : 1;
    for (int bar = 0; bar < bars; ++bar) {
        const ChannelLevel level = bar == 0 ? left : right;
        for (std::size_t i = 0; i < segments.size(); ++i) {
            if (!isLit(segments[i], level.levelDb, level.overload)) continue;
            const std::int64_t step =
                static_cast<std::int64_t>(i) * (std::int64_t{l.segmentLength} + l.gap);
            const Origin o = cellOrigin(orientation, bar, step, l, width, height);
            if (o.x >= width || o.y >= height || o.x + fillWidth <= 0 || o.y + fillHeight <= 0)
                continue;
            picture.cells.push_back(Cell{static_cast<int>(o.x), static_cast<int>(o.y), fillWidth,
                                         fillHeight, colors.of(segments[i].kind), shape, bar,
                                         static_cast<int>(i)});
        }
    }
    return picture;
}

}  // namespace aurx::meter

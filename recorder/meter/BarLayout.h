// How the bars divide a W x H area: the direction they run in, how thick each bar is, and
// how long each segment and the gaps between them are. All integer pixels.
#pragma once

#include "aurx/MeterSettings.h"

namespace aurx::meter {

struct BarLayout {
    bool horizontal = true;  // orientations 0 and 2
    int along = 0;           // the span the bars run along
    int across = 0;          // the span the bars sit side by side in
    int barWidth = 0;        // a bar's size across
    int segmentLength = 0;   // a segment's size along
    int gap = 0;             // between neighbouring segments
};

// Nothing is laid out (every size 0) when the area is empty.
BarLayout barLayout(int width, int height, const MeterSettings& settings);

}  // namespace aurx::meter

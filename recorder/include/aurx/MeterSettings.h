// What the meter shows: the control's appearance properties and the two channels' levels.
// The defaults are those of a new control.
#pragma once

#include "aurx/OleColor.h"

namespace aurx::meter {

struct MeterSettings {
    OleColor backColor = systemColor(kButtonFace);
    OleColor lowColor = 0x0000FF00;
    OleColor midColor = 0x0000FFFF;
    OleColor highColor = 0x000000FF;
    int numSegments = 8;  // per bar, the overload segment included
    int orientation = 0;  // 0..3: each a quarter turn anticlockwise from the one before
    int style = 0;        // 0 rectangles, 1 ellipses
    int numChannels = 2;  // 2: two bars; anything else: one
};

struct ChannelLevel {
    float levelDb = -9999;  // 0 is full scale, -9999 silence
    bool overload = false;  // the held overload indication
};

}  // namespace aurx::meter

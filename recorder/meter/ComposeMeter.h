// The level meter's picture for an area of W x H pixels: the background colour and the lit
// segments of one bar (one channel) or two, placed by the orientation.
#pragma once

#include "recorder/meter/MeterPicture.h"
#include "recorder/meter/MeterSettings.h"

namespace meter {

// Segments that fall wholly outside the area are left out; the painter clips the rest.
MeterPicture composeMeter(int width, int height, const MeterSettings& settings, ChannelLevel left,
                          ChannelLevel right, const SystemColorResolver& systemColors);

}  // namespace meter

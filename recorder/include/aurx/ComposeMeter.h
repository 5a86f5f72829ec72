// The level meter's picture for an area of W x H pixels: the background colour and the lit
// segments of one bar (one channel) or two, placed by the orientation.
#pragma once

#include "aurx/MeterPicture.h"
#include "aurx/MeterSettings.h"
#include "aurx/aurx_export.h"

namespace aurx::meter {

// Segments that fall wholly outside the area are left out; the painter clips the rest.
AURX_EXPORT MeterPicture composeMeter(int width, int height, const MeterSettings& settings,
                                      ChannelLevel left, ChannelLevel right,
                                      const SystemColorResolver& systemColors);

}  // namespace aurx::meter

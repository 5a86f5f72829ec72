// System colours (as OLE colour values name them) taken from a Qt palette, so that a meter
// whose background is "button face" looks like the buttons around it.
#pragma once

#include <QPalette>
#include <optional>

#include "recorder/meter/OleColor.h"

namespace aurxqt {

// The palette's colour for a system colour index; nothing for an index no palette role fits.
std::optional<meter::Rgb> systemColor(const QPalette& palette, int index);

// A resolver for the meter that reads `palette` (copied).
meter::SystemColorResolver paletteResolver(QPalette palette);

}  // namespace aurxqt

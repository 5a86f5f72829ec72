// System colours (as OLE colour values name them) taken from a Qt palette, so that a meter
// whose background is "button face" looks like the buttons around it.
#pragma once

#include <QPalette>
#include <optional>

#include "aurx/OleColor.h"
#include "aurxqt/aurxqt_export.h"

namespace aurxqt {

// The palette's colour for a system colour index; nothing for an index no palette role fits.
AURXQT_EXPORT std::optional<aurx::meter::Rgb> systemColor(const QPalette& palette, int index);

// A resolver for the meter that reads `palette` (copied).
AURXQT_EXPORT aurx::meter::SystemColorResolver paletteResolver(QPalette palette);

}  // namespace aurxqt

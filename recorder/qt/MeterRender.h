// The control's level meter as a picture: what AurxWidget shows in an area of the given size,
// drawn off screen so that it can be copied to the screen at once or saved as a PNG file.
#pragma once

#include <QImage>
#include <QPalette>
#include <QSize>
#include <QString>

#include "aurx/MeterSettings.h"
#include "aurxqt/aurxqt_export.h"

namespace aurx {
class AURX300Ctrl;
}

namespace aurxqt {

// The control's appearance properties.
AURXQT_EXPORT aurx::meter::MeterSettings meterSettings(const aurx::AURX300Ctrl& control);

// System colours come from `palette`. An empty size gives a null image.
AURXQT_EXPORT QImage renderMeter(const aurx::AURX300Ctrl& control, QSize size,
                                 const QPalette& palette);
// System colours come from the application's palette (Qt's default one without an
// application object).
AURXQT_EXPORT QImage renderMeter(const aurx::AURX300Ctrl& control, QSize size);

// Draws the meter into a width x height image and saves it as a PNG file; false when the size
// is empty or the file cannot be written.
AURXQT_EXPORT bool renderMeterPng(const aurx::AURX300Ctrl& control, int width, int height,
                                  const QString& path);

}  // namespace aurxqt

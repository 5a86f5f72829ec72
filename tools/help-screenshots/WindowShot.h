// Grabbing a window as the user sees it, into a PNG file.
#pragma once

#include <QString>

class QWidget;

namespace helpshots {

// Lets the window system map, decorate and paint for `milliseconds`.
void settle(int milliseconds);

// Saves `window` into `path`: with its frame from the screen where a window manager draws one
// (X11), else the widget's own picture. At most 1000 pixels wide. False when it could not, or
// when on X11 the frame never showed (the picture is then saved without it).
bool shoot(QWidget& window, const QString& path);

}  // namespace helpshots

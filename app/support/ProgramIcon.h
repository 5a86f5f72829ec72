// The program's own mark, for the window, the tray and the logo: a handset on blue with the
// recording lamp.
#pragma once

#include <QIcon>

namespace parlaro {

QIcon programIcon();

}  // namespace parlaro

// The round coloured lamp the windows show for a state (recording, level in range).
#pragma once

#include <QPixmap>

class QColor;

namespace parlaro {

QPixmap lampPicture(const QColor& colour);

}  // namespace parlaro

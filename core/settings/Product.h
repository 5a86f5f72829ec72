// The program's name: the settings' key paths, its folders and the titles of its boxes are
// made from it, in the window and in the mover alike.
#pragma once

#include <QString>

namespace parlaro {

inline const QString kProductName = QStringLiteral("Parlaro");

}  // namespace parlaro

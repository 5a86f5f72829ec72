// The per-user folder for lock files and sockets: $XDG_RUNTIME_DIR, else the temporary folder.
#pragma once

#include <QString>

namespace parlaro {

QString runtimeFolder();

}  // namespace parlaro

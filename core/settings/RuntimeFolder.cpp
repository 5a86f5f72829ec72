#include "core/settings/RuntimeFolder.h"

#include <QDir>

namespace parlaro {

QString runtimeFolder() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (QDir::isAbsolutePath(runtime) && QDir(runtime).exists()) return runtime;
    return QDir::tempPath();
}

}  // namespace parlaro

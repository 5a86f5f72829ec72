#include "services/registry/KeyPath.h"

namespace parlaro::registry {

KeyPath splitKeyPath(const QString& path) {
    const qsizetype cut = path.indexOf('\\');
    if (cut < 0) return {rootFromName(path), {}};
    return {rootFromName(path.left(cut)), path.mid(cut + 1)};
}

bool isWellFormedKeyPath(const QString& path) {
    return path.startsWith("HKEY_", Qt::CaseInsensitive) && !path.endsWith('\\');
}

}  // namespace parlaro::registry

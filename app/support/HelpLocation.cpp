#include "app/support/HelpLocation.h"

#include <QDir>
#include <QFileInfo>

namespace parlaro {

namespace {

bool isPage(const QString& path) {
    const QFileInfo info(path);
    return info.isFile() && info.isReadable();
}

}  // namespace

QString InstalledHelpIndex(const QString& programFolder) {
    return QDir::cleanPath(programFolder + "/../share/parlaro/help/index.html");
}

QString SourceHelpFolder(const QString& programFolder) {
#if defined(PARLARO_SOURCE_HELP_DIR) && defined(PARLARO_BUILD_DIR)
    // An installed program is never handed pages from a source tree that happens to lie around.
    const QString build = QDir::cleanPath(QStringLiteral(PARLARO_BUILD_DIR));
    const QString folder = QDir::cleanPath(programFolder);
    if (folder == build || folder.startsWith(build + "/"))
        return QStringLiteral(PARLARO_SOURCE_HELP_DIR);
#else
    (void)programFolder;
#endif
    return {};
}

QString FindHelpIndex(const QString& programFolder, const QString& sourceHelpFolder) {
    const QString installed = InstalledHelpIndex(programFolder);
    if (isPage(installed)) return installed;
    if (sourceHelpFolder.isEmpty()) return {};
    const QString source = QDir::cleanPath(sourceHelpFolder + "/index.html");
    return isPage(source) ? source : QString();
}

}  // namespace parlaro

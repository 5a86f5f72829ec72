#include "app/support/Launcher.h"

#include "platform/shell/Launch.h"

#include <QFileInfo>

namespace parlaro {

int ShellLauncher::open(const QString& program) {
    // The shell reports a missing file as 2 and other failures as small numbers.
    if (!QFileInfo(program).isExecutable()) return 2;
    return aurx::shell::launchDetached({program.toStdString()}) ? 33 : 5;
}

}  // namespace parlaro

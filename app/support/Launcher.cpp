#include "app/support/Launcher.h"

#include "platform/shell/Launch.h"

#include <QFileInfo>
#include <QSocketNotifier>

#include <fcntl.h>
#include <unistd.h>

#include <memory>

namespace parlaro {

int ShellLauncher::open(const QString& program) {
    // The shell reports a missing file as 2 and other failures as small numbers.
    if (!QFileInfo(program).isExecutable()) return 2;
    return aurx::shell::launchDetached({program.toStdString()}) ? 33 : 5;
}

ShellLauncher::~ShellLauncher() {
    for (const auto& watch : watches_)
        ::close(static_cast<int>(watch->socket()));
}

int ShellLauncher::openAndWatch(const QString& program, std::function<void()> ended) {
    if (!QFileInfo(program).isExecutable()) return 2;
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) return open(program);
    const bool started = aurx::shell::launchHolding({program.toStdString()}, ends[1]);
    ::close(ends[1]);
    if (!started) {
        ::close(ends[0]);
        return 5;
    }
    // The read end becomes readable (end of file) once the program has gone.
    auto watch = std::make_unique<QSocketNotifier>(ends[0], QSocketNotifier::Read);
    QSocketNotifier* seen = watch.get();
    QObject::connect(seen, &QSocketNotifier::activated, seen,
                     [this, seen, ended = std::move(ended)] {
                         seen->setEnabled(false);
                         ::close(static_cast<int>(seen->socket()));
                         // Deleted once this signal has returned.
                         for (auto& w : watches_)
                             if (w.get() == seen) w.release()->deleteLater();
                         std::erase(watches_, nullptr);
                         if (ended) ended();
                     });
    watches_.push_back(std::move(watch));
    return 33;
}

}  // namespace parlaro

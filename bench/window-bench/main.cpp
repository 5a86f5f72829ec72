// parlaro-window-bench: times the main window's library side the way a person meets it, with
// the settings of the environment (XDG_CONFIG_HOME …):
//   startup   from constructing the window to the window shown with today's calls listed
//   showall   "Show all calls in folder" on the stored SearchPath, from the click to the list
// Prints "MODE MILLISECONDS ROWS".
#include "app/MainWindow.h"
#include "core/settings/Product.h"
#include "core/settings/StartupEnvironment.h"
#include "services/prompts/UnattendedPrompter.h"
#include "services/registry/RegistryStore.h"

#include <QApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc != 2 ||
        (std::strcmp(argv[1], "startup") != 0 && std::strcmp(argv[1], "showall") != 0)) {
        std::fprintf(stderr, "usage: parlaro-window-bench startup|showall\n");
        return 2;
    }
    const bool startup = std::strcmp(argv[1], "startup") == 0;
    QApplication app(argc, argv);
    using namespace parlaro;
    parlaro::registry::RegistryStore store(
        parlaro::registry::StoreLocations::fromEnvironment(parlaro::kProductName));
    UnattendedPrompter prompter;
    RegistryAccess reg(store, prompter, kProductName);
    SettingsAccess globals(reg, KeyPaths::forProduct(kProductName));
    const SystemClock clock;

    QElapsedTimer t;
    t.start();
    MainWindow w(globals, reg, prompter,
                 StartupEnvironment::fromSystem(QCoreApplication::applicationDirPath()), clock);
    w.Load();
    w.show();
    QApplication::processEvents();
    if (startup) {
        std::printf("startup %lld %d\n", static_cast<long long>(t.elapsed()), w.rowCount());
        return 0;
    }
    t.restart();
    w.onShowAllCalls();
    QApplication::processEvents();
    std::printf("showall %lld %d\n", static_cast<long long>(t.elapsed()), w.rowCount());
    return 0;
}

#include "app/startup/ProgramMain.h"
#include "core/settings/Product.h"
#include "core/settings/ProductSettings.h"

#include "app/MainWindow.h"
#include "app/startup/InformationOptions.h"
#include "app/startup/SignalBridge.h"
#include "app/startup/SingleInstance.h"
#include "services/prompts/QtPrompter.h"

#include <QApplication>
#include <QSessionManager>

#include <iostream>

namespace parlaro {

int Main(int argc, char** argv) {
    if (const auto status = AnswerInformationOptions(argc, argv, PARLARO_VERSION, std::cout))
        return *status;
    QApplication app(argc, argv);
    SingleInstance instance(SingleInstance::defaultFolder());
    // A second instance hands over before it touches anything.
    if (!instance.claim() && instance.ActivatePreviousInstance()) return 0;

    const std::unique_ptr<Prompter> prompter = makePrompter();
    ProductSettings product(*prompter);
    SettingsAccess& globals = product.settings();
    RegistryAccess& reg = product.registry();

    const SystemClock clock;
    MainWindow window(globals, reg, *prompter,
                      StartupEnvironment::fromSystem(QCoreApplication::applicationDirPath()),
                      clock);
    if (auto* boxes = dynamic_cast<QtPrompter*>(prompter.get())) boxes->setParent(&window);
    QObject::connect(&instance, &SingleInstance::activationRequested, &window,
                     &MainWindow::bringToFront);
    SignalBridge termination;
    QObject::connect(&termination, &SignalBridge::terminationRequested, &window,
                     &MainWindow::terminationRequested);
    // The end of the desktop session finishes a running call before the windows close.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &window,
                     [&window](QSessionManager&) { window.sessionEnding(); });
    window.Load();
    // A quit asked for while loading would be lost on an event loop that has not started.
    if (window.ended()) return 0;
    window.showAsStored();
    return QApplication::exec();
}

}  // namespace parlaro

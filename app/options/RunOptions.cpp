#include "app/options/RunOptions.h"

#include "app/options/CalibrationWizard.h"
#include "app/options/OptionsDialog.h"
#include "app/options/OptionsPassword.h"

#include <QCoreApplication>

namespace parlaro {

void RunOptions(QWidget* window, AppSettings& settings, SettingsAccess& globals, Recorder& recorder,
                Prompter& prompter) {
    if (!askOptionsPassword(window, globals, prompter)) return;
    OptionsServices services;
    services.browseForFolder = &BrowseForFolder;
    services.calibrate = [&](QWidget* parent) {
        return RunCalibrationWizard(parent, recorder, prompter, settings.gsmFormat());
    };
    services.changePassword = [&](QWidget* parent) {
        return changeOptionsPassword(parent, settings, globals, prompter);
    };
    services.autostart.emplace(AutostartEntry::defaultFolder(),
                               QCoreApplication::applicationFilePath());
    OptionsDialog dialog(window, settings, globals, recorder, prompter, std::move(services));
    dialog.exec();
}

}  // namespace parlaro

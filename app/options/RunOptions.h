// The Options button: the options password first where one is set, then the options dialog,
// modal over the window, with what it calls on (the folder chooser, the calibration wizard on
// the recording control, the password change, the login autostart entry).
#pragma once

#include "app/recording/Recorder.h"
#include "core/settings/AppSettings.h"
#include "core/settings/SettingsAccess.h"
#include "services/prompts/Prompter.h"

class QWidget;

namespace parlaro {

void RunOptions(QWidget* window, AppSettings& settings, SettingsAccess& globals, Recorder& recorder,
                Prompter& prompter);

}  // namespace parlaro

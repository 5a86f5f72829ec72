// What the parts of the window's library share of the program: the settings, the user, the
// prompts, the clock and the status bar.
#pragma once

#include "app/recording/StatusDisplay.h"
#include "app/startup/MainStartup.h"
#include "app/support/Clock.h"
#include "core/settings/AppSettings.h"
#include "core/settings/SettingsAccess.h"
#include "services/prompts/Prompter.h"

namespace parlaro {

struct LibraryContext {
    SettingsAccess& globals;
    AppSettings& settings;
    const ProgramValues& values;
    Prompter& prompter;
    const Clock& clock;
    StatusDisplay& status;
};

}  // namespace parlaro

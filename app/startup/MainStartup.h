// The main window's start-up procedures: loading the settings (with the first-use messages),
// the user name and the temporary recording folder.
#pragma once

#include "core/settings/SettingsAccess.h"
#include "core/settings/StartupEnvironment.h"
#include "services/prompts/Prompter.h"

namespace parlaro {

// Program-wide values found at start-up.
struct ProgramValues {
    QString userName;    // lower-case login name, or "ANON"
    QString tempFolder;  // ends with "/"
};

class MainStartup {
  public:
    MainStartup(SettingsAccess& globals, RegistryAccess& registry, Prompter& prompter,
                StartupEnvironment env)
        : globals_(globals), registry_(registry), prompter_(prompter), env_(std::move(env)) {}

    // Reads every setting (creating what is missing in both scopes), tells a first-time user,
    // moves the window to the stored position and saves everything back.
    void GetRegistrySettings(AppSettings& settings,
                             const std::function<void(int32_t top, int32_t left)>& moveWindow);
    void GetPCAndUserName(ProgramValues& values);
    void SetTempFolder(ProgramValues& values);

  private:
    void loadSettings(AppSettings& s, const std::function<void(int32_t, int32_t)>& moveWindow);
    // Brings the numbers the options dialog sets into its ranges, and says so.
    void keepInRange(AppSettings& s);

    SettingsAccess& globals_;
    RegistryAccess& registry_;
    Prompter& prompter_;
    StartupEnvironment env_;
};

}  // namespace parlaro

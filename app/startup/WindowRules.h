// How the main window ends and remembers itself: unloading (refused while "prevent shutdown"
// is on), Quit with its confirmations, and the position kept when the window changes state.
#pragma once

#include "app/startup/MainWindowView.h"
#include "app/support/FormPosition.h"
#include "core/settings/SettingsAccess.h"
#include "services/prompts/Prompter.h"

#include <array>

namespace parlaro {

// The settings that keep the call list's column widths, in column order.
inline constexpr std::array<const char*, 5> kColumnWidthSettings{"GRD_USER", "GRD_DATE", "GRD_TIME",
                                                                 "GRD_DUR", "GRD_NOTE"};

class WindowRules {
  public:
    WindowRules(MainWindowView& view, AppSettings& settings, SettingsAccess& globals,
                FormPosition& formPosition, Prompter& prompter)
        : view_(view),
          settings_(settings),
          globals_(globals),
          formPosition_(formPosition),
          prompter_(prompter) {}

    // False when the unload is refused; otherwise the window state has been saved.
    bool Unload();
    // True when the program is to end (also when the unload was refused).
    bool Quit();
    // The window was minimised, restored or resized.
    void StateChanged();

  private:
    void SaveWindowState();
    void saveCurrentFolder();

    MainWindowView& view_;
    AppSettings& settings_;
    SettingsAccess& globals_;
    FormPosition& formPosition_;
    Prompter& prompter_;
};

}  // namespace parlaro

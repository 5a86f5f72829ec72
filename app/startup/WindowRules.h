// How the main window ends and remembers itself: unloading (refused while "prevent shutdown"
// is on), Quit with its confirmations, and the position kept when the window changes state.
#pragma once

#include "app/support/FormPosition.h"
#include "core/settings/SettingsAccess.h"
#include "services/prompts/Prompter.h"

#include <array>

namespace parlaro {

class MainWindowView {
  public:
    virtual ~MainWindowView() = default;
    virtual bool isMinimised() const = 0;
    virtual FormGeometry geometryTwips() const = 0;
    virtual QString panelText(int panel) const = 0;
    // The widths of the call list's five columns, in twips.
    virtual std::array<int32_t, 5> columnWidthsTwips() const = 0;
    virtual void closeFindDialog() = 0;
    virtual void removeTrayIcon() = 0;
    // Minimised, the window leaves only its tray icon (where the desktop has a tray).
    virtual void hideToTray() = 0;
};

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

    MainWindowView& view_;
    AppSettings& settings_;
    SettingsAccess& globals_;
    FormPosition& formPosition_;
    Prompter& prompter_;
};

}  // namespace parlaro

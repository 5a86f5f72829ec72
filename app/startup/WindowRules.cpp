#include "app/startup/WindowRules.h"

#include "app/recording/StatusDisplay.h"

namespace parlaro {

bool WindowRules::Unload() {
    if (settings_.preventShutdown()) return false;
    SaveWindowState();
    return true;
}

void WindowRules::SaveWindowState() {
    view_.closeFindDialog();
    settings_.Minimised = view_.isMinimised();
    globals_.WriteSettingLong("Minimised", settings_.Minimised ? 1 : 0);
    view_.removeTrayIcon();
    const std::array<int32_t, 5> widths = view_.columnWidthsTwips();
    for (std::size_t i = 0; i < widths.size(); ++i)
        globals_.WriteSettingLong(kColumnWidthSettings[i], widths[i]);
    if (!settings_.Minimised) {
        const FormGeometry g = view_.geometryTwips();
        globals_.WriteSettingLong("Top", g.top);
        globals_.WriteSettingLong("Left", g.left);
    }
    saveCurrentFolder();
}

// A click on a folder changes the current folder in memory only: the next start opens the
// library where the user left it.
void WindowRules::saveCurrentFolder() {
    if (!settings_.SearchPath.isEmpty()) globals_.WriteSetting("SearchPath", settings_.SearchPath);
}

bool WindowRules::Quit() {
    if (prompter_.show({kProductName, "Are you sure you want to exit " + kProductName + "?",
                        Icon::Exclamation, Buttons::YesNo}) != Answer::Yes) {
        return false;
    }
    if (view_.panelText(2) != "00:00:00" &&
        prompter_.show({kProductName + " - warning call will be lost",
                        "There is a call which has not been cleared or saved - exiting now will "
                        "cause you to lose this recording.  Press OK to exit, Cancel to return to "
                        "application",
                        Icon::Critical, Buttons::OkCancel}) != Answer::Ok) {
        return false;
    }
    if (!view_.isMinimised()) formPosition_.save(view_.geometryTwips());
    // Also where the unload is refused: Quit ends the program all the same.
    if (!Unload()) saveCurrentFolder();
    return true;
}

void WindowRules::StateChanged() {
    settings_.Minimised = view_.isMinimised();
    if (settings_.Minimised) {
        view_.hideToTray();
        return;
    }
    const FormGeometry g = view_.geometryTwips();
    globals_.WriteSettingLong("Top", g.top);
    globals_.WriteSettingLong("Left", g.left);
}

}  // namespace parlaro

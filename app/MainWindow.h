// The main window: the frame (caption, status bar, the ways the program ends, minimising and
// the tray) around three panels: the recording panel with the level meter, the player bar,
// and the library with the folders and the call list. It builds the panels and wires them to
// the controllers that hold the logic (the recording controller, playback, the window rules,
// the tray's behaviour); the panels only show and forward.
#pragma once

#include "app/library/playback/CallPlayback.h"
#include "app/library/ui/LibraryPanel.h"
#include "app/recording/RecordingController.h"
#include "app/recording/StatusDisplay.h"
#include "app/recording/ui/RecordingPanel.h"
#include "app/startup/MainStartup.h"
#include "app/startup/WindowRules.h"
#include "app/support/Clock.h"
#include "app/support/Launcher.h"
#include "app/support/UrlOpener.h"
#include "app/support/WindowButtons.h"

#include <QMainWindow>

#include <memory>

namespace parlaro {

class AddNoteDialog;
class PlayerBar;
class TrayIcon;
class WindowTimers;

class MainWindow final : public QMainWindow, public MainWindowView, public RecordingView {
    Q_OBJECT
  public:
    MainWindow(SettingsAccess& globals, RegistryAccess& registry, Prompter& prompter,
               StartupEnvironment env, const Clock& clock);
    ~MainWindow() override;

    // The load handler: settings, caption, temporary folder, user name, the recorder's
    // set-up, interrupted calls, first status; voice detection starts with the timers.
    void Load();
    // True once the window has agreed to end, which may happen while it loads (a termination
    // signal answered during the start-up search), before the program's event loop runs.
    bool ended() const { return ending_; }
    // Shows the window as the settings say (minimised or normal).
    void showAsStored();
    // Another start of the program: this one comes forward, as the tray's Restore brings it.
    void bringToFront();
    // SIGTERM/SIGINT: the first ends the program like a system shutdown, a second regardless.
    void terminationRequested(int count);
    // The desktop session is ending: a running call is finished first.
    void sessionEnding();

    const AppSettings& settings() const { return settings_; }
    const ProgramValues& values() const { return values_; }
    RecordingController& controller() { return *controller_; }
    CallPlayback& playback() { return *playback_; }
    AddNoteDialog& notePrompt() { return *notePrompt_; }
    RecordingPanel& recordingPanel() { return *recordingPanel_; }
    LibraryPanel& libraryPanel() { return *libraryPanel_; }
    // The library as a person drives it.
    CallCollection& calls() { return libraryPanel_->calls(); }
    int rowCount() const { return libraryPanel_->rowCount(); }
    void showCallMenu(const QPoint& at) { libraryPanel_->showCallMenu(at); }
    void onListActivated() { libraryPanel_->onListActivated(); }
    void onShowAllCalls() { libraryPanel_->onShowAllCalls(); }
    void onFind() { libraryPanel_->onFind(); }
    FindCallDialog* findDialog() const { return libraryPanel_->findDialog(); }

    // MainWindowView
    bool isMinimised() const override;
    FormGeometry geometryTwips() const override;
    QString panelText(int panel) const override;
    std::array<int32_t, 5> columnWidthsTwips() const override;
    void closeFindDialog() override;
    void removeTrayIcon() override;
    void hideToTray() override;
    // RecordingView
    void restoreForCall() override;
    void minimise() override;
    void flashCaption() override;
    void setLevelTexts(const QString& left, const QString& right) override;
    void setButtonEnabled(MainButton button, bool enabled) override;
    void addRecordedCall(const CallRecord& call) override;
    void callsFiled() override;
    void stopPlayback() override;
    void playSelectedCall() override;
    void runOptions() override;

  protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    QLayout* buildSideColumn(QWidget* parent);
    void layOut(QWidget* central, QWidget* logo, QLayout* side);
    void connectTimers();
    void onQuit();
    void recoverInterruptedCalls();
    void nudgeCaptureMixers();
    void endNow();

    SettingsAccess& globals_;
    Prompter& prompter_;
    const Clock& clock_;
    StartupEnvironment env_;
    AppSettings settings_;
    ProgramValues values_;
    MainStartup startup_;
    FormPosition formPosition_;
    WindowRules rules_;
    ShellLauncher launcher_;
    DesktopUrlOpener urlOpener_;
    WindowButtons buttons_;
    QStringList recovered_;  // calls recovered at this start, until listed

    WindowTimers* timers_ = nullptr;
    RecordingPanel* recordingPanel_ = nullptr;
    PlayerBar* playerBar_ = nullptr;
    LibraryPanel* libraryPanel_ = nullptr;
    AddNoteDialog* notePrompt_ = nullptr;
    TrayIcon* tray_ = nullptr;
    std::unique_ptr<StatusDisplay> status_;
    std::unique_ptr<RecordingController> controller_;
    std::unique_ptr<CallPlayback> playback_;
    bool loaded_ = false;
    bool ending_ = false;
};

}  // namespace parlaro

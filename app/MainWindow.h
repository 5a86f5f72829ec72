// The main window: caption, status bar with its four panels, the recording indicator, and the
// ways it ends (Quit, closing, termination signals). Its logic lives in plain classes; this
// form only shows and forwards.
#pragma once

#include "app/recording/StatusDisplay.h"
#include "app/startup/MainStartup.h"
#include "app/startup/WindowRules.h"
#include "app/support/Clock.h"

#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QTimer>

#include <array>

namespace parlaro {

class MainWindow final : public QMainWindow, public StatusView, public MainWindowView {
    Q_OBJECT
  public:
    MainWindow(SettingsAccess& globals, RegistryAccess& registry, Prompter& prompter,
               StartupEnvironment env, const Clock& clock);

    // The load handler: settings, caption, temporary folder, user name, first status.
    void Load();
    // Shows the window as the settings say (minimised or normal).
    void showAsStored();
    void bringToFront();
    // SIGTERM/SIGINT: the first ends the program like a system shutdown, a second regardless.
    void terminationRequested(int count);

    const AppSettings& settings() const { return settings_; }
    const ProgramValues& values() const { return values_; }

    // StatusView
    void setPanelText(int panel, const QString& text) override;
    void setIndicator(bool recording, const QString& tooltip) override;
    void setCaption(const QString& caption) override;
    // MainWindowView
    bool isMinimised() const override;
    FormGeometry geometryTwips() const override;
    QString panelText(int panel) const override;

  protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void onQuit();
    void showTimeStamp();
    void endNow();

    SettingsAccess& globals_;
    Prompter& prompter_;
    const Clock& clock_;
    AppSettings settings_;
    ProgramValues values_;
    MainStartup startup_;
    FormPosition formPosition_;
    StatusDisplay status_;
    WindowRules rules_;

    std::array<QLabel*, 4> panels_{};
    QLabel* imgRecording_ = nullptr;
    QPushButton* cmdQuit_ = nullptr;
    QTimer tmrTimeStamp_;
    bool loaded_ = false;
    bool ending_ = false;
};

}  // namespace parlaro

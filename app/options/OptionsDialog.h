// The options dialog (frmOptions): recording mode and format, the voice-detection values, the
// note prompt, window behaviour, the rights to play and delete, shutdown prevention, the calls
// folder, the retention period, the options password and whether Parlaro starts at login.
// Check boxes and option buttons act at once on the settings in memory (and the format on the
// recording control, the login box on the autostart entry); the sliders and the retention
// period are taken on close. Closing always applies and saves: there is no Cancel.
#pragma once

#include "app/recording/CallInput.h"
#include "app/recording/Recorder.h"
#include "app/startup/Autostart.h"
#include "core/settings/AppSettings.h"
#include "core/settings/SettingsAccess.h"
#include "services/prompts/Prompter.h"

#include <QDialog>

#include <functional>
#include <optional>

class QAbstractButton;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;
class QSpinBox;

namespace parlaro {

// What the dialog asks of the rest of the program.
struct OptionsServices {
    // The folder chooser: a folder ending in "/", or "" when cancelled.
    std::function<QString(QWidget* parent, const QString& title, const QString& start)>
        browseForFolder;
    // The password change dialog; true when a password is set afterwards.
    std::function<bool(QWidget* parent)> changePassword;
    // The calibration wizard: the quiet line's loudest level in dB, nothing when cancelled.
    std::function<std::optional<int>(QWidget* parent)> calibrate;
    // The login autostart entry; without it the box is greyed.
    std::optional<AutostartEntry> autostart;
};

class OptionsDialog final : public QDialog {
    Q_OBJECT
  public:
    OptionsDialog(QWidget* parent, AppSettings& settings, SettingsAccess& globals,
                  Recorder& recorder, Prompter& prompter, OptionsServices services);

    // The calibration's result: the threshold goes 2 dB above the quiet line's loudest level,
    // unless that level is above -2 dB (or was never measured).
    void applyCalibration(int quietLineMaximum);
    // cmdClose: applies and saves, then closes; false when the dialog stays open.
    bool closeOptions();

    // Escape and the close box close as cmdClose does.
    void reject() override;

    // "-18 dB", "  5 sec": a slider's label, at least six characters.
    static QString sliderText(int value, const char* unit);

  private:
    void build();
    void load();
    void connectHandlers();
    void formatChosen(int button);
    void inputChosen(CallInput input);
    void autoRecordToggled(bool on);
    void passwordToggled(bool on);
    void autostartToggled(bool on);
    void changePassword();
    void chooseCallsFolder();
    void showAbout();

    AppSettings& settings_;
    SettingsAccess& globals_;
    Recorder& recorder_;
    Prompter& prompter_;
    OptionsServices services_;

    QRadioButton* inputButtons_[2] = {};
    QRadioButton* formatButtons_[2] = {};
    QCheckBox* autoRecordBox_ = nullptr;
    QSlider* sensitivitySlider_ = nullptr;
    QLabel* sensitivityLabel_ = nullptr;
    QSlider* latchSlider_ = nullptr;
    QLabel* latchLabel_ = nullptr;
    QSlider* minCallSlider_ = nullptr;
    QLabel* minCallLabel_ = nullptr;
    QCheckBox* addNoteBox_ = nullptr;
    QCheckBox* maximiseBox_ = nullptr;
    QCheckBox* playBox_ = nullptr;
    QRadioButton* playWhoseButtons_[2] = {};
    QCheckBox* deleteBox_ = nullptr;
    QRadioButton* deleteWhoseButtons_[2] = {};
    QCheckBox* preventShutdownBox_ = nullptr;
    QCheckBox* autostartBox_ = nullptr;
    QCheckBox* passwordBox_ = nullptr;
    QPushButton* passwordButton_ = nullptr;
    QLineEdit* callsFolderBox_ = nullptr;
    QSpinBox* keepDaysBox_ = nullptr;
    bool closing_ = false;
};

// The stock folder chooser standing in for the system's: file-system folders only, starting at
// `start`, the result ending in "/".
QString BrowseForFolder(QWidget* parent, const QString& title, const QString& start);

}  // namespace parlaro

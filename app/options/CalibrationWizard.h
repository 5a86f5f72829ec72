// The calibration wizard: help pages that show where the recording level and the microphone
// boost are found, the system's recording mixer, then the calibration itself. Its result is
// the quiet line's loudest level, which the options dialog turns into the trigger level.
#pragma once

#include <QString>

#include <optional>

class QWidget;

namespace parlaro {

class Prompter;
class Recorder;

// How a help page ended, with the answers it holds.
struct HelpPageResult {
    QString button;                  // "Next", "Prev", or "" when closed otherwise
    bool skipHelp = false;           // page 1
    bool advancedVisible = false;    // page 2
    bool microphoneVisible = false;  // page 2
};

class WizardUi {
  public:
    virtual ~WizardUi() = default;
    virtual HelpPageResult showPage(int page) = 0;  // 1 to 5
    // Resets the main window's recording control and opens the system's recording mixer.
    virtual void showMixer() = 0;
    // dlgCalibrate: the quiet line's loudest level, nothing when cancelled.
    virtual std::optional<int> calibrate() = 0;
};

std::optional<int> RunCalibrationWizard(WizardUi& ui);

// The wizard on real dialogs: `mainControl` is the window's recording control (for the
// mixer); dlgCalibrate measures with a control of its own, capturing as the calls are recorded
// (`gsm`: 16-bit samples, else 8-bit ones, whose quantisation alone reads as -42 dB), so that
// it reads the same levels as the main window's meter.
std::optional<int> RunCalibrationWizard(QWidget* parent, Recorder& mainControl, Prompter& prompter,
                                        bool gsm);

}  // namespace parlaro

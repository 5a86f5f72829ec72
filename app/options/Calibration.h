// Calibrating the line (dlgCalibrate's logic): step 1 guides the sound card's recording level
// into the window -10 <= L < -4 dB while the user speaks on the line, step 2 measures the
// loudest level of the quiet line with the handset on the hook. The dialog is reached through
// CalibrationView, so the steps can be tested without one.
#pragma once

#include "app/recording/Recorder.h"
#include "services/prompts/Prompter.h"

#include <QString>

namespace parlaro {

class CalibrationView {
  public:
    virtual ~CalibrationView() = default;
    virtual void setLevelText(const QString& text) = 0;
    virtual void setDirection(const QString& text) = 0;
    virtual QString direction() const = 0;
    // imgRecLevelOk shown (and imgOutOfRange hidden), or the other way round.
    virtual void showLevelOk(bool ok) = 0;
    // tmrFlash; starting it when it runs leaves it running on its beat.
    virtual void setFlashing(bool on) = 0;
    virtual void setStepsEnabled(bool step1, bool step2) = 0;
    virtual void setBusy(bool busy) = 0;  // the hourglass pointer
    // Waits this long while the window goes on with its events.
    virtual void wait(int milliseconds) = 0;
};

inline const QString kLevelOkReplace = QStringLiteral("Level OK - replace handset");
inline const QString kLevelOkStep2 = QStringLiteral("Level OK - go to step 2");

class Calibration {
  public:
    Calibration(Recorder& recorder, CalibrationView& view, Prompter& prompter)
        : recorder_(recorder), view_(view), prompter_(prompter) {}

    static constexpr int kNeverMeasured = -9999;
    // The level window of step 1.
    static bool inRange(float left) { return left >= -10 && left < -4; }
    static QString directionFor(float left);

    void load() { recorder_.Reset(); }
    // cmdCalibrate: shows the level every 200 ms until step 2 starts or the dialog closes.
    void adjustLevel();
    // btnCalSens: five readings 200 ms apart; the loudest, floored at -50 dB, is kept.
    void measureQuietLine();
    // tmrFlash, every second.
    void flash();
    // The dialog closes by any means.
    void close();

    int quietLineMaximum() const { return maximum_; }
    bool cancelled() const { return cancelled_; }
    void setCancelled() { cancelled_ = true; }

  private:
    Recorder& recorder_;
    CalibrationView& view_;
    Prompter& prompter_;
    bool stop_ = false;
    bool cancelled_ = false;
    int maximum_ = kNeverMeasured;
};

}  // namespace parlaro

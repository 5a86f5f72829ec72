// dlgCalibrate: the calibration's two steps on a recording control of its own, with the level,
// the direction to turn the recording level, and the "Levels OK" lamp.
#pragma once

#include "app/options/Calibration.h"

#include <QDialog>

#include <memory>

class QLabel;
class QPushButton;
class QTimer;

namespace aurxqt {
class AurxWidget;
}

namespace parlaro {

class ControlRecorder;

class CalibrationDialog final : public QDialog, public CalibrationView {
    Q_OBJECT
  public:
    // `gsm`: measure 16-bit samples, as a GSM recording captures them; else 8-bit ones.
    CalibrationDialog(QWidget* parent, Prompter& prompter, bool gsm = true);
    ~CalibrationDialog() override;

    int quietLineMaximum() const { return calibration_->quietLineMaximum(); }
    bool cancelled() const { return calibration_->cancelled(); }
    Calibration& calibration() { return *calibration_; }

    // CalibrationView
    void setLevelText(const QString& text) override;
    void setDirection(const QString& text) override;
    QString direction() const override;
    void showLevelOk(bool ok) override;
    void setFlashing(bool on) override;
    void setStepsEnabled(bool step1, bool step2) override;
    void setBusy(bool busy) override;
    void wait(int milliseconds) override;

    void done(int result) override;

  private:
    aurxqt::AurxWidget* meter_ = nullptr;
    std::unique_ptr<ControlRecorder> recorder_;
    std::unique_ptr<Calibration> calibration_;
    QLabel* levelLabel_ = nullptr;
    QLabel* directionLabel_ = nullptr;
    QLabel* outOfRangeLamp_ = nullptr;
    QLabel* levelOkLamp_ = nullptr;
    QPushButton* calibrateButton_ = nullptr;
    QPushButton* sensitivityButton_ = nullptr;
    QTimer* flashTimer_ = nullptr;
    bool busy_ = false;
};

}  // namespace parlaro

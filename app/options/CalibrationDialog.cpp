#include "app/options/CalibrationDialog.h"

#include "app/recording/ControlRecorder.h"
#include "app/support/Lamp.h"
#include "recorder/qt/AurxWidget.h"

#include <QApplication>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace parlaro {

namespace {

const QString kCalibrateTip =
    QStringLiteral("Perform sound card calibration for optimum recording performance");

}  // namespace

CalibrationDialog::CalibrationDialog(QWidget* parent, Prompter& prompter, bool gsm)
    : QDialog(parent) {
    setObjectName("dlgCalibrate");
    setWindowTitle("Calibrate Parlaro");
    setModal(true);
    auto* layout = new QVBoxLayout(this);

    auto* intro = new QLabel(
        "Step 1: lift the handset and speak, or let the line be heard, and set the recording "
        "level in the mixer until the lamp is green.\nStep 2: replace the handset, so the line "
        "is quiet, and measure it.",
        this);
    intro->setWordWrap(true);
    layout->addWidget(intro);

    meter_ = new aurxqt::AurxWidget(this);
    meter_->setObjectName("AURXCtrl");
    meter_->setSampleRate(8000);
    meter_->setBitsPerSample(gsm ? 16 : 8);
    meter_->setNumChannels(1);
    meter_->setMinimumHeight(24);
    layout->addWidget(meter_);

    auto* status = new QHBoxLayout;
    outOfRangeLamp_ = new QLabel(this);
    outOfRangeLamp_->setObjectName("imgOutOfRange");
    outOfRangeLamp_->setPixmap(lampPicture(QColor(0xd0, 0x30, 0x30)));
    outOfRangeLamp_->setToolTip("Un-Calibrated or On-Hook");
    levelOkLamp_ = new QLabel(this);
    levelOkLamp_->setObjectName("imgRecLevelOk");
    levelOkLamp_->setPixmap(lampPicture(QColor(0x30, 0xb0, 0x40)));
    levelOkLamp_->setToolTip("Levels OK");
    levelOkLamp_->hide();
    levelLabel_ = new QLabel(this);
    levelLabel_->setObjectName("lblLevel");
    levelLabel_->setMinimumWidth(levelLabel_->fontMetrics().horizontalAdvance("-99 dB") + 8);
    directionLabel_ = new QLabel("Increase Levels", this);
    directionLabel_->setObjectName("lblDirection");
    status->addWidget(outOfRangeLamp_);
    status->addWidget(levelOkLamp_);
    status->addWidget(levelLabel_);
    status->addWidget(directionLabel_, 1);
    layout->addLayout(status);

    auto* buttons = new QHBoxLayout;
    calibrateButton_ = new QPushButton("Step &1: Set Level", this);
    calibrateButton_->setObjectName("cmdCalibrate");
    calibrateButton_->setToolTip(kCalibrateTip);
    sensitivityButton_ = new QPushButton("Step &2: Quiet Line", this);
    sensitivityButton_->setObjectName("btnCalSens");
    sensitivityButton_->setToolTip(kCalibrateTip);
    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("cmdOK");
    auto* cancel = new QPushButton("Cancel", this);
    cancel->setObjectName("cmdCancel");
    buttons->addWidget(calibrateButton_);
    buttons->addWidget(sensitivityButton_);
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);

    flashTimer_ = new QTimer(this);
    flashTimer_->setObjectName("tmrFlash");
    flashTimer_->setInterval(1000);

    recorder_ = std::make_unique<ControlRecorder>(meter_->control());
    calibration_ = std::make_unique<Calibration>(*recorder_, *this, prompter);
    connect(calibrateButton_, &QPushButton::clicked, this, [this] { calibration_->adjustLevel(); });
    connect(sensitivityButton_, &QPushButton::clicked, this,
            [this] { calibration_->measureQuietLine(); });
    connect(flashTimer_, &QTimer::timeout, this, [this] { calibration_->flash(); });
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, [this] {
        calibration_->setCancelled();
        reject();
    });
    calibration_->load();
}

CalibrationDialog::~CalibrationDialog() = default;

void CalibrationDialog::done(int result) {
    // However it closes, the measuring stops.
    calibration_->close();
    QDialog::done(result);
}

void CalibrationDialog::setLevelText(const QString& text) {
    levelLabel_->setText(text);
}

void CalibrationDialog::setDirection(const QString& text) {
    directionLabel_->setText(text);
}

QString CalibrationDialog::direction() const {
    return directionLabel_->text();
}

void CalibrationDialog::showLevelOk(bool ok) {
    levelOkLamp_->setVisible(ok);
    outOfRangeLamp_->setVisible(!ok);
}

void CalibrationDialog::setFlashing(bool on) {
    if (!on) {
        flashTimer_->stop();
    } else if (!flashTimer_->isActive()) {
        flashTimer_->start();
    }
}

void CalibrationDialog::setStepsEnabled(bool step1, bool step2) {
    calibrateButton_->setEnabled(step1);
    sensitivityButton_->setEnabled(step2);
}

void CalibrationDialog::setBusy(bool busy) {
    if (busy == busy_) return;
    busy_ = busy;
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void CalibrationDialog::wait(int milliseconds) {
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

}  // namespace parlaro

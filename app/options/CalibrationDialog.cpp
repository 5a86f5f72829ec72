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

    AURXCtrl_ = new aurxqt::AurxWidget(this);
    AURXCtrl_->setObjectName("AURXCtrl");
    AURXCtrl_->setSampleRate(8000);
    AURXCtrl_->setBitsPerSample(gsm ? 16 : 8);
    AURXCtrl_->setNumChannels(1);
    AURXCtrl_->setMinimumHeight(24);
    layout->addWidget(AURXCtrl_);

    auto* status = new QHBoxLayout;
    imgOutOfRange_ = new QLabel(this);
    imgOutOfRange_->setObjectName("imgOutOfRange");
    imgOutOfRange_->setPixmap(lampPicture(QColor(0xd0, 0x30, 0x30)));
    imgOutOfRange_->setToolTip("Un-Calibrated or On-Hook");
    imgRecLevelOk_ = new QLabel(this);
    imgRecLevelOk_->setObjectName("imgRecLevelOk");
    imgRecLevelOk_->setPixmap(lampPicture(QColor(0x30, 0xb0, 0x40)));
    imgRecLevelOk_->setToolTip("Levels OK");
    imgRecLevelOk_->hide();
    lblLevel_ = new QLabel(this);
    lblLevel_->setObjectName("lblLevel");
    lblLevel_->setMinimumWidth(lblLevel_->fontMetrics().horizontalAdvance("-99 dB") + 8);
    lblDirection_ = new QLabel("Increase Levels", this);
    lblDirection_->setObjectName("lblDirection");
    status->addWidget(imgOutOfRange_);
    status->addWidget(imgRecLevelOk_);
    status->addWidget(lblLevel_);
    status->addWidget(lblDirection_, 1);
    layout->addLayout(status);

    auto* buttons = new QHBoxLayout;
    cmdCalibrate_ = new QPushButton("Step &1: Set Level", this);
    cmdCalibrate_->setObjectName("cmdCalibrate");
    cmdCalibrate_->setToolTip(kCalibrateTip);
    btnCalSens_ = new QPushButton("Step &2: Quiet Line", this);
    btnCalSens_->setObjectName("btnCalSens");
    btnCalSens_->setToolTip(kCalibrateTip);
    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("cmdOK");
    auto* cancel = new QPushButton("Cancel", this);
    cancel->setObjectName("cmdCancel");
    buttons->addWidget(cmdCalibrate_);
    buttons->addWidget(btnCalSens_);
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);

    tmrFlash_ = new QTimer(this);
    tmrFlash_->setObjectName("tmrFlash");
    tmrFlash_->setInterval(1000);

    recorder_ = std::make_unique<ControlRecorder>(AURXCtrl_->control());
    calibration_ = std::make_unique<Calibration>(*recorder_, *this, prompter);
    connect(cmdCalibrate_, &QPushButton::clicked, this, [this] { calibration_->adjustLevel(); });
    connect(btnCalSens_, &QPushButton::clicked, this, [this] { calibration_->measureQuietLine(); });
    connect(tmrFlash_, &QTimer::timeout, this, [this] { calibration_->flash(); });
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
    lblLevel_->setText(text);
}

void CalibrationDialog::setDirection(const QString& text) {
    lblDirection_->setText(text);
}

QString CalibrationDialog::direction() const {
    return lblDirection_->text();
}

void CalibrationDialog::showLevelOk(bool ok) {
    imgRecLevelOk_->setVisible(ok);
    imgOutOfRange_->setVisible(!ok);
}

void CalibrationDialog::setFlashing(bool on) {
    if (!on) {
        tmrFlash_->stop();
    } else if (!tmrFlash_->isActive()) {
        tmrFlash_->start();
    }
}

void CalibrationDialog::setStepsEnabled(bool step1, bool step2) {
    cmdCalibrate_->setEnabled(step1);
    btnCalSens_->setEnabled(step2);
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

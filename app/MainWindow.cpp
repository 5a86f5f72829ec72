#include "app/MainWindow.h"

#include "app/recording/RuntimeErrors.h"
#include "app/recording/TimeText.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QPainter>
#include <QStatusBar>
#include <QVBoxLayout>

namespace parlaro {

namespace {

QPixmap lamp(const QColor& colour) {
    QPixmap pm(20, 20);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(colour);
    p.setPen(colour.darker());
    p.drawEllipse(2, 2, 16, 16);
    return pm;
}

}  // namespace

MainWindow::MainWindow(SettingsAccess& globals, RegistryAccess& registry, Prompter& prompter,
                       StartupEnvironment env, const Clock& clock)
    : globals_(globals),
      prompter_(prompter),
      clock_(clock),
      startup_(globals, registry, prompter, std::move(env)),
      formPosition_(registry, globals.paths().user),
      status_(*this, settings_),
      rules_(*this, settings_, globals, formPosition_, prompter) {
    setObjectName("frmMain");
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    auto* top = new QHBoxLayout;
    imgRecording_ = new QLabel(central);
    imgRecording_->setObjectName("imgRecording");
    top->addWidget(imgRecording_);
    top->addStretch();
    cmdQuit_ = new QPushButton("&Quit", central);
    cmdQuit_->setObjectName("cmdQuit");
    top->addWidget(cmdQuit_);
    layout->addLayout(top);
    layout->addStretch();
    setCentralWidget(central);
    resize(640, 420);

    const std::array<int, 4> stretch{3, 1, 1, 3};
    for (std::size_t i = 0; i < panels_.size(); ++i) {
        panels_[i] = new QLabel(statusBar());
        panels_[i]->setObjectName(QString("panel%1").arg(i + 1));
        panels_[i]->setFrameShape(QFrame::StyledPanel);
        statusBar()->addWidget(panels_[i], stretch[i]);
    }
    connect(cmdQuit_, &QPushButton::clicked, this, &MainWindow::onQuit);
    tmrTimeStamp_.setInterval(1000);
    connect(&tmrTimeStamp_, &QTimer::timeout, this, &MainWindow::showTimeStamp);
}

void MainWindow::Load() {
    try {
        startup_.GetRegistrySettings(settings_, [this](int32_t t, int32_t l) {
            move(l / kTwipsPerPixel, t / kTwipsPerPixel);
        });
        if (const auto g = formPosition_.load()) {
            resize(g->width / kTwipsPerPixel, g->height / kTwipsPerPixel);
        }
        status_.ShowCaption();
        startup_.SetTempFolder(values_);
        startup_.GetPCAndUserName(values_);
        setPanelText(2, "00:00:00");
        status_.SetRecordingIndicator(false);
        showTimeStamp();
        tmrTimeStamp_.start();
    } catch (const std::exception& e) {
        reportRuntimeError(prompter_, Guarded::FormLoad, e);
    }
    loaded_ = true;
}

void MainWindow::showAsStored() {
    if (settings_.Minimised) {
        showMinimized();
    } else {
        show();
    }
}

void MainWindow::bringToFront() {
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    showNormal();
    raise();
    activateWindow();
}

void MainWindow::terminationRequested(int count) {
    if (count >= 2) {
        endNow();
        return;
    }
    close();  // the unload rules decide, as at a system shutdown
}

void MainWindow::endNow() {
    ending_ = true;
    close();
    QApplication::quit();
}

void MainWindow::onQuit() {
    if (rules_.Quit()) endNow();
}

void MainWindow::showTimeStamp() {
    setPanelText(4, ClockText(clock_.now()));
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (ending_ || rules_.Unload()) {
        ending_ = true;
        event->accept();
        QApplication::quit();
    } else {
        event->ignore();
    }
}

void MainWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && loaded_ && !ending_) rules_.StateChanged();
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (loaded_ && !ending_ && isVisible()) rules_.StateChanged();
}

void MainWindow::setPanelText(int panel, const QString& text) {
    if (panel >= 1 && panel <= static_cast<int>(panels_.size())) panels_[panel - 1]->setText(text);
}

void MainWindow::setIndicator(bool recording, const QString& tooltip) {
    imgRecording_->setPixmap(lamp(recording ? QColor(Qt::red) : QColor(Qt::green)));
    imgRecording_->setToolTip(tooltip);
}

void MainWindow::setCaption(const QString& caption) {
    setWindowTitle(caption);
}

bool MainWindow::isMinimised() const {
    return isMinimized();
}

FormGeometry MainWindow::geometryTwips() const {
    const QRect g = geometry();
    const QPoint p = pos();
    return {g.height() * kTwipsPerPixel, g.width() * kTwipsPerPixel, p.x() * kTwipsPerPixel,
            p.y() * kTwipsPerPixel};
}

QString MainWindow::panelText(int panel) const {
    if (panel < 1 || panel > static_cast<int>(panels_.size())) return {};
    return panels_[panel - 1]->text();
}

}  // namespace parlaro

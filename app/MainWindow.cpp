#include "app/MainWindow.h"

#include "app/library/ui/AddNoteDialog.h"
#include "app/library/ui/PlayerBar.h"
#include "app/options/RunOptions.h"
#include "app/recording/CallRecovery.h"
#include "app/recording/MoverStart.h"
#include "app/startup/MixerNudge.h"
#include "app/support/LinkButtons.h"
#include "app/support/ProgramIcon.h"
#include "app/support/WindowTimers.h"
#include "app/tray/TrayIcon.h"
#include "core/support/RuntimeErrors.h"
#include "recorder/qt/AurxWidget.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace parlaro {

MainWindow::MainWindow(SettingsAccess& globals, RegistryAccess& registry, Prompter& prompter,
                       StartupEnvironment env, const Clock& clock)
    : globals_(globals),
      prompter_(prompter),
      clock_(clock),
      env_(env),
      startup_(globals, registry, prompter, std::move(env)),
      formPosition_(registry, globals.paths().user),
      rules_(*this, settings_, globals, formPosition_, prompter) {
    setObjectName("frmMain");
    timers_ = new WindowTimers(this);
    auto* central = new QWidget(this);
    // Made in the order the Tab key visits them.
    QWidget* logo = makeLogoButton(central, urlOpener_);
    recordingPanel_ = new RecordingPanel(central, buttons_);
    status_ = std::make_unique<StatusDisplay>(*recordingPanel_, settings_);
    playerBar_ = new PlayerBar(central, buttons_, *timers_, recordingPanel_->buttonStrip());
    QLayout* side = buildSideColumn(central);
    notePrompt_ =
        new AddNoteDialog(this, FormPosition(registry, globals.paths().user, "frmAddNote"));
    controller_ = std::make_unique<RecordingController>(
        RecordingControllerParts{recordingPanel_->recorder(), prompter_, launcher_, clock_,
                                 *status_, *timers_, *this, *notePrompt_},
        settings_, values_, env_.programFolder);
    playback_ =
        std::make_unique<CallPlayback>(playerBar_->player(), prompter_, *playerBar_, *controller_);
    libraryPanel_ = new LibraryPanel(
        central, LibraryContext{globals_, settings_, values_, prompter_, clock_, *status_},
        LibraryParts{*playback_, playerBar_->player(), buttons_, [this] { return ending_; }});
    tray_ = new TrayIcon(*this, *notePrompt_);
    layOut(central, logo, side);

    recordingPanel_->connectTo(*controller_, playerBar_->player());
    playerBar_->connectTo(*playback_);
    const auto clicked = [this](MainButton role, auto slot) {
        connect(buttons_[role], &QPushButton::clicked, this, slot);
    };
    clicked(MainButton::Play, [this] { playSelectedCall(); });
    clicked(MainButton::EditNote, [this] { libraryPanel_->onEditNote(); });
    clicked(MainButton::Save, [this] { libraryPanel_->onSaveCalls(); });
    clicked(MainButton::Email, [this] { libraryPanel_->onEmailCalls(); });
    clicked(MainButton::Options, [this] { controller_->onOptions(); });
    clicked(MainButton::Quit, [this] { onQuit(); });
    // Every keystroke in the prompt gives the user another 20 seconds.
    connect(notePrompt_, &AddNoteDialog::noteTyped, this, [this] {
        if (notePrompt_->isOpen()) timers_->start(MainTimer::AddNote);
    });
    // Keys typed just after the prompt closed by itself must not press a button.
    connect(notePrompt_, &AddNoteDialog::promptClosed, this,
            [this] { libraryPanel_->focusCallList(); });
    connectTimers();
}

MainWindow::~MainWindow() {
    timers_->stopAll();
}

QLayout* MainWindow::buildSideColumn(QWidget* parent) {
    auto* side = new QVBoxLayout;
    side->addWidget(buttons_.add(parent, MainButton::EditNote, "cmdEditNote", "Edit &Note",
                                 "Edit the note of the selected call"));
    side->addWidget(buttons_.add(parent, MainButton::Save, "cmdSave", "&Save...",
                                 "Save the selected calls elsewhere"));
    side->addWidget(buttons_.add(parent, MainButton::Email, "cmdEmail", "&E-mail...",
                                 "E-mail the selected calls"));
    side->addStretch();
    side->addWidget(buttons_.add(parent, MainButton::Options, "cmdOptions", "&Options...",
                                 "Change how Parlaro records"));
    QPushButton* quit = buttons_.add(parent, MainButton::Quit, "cmdQuit", "&Quit", "End Parlaro");
    side->addWidget(makeHelpButton(parent, env_.programFolder, urlOpener_, prompter_));
    side->addWidget(quit);
    return side;
}

void MainWindow::layOut(QWidget* central, QWidget* logo, QLayout* side) {
    auto* layout = new QVBoxLayout(central);
    auto* line = new QHBoxLayout;
    line->addWidget(recordingPanel_, 1);
    line->addWidget(logo);
    layout->addLayout(line);
    layout->addWidget(playerBar_);
    auto* lower = new QHBoxLayout;
    lower->addWidget(libraryPanel_, 1);
    lower->addLayout(side);
    layout->addLayout(lower, 1);
    setCentralWidget(central);
    resize(900, 560);
    setMinimumSize(560, 380);
    recordingPanel_->showStatusIn(*statusBar());
}

void MainWindow::connectTimers() {
    WindowTimers& t = *timers_;
    RecordingController& c = *controller_;
    connect(&t[MainTimer::Detection], &QTimer::timeout, this, [this, &c] {
        // Minimised, the controls' events are collected here, five times a second, instead of
        // waking the program for each of them.
        if (isMinimized()) {
            recordingPanel_->control().raiseWaitingEvents();
            playerBar_->control().raiseWaitingEvents();
        }
        c.PollDetection();
    });
    connect(&t[MainTimer::VoxLatch], &QTimer::timeout, this, [&c] { c.VoxLatchTick(); });
    connect(&t[MainTimer::TimeStamp], &QTimer::timeout, this, [&c] { c.UpdateTimeStamp(); });
    connect(&t[MainTimer::AddNote], &QTimer::timeout, this, [&c] { c.AddNoteTimerElapsed(); });
    connect(&t[MainTimer::PlaybackPos], &QTimer::timeout, this,
            [this] { playback_->PositionTimerTick(); });
}

void MainWindow::Load() {
    try {
        startup_.GetRegistrySettings(settings_, [this](int32_t t, int32_t l) {
            move(l / kTwipsPerPixel, t / kTwipsPerPixel);
        });
        if (const auto g = formPosition_.load()) {
            resize(g->width / kTwipsPerPixel, g->height / kTwipsPerPixel);
        }
        status_->ShowCaption();
        startup_.SetTempFolder(values_);
        startup_.GetPCAndUserName(values_);
        status_->SetRecordingIndicator(false);
        // Calls cut off when Parlaro last ended are finished before anything records.
        recoverInterruptedCalls();
        nudgeCaptureMixers();
        const bool detectionReady = controller_->SetUpRecorder();
        controller_->UpdateTimeStamp();
        timers_->start(MainTimer::TimeStamp);
        timers_->start(MainTimer::Detection);
        if (detectionReady) {
            libraryPanel_->openCallsFolder();
            libraryPanel_->listRecoveredCalls(std::exchange(recovered_, {}));
        }
        setWindowIcon(programIcon());
        tray_->install(QPoint(settings_.Left, settings_.Top));
    } catch (const std::exception& e) {
        reportRuntimeError(prompter_, Guarded::FormLoad, e);
    }
    loaded_ = true;
}

void MainWindow::nudgeCaptureMixers() {
    // On the virtual devices there is no card to wake, and a real one must not be touched.
    if (qEnvironmentVariable("AURX_DEVICES") == "virtual") return;
    const std::unique_ptr<mixer::MixerSystem> mixers = mixer::openAlsaMixers();
    NudgeCaptureMixers(*mixers, prompter_);
}

void MainWindow::recoverInterruptedCalls() {
    const RecoveryOutcome outcome = RecoverInterruptedCalls(
        playerBar_->player(), values_.tempFolder, settings_.CallPath, prompter_);
    if (outcome.recovered.isEmpty()) return;
    recovered_ = outcome.recovered;
    StartMover(launcher_, prompter_, env_.programFolder, [this] { callsFiled(); });
}

void MainWindow::showAsStored() {
    if (settings_.Minimised) {
        showMinimized();
    } else {
        show();
    }
}

void MainWindow::bringToFront() {
    tray_->bringToFront();
}

void MainWindow::terminationRequested(int count) {
    if (count >= 2) {
        controller_->EndCallForShutdown();
        endNow();
        return;
    }
    // As at a system shutdown: the unload rules decide, and a call ends properly first.
    if (!settings_.preventShutdown()) controller_->EndCallForShutdown();
    close();
}

void MainWindow::sessionEnding() {
    if (!settings_.preventShutdown()) controller_->EndCallForShutdown();
}

void MainWindow::endNow() {
    ending_ = true;
    timers_->stopAll();
    close();
    QApplication::quit();
}

void MainWindow::onQuit() {
    if (rules_.Quit()) endNow();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (ending_ || rules_.Unload()) {
        // Closing the window is not Quit: nobody was warned, so a running call is kept.
        if (!ending_) controller_->EndCallForShutdown();
        ending_ = true;
        timers_->stopAll();
        event->accept();
        QApplication::quit();
    } else {
        event->ignore();
    }
}

void MainWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange) return;
    recordingPanel_->windowStateChanged(isMinimized());
    playerBar_->control().setWatchingEvents(!isMinimized());
    if (loaded_ && !ending_) rules_.StateChanged();
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (loaded_ && !ending_ && isVisible()) rules_.StateChanged();
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
    return recordingPanel_->panelText(panel);
}

std::array<int32_t, 5> MainWindow::columnWidthsTwips() const {
    return libraryPanel_->columnWidthsTwips();
}

void MainWindow::closeFindDialog() {
    libraryPanel_->closeFindDialog();
}

void MainWindow::removeTrayIcon() {
    tray_->remove();
}

void MainWindow::hideToTray() {
    tray_->hideWindow();
}

void MainWindow::restoreForCall() {
    setWindowState(windowState() & ~Qt::WindowMinimized);
    showNormal();
    raise();
    activateWindow();
}

void MainWindow::minimise() {
    showMinimized();
}

void MainWindow::flashCaption() {
    QApplication::alert(this);
}

void MainWindow::setLevelTexts(const QString& left, const QString& right) {
    recordingPanel_->setLevelTexts(left, right);
}

void MainWindow::setButtonEnabled(MainButton button, bool enabled) {
    buttons_.setEnabled(button, enabled);
}

void MainWindow::addRecordedCall(const CallRecord& call) {
    libraryPanel_->addRecordedCall(call);
}

void MainWindow::callsFiled() {
    libraryPanel_->callsFiled();
}

void MainWindow::stopPlayback() {
    playback_->StopPlayback();
}

void MainWindow::playSelectedCall() {
    libraryPanel_->playSelectedCall();
}

void MainWindow::runOptions() {
    RunOptions(this, settings_, globals_, recordingPanel_->recorder(), prompter_);
}

}  // namespace parlaro

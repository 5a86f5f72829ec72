#include "app/MainWindow.h"

#include "app/library/model/CallListModel.h"
#include "app/library/ui/CallColumns.h"
#include "app/library/ui/AddNoteDialog.h"
#include "app/library/ui/EditNoteDialog.h"
#include "app/library/ui/WaveformStrip.h"
#include "app/options/CalibrationWizard.h"
#include "app/options/OptionsDialog.h"
#include "app/options/OptionsPassword.h"
#include "app/recording/CallRecovery.h"
#include "app/recording/MoverStart.h"
#include "app/recording/TimeText.h"
#include "app/startup/MixerNudge.h"
#include "app/support/Lamp.h"
#include "core/calls/CallFiles.h"
#include "core/calls/CallsFolderAccess.h"
#include "core/support/RuntimeErrors.h"
#include "recorder/qt/AurxWidget.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QSlider>
#include <QSplitter>
#include <QStatusBar>
#include <QTreeView>
#include <QVBoxLayout>

namespace parlaro {

MainWindow::MainWindow(SettingsAccess& globals, RegistryAccess& registry, Prompter& prompter,
                       StartupEnvironment env, const Clock& clock)
    : globals_(globals),
      registry_(registry),
      prompter_(prompter),
      clock_(clock),
      env_(env),
      startup_(globals, registry, prompter, std::move(env)),
      formPosition_(registry, globals.paths().user),
      status_(*this, settings_),
      rules_(*this, settings_, globals, formPosition_, prompter) {
    setObjectName("frmMain");
    buildWindow();
    recorder_ = std::make_unique<ControlRecorder>(AURXCtrl_->control());
    player_ = std::make_unique<ControlRecorder>(AURXPlayer_->control());
    frmAddNote_ =
        new AddNoteDialog(this, FormPosition(registry, globals.paths().user, "frmAddNote"));
    controller_ = std::make_unique<RecordingController>(
        RecordingControllerParts{*recorder_, prompter_, launcher_, clock_, status_, *this, *this,
                                 *frmAddNote_},
        settings_, values_, env_.programFolder);
    // Every keystroke in the prompt gives the user another 20 seconds.
    connect(frmAddNote_, &AddNoteDialog::noteTyped, this, [this] {
        if (frmAddNote_->isOpen()) timer(MainTimer::AddNote).start();
    });
    // Keys typed just after the prompt closed by itself must not press a button.
    connect(frmAddNote_, &AddNoteDialog::promptClosed, this, [this] {
        if (lvwCalls_) lvwCalls_->setFocus(Qt::OtherFocusReason);
    });

    const std::array<std::tuple<MainTimer, const char*, int, bool>, 5> timers = {{
        {MainTimer::Detection, "Detection", 200, false},
        {MainTimer::VoxLatch, "tmrVoxLatch", 1000, false},
        {MainTimer::TimeStamp, "tmrTimeStamp", 1000, false},
        {MainTimer::AddNote, "tmrAddNote", 20000, false},
        {MainTimer::PlaybackPos, "tmrPlaybackPos", 250, false},
    }};
    for (const auto& [which, name, interval, singleShot] : timers) {
        auto* t = new QTimer(this);
        t->setObjectName(name);
        t->setInterval(interval);
        t->setSingleShot(singleShot);
        timers_[which] = t;
    }
    RecordingController& c = *controller_;
    connect(timers_[MainTimer::Detection], &QTimer::timeout, this, [this, &c] {
        // Minimised, the controls' events are collected here, five times a second, instead of
        // waking the program for each of them.
        if (isMinimized()) {
            AURXCtrl_->raiseWaitingEvents();
            AURXPlayer_->raiseWaitingEvents();
        }
        c.PollDetection();
    });
    connect(timers_[MainTimer::VoxLatch], &QTimer::timeout, this, [&c] { c.VoxLatchTick(); });
    connect(timers_[MainTimer::TimeStamp], &QTimer::timeout, this, [&c] { c.UpdateTimeStamp(); });
    connect(timers_[MainTimer::AddNote], &QTimer::timeout, this, [&c] { c.AddNoteTimerElapsed(); });
    playback_ = std::make_unique<CallPlayback>(*player_, prompter_, *this, *controller_);
    connect(timers_[MainTimer::PlaybackPos], &QTimer::timeout, this,
            [this] { playback_->PositionTimerTick(); });
    connectLibrarySide();
}

MainWindow::~MainWindow() {
    for (auto& [which, t] : timers_)
        t->stop();
    // The list and its model outlive the calls they show (child widgets go after the members):
    // they must not lay out rows that are gone.
    callModel_->beginRefill();
    calls_.clear();
    callModel_->endRefill();
}

void MainWindow::buildWindow() {
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);

    // The line at a glance: recording lamp, level meter and the two levels.
    auto* line = new QHBoxLayout;
    imgRecording_ = new QLabel(central);
    imgRecording_->setObjectName("imgRecording");
    line->addWidget(imgRecording_);
    AURXCtrl_ = new aurxqt::AurxWidget(central);
    AURXCtrl_->setObjectName("AURXCtrl");
    AURXCtrl_->setToolTip("Level of the telephone line");
    AURXCtrl_->setMinimumSize(160, 28);
    AURXCtrl_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    AURXCtrl_->setFixedHeight(32);
    // Dark unlit segments keep the scale readable on any desktop theme.
    AURXCtrl_->setBackColor(0x00303030);
    AURXCtrl_->setNumSegments(20);
    line->addWidget(AURXCtrl_, 1);
    auto* levels = new QGridLayout;
    // A dash until a level has been measured.
    lblLeftLevel_ = new QLabel(QStringLiteral("\u2014"), central);
    lblLeftLevel_->setObjectName("lblLeftLevel");
    lblRightLevel_ = new QLabel(QStringLiteral("\u2014"), central);
    lblRightLevel_->setObjectName("lblRightLevel");
    for (QLabel* l : {lblLeftLevel_, lblRightLevel_}) {
        l->setMinimumWidth(l->fontMetrics().horizontalAdvance("-99.9 dB"));
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    levels->addWidget(new QLabel("L", central), 0, 0);
    levels->addWidget(lblLeftLevel_, 0, 1);
    levels->addWidget(new QLabel("R", central), 1, 0);
    levels->addWidget(lblRightLevel_, 1, 1);
    line->addLayout(levels);
    line->addWidget(buildLogo(central));
    layout->addLayout(line);
    // The player works without being seen; its meter would only repeat the sound.
    AURXPlayer_ = new aurxqt::AurxWidget(central);
    AURXPlayer_->setObjectName("AURXPlayer");
    // Both controls are placed on the form set for telephone audio: 8000 Hz, 8 bits, mono.
    // That is the recording format of Format 1; Format 0 then chooses GSM 6.10.
    for (aurxqt::AurxWidget* control : {AURXCtrl_, AURXPlayer_}) {
        control->setSampleRate(8000);
        control->setBitsPerSample(8);
        control->setNumChannels(1);
    }
    AURXPlayer_->hide();

    layout->addLayout(buildPlaybackRow(central));

    auto* side = new QVBoxLayout;
    addButton("cmdEditNote", "Edit &Note", "Edit the note of the selected call",
              MainButton::EditNote);
    addButton("cmdSave", "&Save...", "Save the selected calls elsewhere", MainButton::Save);
    addButton("cmdEmail", "&E-mail...", "E-mail the selected calls", MainButton::Email);
    addButton("cmdOptions", "&Options...", "Change how Parlaro records", MainButton::Options);
    addButton("cmdQuit", "&Quit", "End Parlaro", MainButton::Quit);
    for (MainButton b : {MainButton::EditNote, MainButton::Save, MainButton::Email})
        side->addWidget(buttons_[b]);
    side->addStretch();
    side->addWidget(buttons_[MainButton::Options]);
    side->addWidget(buildHelpButton(central));
    side->addWidget(buttons_[MainButton::Quit]);
    auto* lower = new QHBoxLayout;
    lower->addWidget(buildLibrarySide(central), 1);
    lower->addLayout(side);
    layout->addLayout(lower, 1);
    setCentralWidget(central);
    resize(900, 560);
    setMinimumSize(560, 380);

    const std::array<int, 4> stretch{3, 1, 1, 3};
    for (std::size_t i = 0; i < panels_.size(); ++i) {
        panels_[i] = new QLabel(statusBar());
        panels_[i]->setObjectName(QString("panel%1").arg(i + 1));
        panels_[i]->setFrameShape(QFrame::StyledPanel);
        statusBar()->addWidget(panels_[i], stretch[i]);
    }

    connect(buttons_[MainButton::Quit], &QPushButton::clicked, this, &MainWindow::onQuit);
    connect(buttons_[MainButton::Record], &QPushButton::clicked, this,
            [this] { controller_->onRecord(); });
    connect(buttons_[MainButton::Stop], &QPushButton::clicked, this,
            [this] { controller_->onStop(); });
    connect(buttons_[MainButton::Pause], &QPushButton::clicked, this,
            [this] { controller_->onPause(player_.get()); });
    connect(buttons_[MainButton::Play], &QPushButton::clicked, this, &MainWindow::playSelectedCall);
    connect(buttons_[MainButton::Options], &QPushButton::clicked, this,
            [this] { controller_->onOptions(); });
    connect(buttons_[MainButton::EditNote], &QPushButton::clicked, this, &MainWindow::onEditNote);
    for (int key : {9, 10, 11}) {
        auto* shortcut = new QShortcut(QKeySequence(Qt::Key_F1 + key - 1), this);
        connect(shortcut, &QShortcut::activated, this, [this, key] { controller_->onKey(key); });
    }
}

QPushButton* MainWindow::addButton(const QString& name, const QString& text, const QString& tip,
                                   MainButton role) {
    auto* b = new QPushButton(text, centralWidget() ? centralWidget() : this);
    b->setObjectName(name);
    b->setToolTip(tip);
    b->setAutoDefault(false);
    // A click leaves the focus where it was, so a later Space or Enter cannot press the
    // button again unseen; Tab still reaches it.
    b->setFocusPolicy(Qt::TabFocus);
    buttons_[role] = b;
    return b;
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
        status_.SetRecordingIndicator(false);
        // Calls cut off when Parlaro last ended are finished before anything records.
        recoverInterruptedCalls();
        nudgeCaptureMixers();
        const bool detectionReady = controller_->SetUpRecorder();
        controller_->UpdateTimeStamp();
        timer(MainTimer::TimeStamp).start();
        timer(MainTimer::Detection).start();
        if (!detectionReady) {
            addTrayIcon();
            loaded_ = true;
            return;
        }
        // The library side: the stored current folder, the columns and today's calls.
        if (const auto unusable = MakeCallsFolder(settings_.CallPath)) {
            // Said once here, rather than by every listing of it that fails.
            prompter_.show({kProductName,
                            QString("The calls folder %1 cannot be used (%2). Calls stay in %3 "
                                    "until it can.")
                                .arg(settings_.CallPath, *unusable, values_.tempFolder),
                            Icon::Exclamation, Buttons::Ok});
        }
        // A current folder that has gone (a removed disk, a share not mounted) falls back
        // to the calls folder rather than greeting the user with an error.
        if (!SetDirListPath(settings_.SearchPath)) {
            SetDirListPath(settings_.CallPath);
            settings_.SearchPath = settings_.CallPath;
        }
        LayoutCallColumns();
        if (QFileInfo(settings_.CallPath).isDir()) ShowTodaysCalls();
        listRecoveredCalls();
        addTrayIcon();
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
    const RecoveryOutcome outcome =
        RecoverInterruptedCalls(*player_, values_.tempFolder, settings_.CallPath, prompter_);
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
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    showNormal();
    raise();
    activateWindow();
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
    for (auto& [which, t] : timers_)
        t->stop();
    close();
    QApplication::quit();
}

void MainWindow::onQuit() {
    if (rules_.Quit()) endNow();
}

void MainWindow::onEditNote() {
    if (rowCount() == 0) return;
    const QString key = selectedKey();
    if (key.isEmpty()) return;
    DialogNoteEditor editor(this);
    EditCallNote(key, calls_, *this, editor);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (ending_ || rules_.Unload()) {
        // Closing the window is not Quit: nobody was warned, so a running call is kept.
        if (!ending_) controller_->EndCallForShutdown();
        ending_ = true;
        for (auto& [which, t] : timers_)
            t->stop();
        event->accept();
        QApplication::quit();
    } else {
        event->ignore();
    }
}

void MainWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) {
        for (aurxqt::AurxWidget* control : {AURXCtrl_, AURXPlayer_})
            control->setWatchingEvents(!isMinimized());
        if (!isMinimized())
            for (std::size_t i = 0; i < panels_.size(); ++i)
                if (panels_[i]) panels_[i]->setText(panelTexts_[i]);
    }
    if (event->type() == QEvent::WindowStateChange && loaded_ && !ending_) rules_.StateChanged();
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (loaded_ && !ending_ && isVisible()) rules_.StateChanged();
}

void MainWindow::setPanelText(int panel, const QString& text) {
    if (panel < 1 || panel > static_cast<int>(panels_.size())) return;
    const auto i = static_cast<std::size_t>(panel - 1);
    panelTexts_[i] = text;
    // The clock changes every second all day: a minimised window is shown its texts when it
    // comes back, rather than laid out for each.
    if (!isMinimized() && panels_[i]->text() != text) panels_[i]->setText(text);
}

void MainWindow::setIndicator(bool recording, const QString& tooltip) {
    imgRecording_->setPixmap(lampPicture(recording ? QColor(Qt::red) : QColor(Qt::green)));
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
    return panelTexts_[static_cast<std::size_t>(panel - 1)];
}

QTimer& MainWindow::timer(MainTimer which) {
    return *timers_.at(which);
}

void MainWindow::start(MainTimer which) {
    timer(which).start();
}

void MainWindow::stop(MainTimer which) {
    timer(which).stop();
}

bool MainWindow::isActive(MainTimer which) const {
    return timers_.at(which)->isActive();
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
    // Five times a second all day: a minimised window is not laid out again for labels
    // nobody sees, and an unchanged text is not set again.
    if (isMinimized()) return;
    if (lblLeftLevel_->text() != left) lblLeftLevel_->setText(left);
    if (lblRightLevel_->text() != right) lblRightLevel_->setText(right);
}

void MainWindow::setButtonEnabled(MainButton button, bool enabled) {
    if (const auto it = buttons_.find(button); it != buttons_.end())
        it->second->setEnabled(enabled);
}

void MainWindow::runOptions() {
    if (!askOptionsPassword(this, globals_, prompter_)) return;
    OptionsServices services;
    services.browseForFolder = &BrowseForFolder;
    services.calibrate = [this](QWidget* parent) {
        return RunCalibrationWizard(parent, *recorder_, prompter_, settings_.gsmFormat());
    };
    services.changePassword = [this](QWidget* parent) {
        return changeOptionsPassword(parent, settings_, globals_, prompter_);
    };
    services.autostart.emplace(AutostartEntry::defaultFolder(),
                               QCoreApplication::applicationFilePath());
    OptionsDialog dialog(this, settings_, globals_, *recorder_, prompter_, std::move(services));
    dialog.exec();
}

}  // namespace parlaro

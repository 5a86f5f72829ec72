// The main window's library side: places and folders, the call list and its menu, and the
// playback row. The rules live in the library's plain classes; this only shows and forwards.
#include "app/MainWindow.h"

#include "app/library/model/CallListModel.h"
#include "app/library/model/Folders.h"
#include "app/library/sharing/CallDropping.h"
#include "app/library/ui/CallColumns.h"
#include "app/library/ui/DropFilter.h"
#include "app/library/ui/ListKeyFilter.h"
#include "app/library/ui/NewFolderDialog.h"
#include "app/library/ui/QtSaveDialogs.h"
#include "app/library/ui/WaveformStrip.h"
#include "app/options/OptionsDialog.h"
#include "app/recording/CallRecovery.h"
#include "app/recording/TimeText.h"
#include "app/support/ResizeFilter.h"
#include "core/calls/CallFiles.h"
#include "core/calls/CallName.h"
#include "core/calls/CallsFolderAccess.h"
#include "core/support/RuntimeErrors.h"
#include "recorder/qt/AurxWidget.h"

#include <QActionGroup>
#include <QComboBox>
#include <QDir>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>

namespace parlaro {

QWidget* MainWindow::buildLibrarySide(QWidget* parent) {
    auto* area = new QWidget(parent);
    auto* layout = new QHBoxLayout(area);
    layout->setContentsMargins(0, 0, 0, 0);

    auto* foldersColumn = new QVBoxLayout;
    drvList_ = new QComboBox(area);
    drvList_->setObjectName("drvList");
    drvList_->setToolTip("Disks and shares");
    for (const Place& place : ListPlaces(QDir::homePath()))
        drvList_->addItem(place.label, place.path);
    foldersColumn->addWidget(drvList_);
    dirList_ = new QTreeView(area);
    dirList_->setObjectName("dirList");
    refreshFolders();
    dirList_->setHeaderHidden(true);
    dirList_->setContextMenuPolicy(Qt::CustomContextMenu);
    dirList_->setMinimumWidth(180);
    foldersColumn->addWidget(dirList_, 1);
    auto* folderButtons = new QHBoxLayout;
    for (const auto& [name, text, tip] :
         std::array<std::tuple<const char*, const char*, const char*>, 4>{{
             {"btnHome", "&Home", "Go to the calls folder"},
             {"cmdNewFolder", "New &Folder", "Make a folder in the folder shown"},
             {"btnDelFolder", "&Delete Folder", "Delete the folder shown (only when empty)"},
             {"cmdFind", "&Find...", "Find calls by user, date, note or length"},
         }}) {
        auto* b = new QPushButton(text, area);
        b->setObjectName(name);
        b->setToolTip(tip);
        b->setAutoDefault(false);
        folderButtons->addWidget(b);
    }
    foldersColumn->addLayout(folderButtons);
    layout->addLayout(foldersColumn, 1);

    auto* callsColumn = new QVBoxLayout;
    callModel_ = new CallListModel(calls_, this);
    lvwCalls_ = new QTreeView(area);
    lvwCalls_->setObjectName("lvwCalls");
    lvwCalls_->setModel(callModel_);
    lvwCalls_->setRootIsDecorated(false);
    lvwCalls_->setUniformRowHeights(true);
    lvwCalls_->setAllColumnsShowFocus(true);
    lvwCalls_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lvwCalls_->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvwCalls_->setContextMenuPolicy(Qt::CustomContextMenu);
    lvwCalls_->header()->setStretchLastSection(true);
    columns_ = std::make_unique<CallColumns>(*lvwCalls_);
    callsColumn->addWidget(lvwCalls_, 1);
    txtCallNote_ = new QPlainTextEdit(area);
    txtCallNote_->setObjectName("txtCallNote");
    txtCallNote_->setToolTip("The note of the selected call");
    txtCallNote_->setMaximumHeight(72);
    callsColumn->addWidget(txtCallNote_);
    layout->addLayout(callsColumn, 3);

    mnuPopup_ = new QMenu(this);
    mnuPopup_->setObjectName("mnuPopup");
    for (const auto& [name, text] : std::array<std::pair<const char*, const char*>, 5>{{
             {"mnuPopupPlayCall", "Play Call"},
             {"mnuPopupEditNote", "Edit Call Note"},
             {"mnuPopupDeleteCall", "Delete Call/s"},
             {"mnuPopupEmailCall", "Email Call/s"},
             {"mnuPopupSaveCall", "Save Call/s"},
         }}) {
        QAction* a = mnuPopup_->addAction(text);
        a->setObjectName(name);
    }
    buildSendAsMenu();
    return area;
}

QLayout* MainWindow::buildPlaybackRow(QWidget* parent) {
    auto* rows = new QVBoxLayout;
    auto* controls = new QHBoxLayout;
    addButton("cmdRecord", "&Record (F9)", "Record a call by hand", MainButton::Record);
    addButton("cmdStop", "S&top (F10)", "End the recording or the playback", MainButton::Stop);
    addButton("cmdPause", "&Pause", "Pause or resume", MainButton::Pause);
    addButton("cmdPlay", "P&lay (F11)", "Play the selected call", MainButton::Play);
    addButton("cmdPBOffsetMinus30", "<< 30", "Rewind call playback 30 seconds",
              MainButton::Rewind30);
    addButton("cmdPBOffsetMinus10", "< 10", "Rewind call playback 10 seconds",
              MainButton::Rewind10);
    addButton("cmdPBOffsetPlus10", "10 >", "Advance call playback 10 seconds",
              MainButton::Advance10);
    addButton("cmdPBOffsetPlus30", "30 >>", "Advance call playback 30 seconds",
              MainButton::Advance30);
    for (MainButton b :
         {MainButton::Record, MainButton::Stop, MainButton::Pause, MainButton::Play,
          MainButton::Rewind30, MainButton::Rewind10, MainButton::Advance10, MainButton::Advance30})
        controls->addWidget(buttons_[b]);
    controls->addStretch();
    rows->addLayout(controls);

    auto* position = new QHBoxLayout;
    auto* track = new QVBoxLayout;
    track->setSpacing(0);
    picWaveform_ = new WaveformStrip(parent);
    track->addWidget(picWaveform_);
    sldPlayBackPos_ = new QSlider(Qt::Horizontal, parent);
    sldPlayBackPos_->setObjectName("sldPlayBackPos");
    sldPlayBackPos_->setToolTip("Position in the call");
    sldPlayBackPos_->setRange(0, 0);
    track->addWidget(sldPlayBackPos_);
    position->addLayout(track, 1);
    lblPlaybackPos_ = new QLabel("00:00:00", parent);
    lblPlaybackPos_->setObjectName("lblPlaybackPos");
    position->addWidget(lblPlaybackPos_);
    rows->addLayout(position);
    return rows;
}

void MainWindow::connectLibrarySide() {
    auto button = [this](const char* name) { return findChild<QPushButton*>(name); };
    connect(button("btnHome"), &QPushButton::clicked, this, &MainWindow::onHome);
    connect(button("cmdNewFolder"), &QPushButton::clicked, this, &MainWindow::onNewFolder);
    connect(button("btnDelFolder"), &QPushButton::clicked, this, &MainWindow::onDeleteFolder);
    connect(button("cmdFind"), &QPushButton::clicked, this, &MainWindow::onFind);
    connect(drvList_, &QComboBox::activated, this,
            [this](int i) { SetDirListPath(drvList_->itemData(i).toString()); });
    connect(dirList_, &QTreeView::clicked, this, [this](const QModelIndex& index) {
        SetDirListPath(folders_->filePath(index));
        settings_.SearchPath = dirListPath();
    });
    connect(dirList_, &QTreeView::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu menu(this);
        menu.setObjectName("mnuFolder");
        menu.setTitle("Folder");
        menu.addAction("New Folder", this, &MainWindow::onNewFolder)->setObjectName("mnuFolderNew");
        menu.addAction("Delete Folder", this, &MainWindow::onDeleteFolder)
            ->setObjectName("mnuFolderDelete");
        menu.addAction("Make default folder", this, &MainWindow::onMakeDefaultFolder)
            ->setObjectName("mnuFolderDefault");
        menu.addAction("Show all calls in folder", this, &MainWindow::onShowAllCalls)
            ->setObjectName("mnuFolderShowAll");
        menu.exec(dirList_->viewport()->mapToGlobal(at));
    });

    connect(lvwCalls_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { ShowSelectedNote(*this, calls_); });
    connect(lvwCalls_, &QTreeView::doubleClicked, this, &MainWindow::onListActivated);
    lvwCalls_->installEventFilter(new ListKeyFilter(
        this,
        [this] {
            if (rowCount() > 0) onListActivated();
        },
        [this] {
            if (rowCount() > 0) onDeleteCalls();
        }));
    // The columns follow the list's own width, which the layout settles after the window.
    lvwCalls_->viewport()->installEventFilter(new ResizeFilter(this, [this] {
        // Only a change of width matters; the status bar's texts move nothing here.
        const int width = lvwCalls_->viewport()->width();
        if (width == fittedWidth_) return;
        fittedWidth_ = width;
        FitCallColumns();
    }));
    connect(lvwCalls_, &QTreeView::customContextMenuRequested, this, &MainWindow::showCallMenu);
    connect(findChild<QAction*>("mnuPopupPlayCall"), &QAction::triggered, this,
            [this] { playback_->PlayCall(selectedKey(), calls_); });
    connect(findChild<QAction*>("mnuPopupEditNote"), &QAction::triggered, this,
            &MainWindow::onEditNote);
    connect(findChild<QAction*>("mnuPopupDeleteCall"), &QAction::triggered, this,
            &MainWindow::onDeleteCalls);
    connect(findChild<QAction*>("mnuPopupSaveCall"), &QAction::triggered, this,
            &MainWindow::onSaveCalls);
    connect(findChild<QAction*>("mnuPopupEmailCall"), &QAction::triggered, this,
            &MainWindow::onEmailCalls);
    connect(buttons_[MainButton::Save], &QPushButton::clicked, this, &MainWindow::onSaveCalls);
    connect(buttons_[MainButton::Email], &QPushButton::clicked, this, &MainWindow::onEmailCalls);
    lvwCalls_->setAcceptDrops(true);
    lvwCalls_->viewport()->setAcceptDrops(true);
    lvwCalls_->viewport()->installEventFilter(
        new DropFilter(this, [this](const QStringList& files) { dropFiles(files); }));

    connect(sldPlayBackPos_, &QSlider::sliderPressed, this,
            [this] { playback_->onSliderPressed(); });
    connect(sldPlayBackPos_, &QSlider::sliderMoved, this,
            [this](int v) { playback_->onSliderMoved(v); });
    connect(sldPlayBackPos_, &QSlider::sliderReleased, this,
            [this] { playback_->onSliderReleased(); });
    connect(picWaveform_, &WaveformStrip::seekRequested, this,
            [this](double at) { playback_->seekTo(at); });
    for (const auto& [role, seconds, forward] :
         std::array<std::tuple<MainButton, int, bool>, 4>{{{MainButton::Rewind10, 10, false},
                                                           {MainButton::Rewind30, 30, false},
                                                           {MainButton::Advance10, 10, true},
                                                           {MainButton::Advance30, 30, true}}}) {
        connect(buttons_[role], &QPushButton::clicked, this,
                [this, seconds = seconds, forward = forward] {
                    if (forward) {
                        playback_->onAdvance(seconds);
                    } else {
                        playback_->onRewind(seconds);
                    }
                });
    }
}

void MainWindow::refreshFolders() {
    const QString current = folders_ ? dirListPath() : QString();
    // The tree does not watch the disk: a busy home or temporary folder above the calls
    // would keep the window working all day. It is read afresh after the window's own
    // folder changes instead.
    auto* fresh = new QFileSystemModel(this);
    fresh->setOptions(QFileSystemModel::DontWatchForChanges |
                      QFileSystemModel::DontUseCustomDirectoryIcons);
    fresh->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    fresh->setRootPath("/");
    dirList_->setModel(fresh);
    for (int c = 1; c < fresh->columnCount(); ++c)
        dirList_->hideColumn(c);
    // Folders are read in the background: bring the current one into view once its
    // parents have been read.
    connect(fresh, &QFileSystemModel::directoryLoaded, dirList_, [this] {
        if (dirList_->currentIndex().isValid()) dirList_->scrollTo(dirList_->currentIndex());
    });
    if (folders_) folders_->deleteLater();
    folders_ = fresh;
    if (!current.isEmpty()) SetDirListPath(ExistingFolderAtOrAbove(current));
}

void MainWindow::addRecordedCall(const CallRecord& call) {
    try {
        AddRecordedCall(calls_, call);
        callModel_->callAddedAtTop();
        FitCallColumns();
    } catch (const std::exception& e) {
        prompter_.show(libraryErrorMessage("frmMain:StopRecording", e));
    }
}

bool MainWindow::listed(const QString& recordingPath) const {
    const QString wanted = QDir::cleanPath(recordingPath);
    for (const CallRecord& c : calls_)
        if (QDir::cleanPath(c.RecordingLocation) == wanted) return true;
    return false;
}

void MainWindow::listArrivedCalls(std::vector<CallRecord> arrived) {
    for (CallRecord& call : arrived) {
        if (listed(call.RecordingLocation)) continue;
        call.CallNote = getCallNote(call.RecordingLocation, prompter_);
        addRecordedCall(call);
    }
}

void MainWindow::callsFiled() {
    // The list is being filled: it is looked at again once it is.
    if (searching_) {
        filedWhileSearching_ = true;
        return;
    }
    // Only the calls folder's own list can gain calls from the mover.
    const auto folder = [](QString f) { return f.endsWith('/') ? f : f + '/'; };
    const QString calls = folder(settings_.CallPath);
    if (QDir::cleanPath(folder(settings_.SearchPath)) != QDir::cleanPath(calls)) return;
    listArrivedCalls(filedCalls_.arrived(calls));
}

void MainWindow::listRecoveredCalls() {
    if (recovered_.isEmpty()) return;
    const QString calls =
        settings_.CallPath.endsWith('/') ? settings_.CallPath : settings_.CallPath + '/';
    std::vector<CallRecord> found;
    for (const QString& name : recovered_) {
        std::optional<CallRecord> call = CallFromCommonName(name);
        if (!call) continue;
        call->RecordingLocation = calls + name;
        found.push_back(std::move(*call));
    }
    for (CallRecord& call : found) {
        if (listed(call.RecordingLocation)) continue;
        call.CallNote = kRecoveredNote;
        addRecordedCall(call);
    }
    status_.SetStatus(
        recovered_.size() == 1
            ? "Recovered a call cut off when Parlaro last ended: " + recovered_[0]
            : QString("Recovered %1 calls cut off when Parlaro last ended").arg(recovered_.size()));
    recovered_.clear();
}

void MainWindow::stopPlayback() {
    playback_->StopPlayback();
}

void MainWindow::playSelectedCall() {
    playback_->onPlay(rowCount() > 0 ? selectedKey() : QString(), calls_);
}

void MainWindow::onListActivated() {
    if (!settings_.CanPlay) {
        prompter_.show({kProductName, "You are not permitted to play back calls", Icon::Information,
                        Buttons::Ok});
        return;
    }
    const QString key = selectedKey();
    if (!key.isEmpty()) playback_->PlayCall(key, calls_);
}

void MainWindow::showCallMenu(const QPoint& at) {
    const QModelIndex index = lvwCalls_->indexAt(at);
    if (!index.isValid()) return;
    if (!lvwCalls_->selectionModel()->isRowSelected(index.row(), {})) selectRow(index.row());
    const int selected = static_cast<int>(lvwCalls_->selectionModel()->selectedRows().size());
    const bool one = selected == 1 && settings_.CanPlay;
    findChild<QAction*>("mnuPopupPlayCall")->setEnabled(one);
    findChild<QAction*>("mnuPopupEditNote")->setEnabled(one);
    std::vector<QString> users;
    for (const QModelIndex& row : lvwCalls_->selectionModel()->selectedRows())
        users.push_back(
            callModel_->data(row.siblingAtColumn(CallListModel::User), Qt::DisplayRole).toString());
    findChild<QAction*>("mnuPopupDeleteCall")
        ->setEnabled(CanDeleteSelection(users, deletePermissions()));
    findChild<QAction*>("mnuPopupEmailCall")->setEnabled(settings_.CanPlay);
    findChild<QAction*>("mnuPopupSaveCall")->setEnabled(settings_.CanPlay);
    const QString chosen = "mnuSendAs" + SendAsName(SendAsFromSetting(settings_.ShareFormat));
    findChild<QAction*>(chosen)->setChecked(true);
    mnuPopup_->popup(lvwCalls_->viewport()->mapToGlobal(at));
}

DeletePermissions MainWindow::deletePermissions() const {
    return {settings_.CanDelete, settings_.DeleteOwnOnly, values_.userName};
}

void MainWindow::onDeleteCalls() {
    DeleteCall(
        calls_, *this, deletePermissions(),
        [this](const QString& recording) { playback_->releaseCall(recording); }, prompter_);
    ShowSelectedNote(*this, calls_);
}

std::vector<QString> MainWindow::selectedRecordings() const {
    // Row n shows record n + 1.
    std::vector<QString> recordings;
    int row = 0;
    for (const CallRecord& call : calls_) {
        if (row >= rowCount()) break;
        if (isRowSelected(row++)) recordings.push_back(call.RecordingLocation);
    }
    return recordings;
}

void MainWindow::onSaveCalls() {
    if (rowCount() == 0) return;
    if (!saving_) {
        saveDialogs_ = std::make_unique<QtSaveDialogs>(this);
        saving_ = std::make_unique<CallSaving>(prompter_, *saveDialogs_, *this, [this] {
            if (playback_->playing()) playback_->StopPlayback();
        });
    }
    saving_->SaveCalls(selectedRecordings(), SendAsFromSetting(settings_.ShareFormat));
}

void MainWindow::onEmailCalls() {
    if (rowCount() == 0) return;
    DesktopMailer mailer;
    CallEmailing emailing(*player_, prompter_, mailer, *this, mailAttachments_, [this] {
        if (playback_->playing()) playback_->StopPlayback();
    });
    emailing.EmailCalls(selectedRecordings(), SendAsFromSetting(settings_.ShareFormat));
}

void MainWindow::buildSendAsMenu() {
    QMenu* sendAs = mnuPopup_->addMenu("Send as");
    sendAs->setObjectName("mnuSendAs");
    auto* choices = new QActionGroup(sendAs);
    for (const SendAs format : {SendAs::Original, SendAs::Opus, SendAs::Mp3}) {
        QAction* a = sendAs->addAction(SendAsName(format));
        a->setObjectName("mnuSendAs" + SendAsName(format));
        a->setCheckable(true);
        a->setActionGroup(choices);
        connect(a, &QAction::triggered, this, [this, format] {
            settings_.ShareFormat = static_cast<int32_t>(format);
            globals_.WriteSettingLong("ShareFormat", settings_.ShareFormat);
        });
    }
}

void MainWindow::dropFiles(const QStringList& files) {
    FilesDropped(files, *player_, *playback_, prompter_);
}

void MainWindow::setBusyPointer(bool busy) {
    // Only over the window: the dialogs the operation opens keep their normal pointer.
    if (busy) {
        setCursor(Qt::WaitCursor);
    } else {
        unsetCursor();
    }
}

bool MainWindow::isRowSelected(int row) const {
    return lvwCalls_->selectionModel()->isRowSelected(row, {});
}

void MainWindow::removeCall(int row) {
    callModel_->removeCall(row);
}

void MainWindow::selectRow(int row) {
    lvwCalls_->selectionModel()->setCurrentIndex(
        callModel_->index(row, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

int MainWindow::rowCount() const {
    return callModel_->rowCount();
}

QString MainWindow::selectedKey() const {
    const QModelIndex current = lvwCalls_->currentIndex();
    return current.isValid() ? callModel_->keyAt(current.row()) : QString();
}

void MainWindow::setRowNote(const QString& key, const QString&) {
    callModel_->callChanged(key);
}

void MainWindow::setNoteBox(const QString& text) {
    txtCallNote_->setPlainText(text);
}

void MainWindow::LayoutCallColumns() {
    columns_->read(globals_);
    FitCallColumns();
}

void MainWindow::FitCallColumns() {
    columns_->fit();
    setPanelText(3, QString::number(rowCount()) + " call/s");
}

std::array<int32_t, 5> MainWindow::columnWidthsTwips() const {
    return columns_->widthsTwips();
}

bool MainWindow::SetDirListPath(const QString& path) {
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isDir()) return false;
    const QModelIndex index = folders_->index(info.absoluteFilePath());
    if (!index.isValid()) return false;
    dirList_->setCurrentIndex(index);
    dirList_->scrollTo(index);
    return true;
}

QString MainWindow::dirListPath() const {
    const QModelIndex current = dirList_->currentIndex();
    if (!current.isValid()) return settings_.SearchPath;
    QString path = folders_->filePath(current);
    return path.endsWith('/') ? path : path + "/";
}

void MainWindow::onHome() {
    if (!SetDirListPath(settings_.CallPath)) {
        MakeCallsFolder(settings_.CallPath);
        if (!SetDirListPath(settings_.CallPath)) {
            prompter_.show(
                {kProductName, "Unable to set default folder!", Icon::Exclamation, Buttons::Ok});
            return;
        }
    }
    settings_.SearchPath = dirListPath();
    globals_.WriteSetting("SearchPath", settings_.SearchPath);
}

void MainWindow::onNewFolder() {
    NewFolderDialog dialog(this, dirListPath(), prompter_);
    if (dialog.exec() == QDialog::Accepted) refreshFolders();
}

void MainWindow::onDeleteFolder() {
    QString path = dirListPath();
    if (path.endsWith('/') && path.size() > 1) path.chop(1);
    try {
        if (!DeleteCallFolder(path, prompter_)) return;
    } catch (const std::exception& e) {
        prompter_.show(libraryErrorMessage("frmMain:btnDelFolder_Click", e));
        return;
    }
    const QString current =
        settings_.SearchPath.endsWith('/') ? settings_.SearchPath.chopped(1) : settings_.SearchPath;
    if (current == path) {
        callModel_->beginRefill();
        calls_.clear();
        callModel_->endRefill();
        FitCallColumns();
        setNoteBox("");
    }
    refreshFolders();
    SetDirListPath(ExistingFolderAtOrAbove(path));
    settings_.SearchPath = dirListPath();
}

void MainWindow::onMakeDefaultFolder() {
    const QString path = dirListPath();
    if (prompter_.show({"Set Default", "Make " + path + " your recorded calls folder?",
                        Icon::Question, Buttons::OkCancel}) != Answer::Ok)
        return;
    settings_.CallPath = path;
    globals_.WriteSetting("CallPath", path);
}

void MainWindow::setSliderMaximum(int seconds) {
    sldPlayBackPos_->setMaximum(seconds);
}

void MainWindow::setSliderValue(int seconds) {
    sldPlayBackPos_->setValue(seconds);
    picWaveform_->setPosition(seconds);
}

int MainWindow::sliderValue() const {
    return sldPlayBackPos_->value();
}

void MainWindow::setPositionText(const QString& text) {
    lblPlaybackPos_->setText(text);
}

void MainWindow::setPositionTimer(bool running) {
    if (running) {
        start(MainTimer::PlaybackPos);
    } else {
        stop(MainTimer::PlaybackPos);
    }
}

void MainWindow::showOpenCall(const QString& path) {
    picWaveform_->showCall(path, path.isEmpty() ? 0.0 : player_->TotalTime());
}

}  // namespace parlaro

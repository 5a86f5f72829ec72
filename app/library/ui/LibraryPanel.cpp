#include "app/library/ui/LibraryPanel.h"

#include "app/library/sharing/CallDropping.h"
#include "app/library/sharing/CallEmailing.h"
#include "app/library/ui/CallFinder.h"
#include "app/library/ui/CallListPane.h"
#include "app/library/ui/EditNoteDialog.h"
#include "app/library/ui/FindCallDialog.h"
#include "app/library/ui/FolderPane.h"
#include "app/library/ui/QtSaveDialogs.h"
#include "app/recording/CallRecovery.h"
#include "core/calls/CallFiles.h"
#include "core/calls/CallName.h"
#include "core/calls/CallsFolderAccess.h"
#include "core/support/RuntimeErrors.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>

namespace parlaro {

LibraryPanel::LibraryPanel(QWidget* parent, LibraryContext context, LibraryParts parts)
    : QWidget(parent), context_(context), parts_(std::move(parts)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    folders_ = new FolderPane(this, context_);
    layout->addWidget(folders_, 1);
    list_ = new CallListPane(this, context_);
    layout->addWidget(list_, 3);
    finder_ = std::make_unique<CallFinder>(
        context_, *list_, *folders_, filedCalls_,
        [this] {
            if (std::exchange(filedWhileSearching_, false)) callsFiled();
        },
        parts_.ending);

    connect(folders_, &FolderPane::findRequested, this, &LibraryPanel::onFind);
    connect(folders_, &FolderPane::showAllRequested, this, &LibraryPanel::onShowAllCalls);
    connect(folders_, &FolderPane::shownFolderDeleted, list_, &CallListPane::clearCalls);
    connect(list_, &CallListPane::activated, this, &LibraryPanel::onListActivated);
    connect(list_, &CallListPane::playRequested, this,
            [this] { parts_.playback.PlayCall(list_->selectedKey(), calls()); });
    connect(list_, &CallListPane::editNoteRequested, this, &LibraryPanel::onEditNote);
    connect(list_, &CallListPane::deleteRequested, this, &LibraryPanel::onDeleteCalls);
    connect(list_, &CallListPane::saveRequested, this, &LibraryPanel::onSaveCalls);
    connect(list_, &CallListPane::emailRequested, this, &LibraryPanel::onEmailCalls);
    connect(list_, &CallListPane::filesDropped, this, &LibraryPanel::dropFiles);
}

LibraryPanel::~LibraryPanel() = default;

CallCollection& LibraryPanel::calls() {
    return list_->calls();
}

int LibraryPanel::rowCount() const {
    return list_->rowCount();
}

void LibraryPanel::openCallsFolder() {
    AppSettings& settings = context_.settings;
    if (const auto unusable = MakeCallsFolder(settings.CallPath)) {
        // Said once here, rather than by every listing of it that fails.
        context_.prompter.show({kProductName,
                                QString("The calls folder %1 cannot be used (%2). Calls stay in "
                                        "%3 until it can.")
                                    .arg(settings.CallPath, *unusable, context_.values.tempFolder),
                                Icon::Exclamation, Buttons::Ok});
    }
    // A current folder that has gone (a removed disk, a share not mounted) falls back to the
    // calls folder rather than greeting the user with an error.
    if (!folders_->SetDirListPath(settings.SearchPath)) {
        folders_->SetDirListPath(settings.CallPath);
        settings.SearchPath = settings.CallPath;
    }
    list_->LayoutCallColumns();
    if (QFileInfo(settings.CallPath).isDir()) finder_->ShowTodaysCalls();
}

void LibraryPanel::listRecoveredCalls(const QStringList& recovered) {
    if (recovered.isEmpty()) return;
    const QString& callPath = context_.settings.CallPath;
    const QString calls = callPath.endsWith('/') ? callPath : callPath + '/';
    std::vector<CallRecord> found;
    for (const QString& name : recovered) {
        std::optional<CallRecord> call = CallFromCommonName(name);
        if (!call) continue;
        call->RecordingLocation = calls + name;
        found.push_back(std::move(*call));
    }
    for (CallRecord& call : found) {
        if (list_->listed(call.RecordingLocation)) continue;
        call.CallNote = kRecoveredNote;
        addRecordedCall(call);
    }
    context_.status.SetStatus(
        recovered.size() == 1
            ? "Recovered a call cut off when Parlaro last ended: " + recovered[0]
            : QString("Recovered %1 calls cut off when Parlaro last ended").arg(recovered.size()));
}

void LibraryPanel::addRecordedCall(const CallRecord& call) {
    try {
        list_->addAtTop(call);
    } catch (const std::exception& e) {
        context_.prompter.show(libraryErrorMessage("frmMain:StopRecording", e));
    }
}

void LibraryPanel::listArrivedCalls(std::vector<CallRecord> arrived) {
    for (CallRecord& call : arrived) {
        if (list_->listed(call.RecordingLocation)) continue;
        call.CallNote = getCallNote(call.RecordingLocation, context_.prompter);
        addRecordedCall(call);
    }
}

void LibraryPanel::callsFiled() {
    // The list is being filled: it is looked at again once it is.
    if (finder_->searching()) {
        filedWhileSearching_ = true;
        return;
    }
    // Only the calls folder's own list can gain calls from the mover.
    const auto folder = [](QString f) { return f.endsWith('/') ? f : f + '/'; };
    const QString calls = folder(context_.settings.CallPath);
    if (QDir::cleanPath(folder(context_.settings.SearchPath)) != QDir::cleanPath(calls)) return;
    listArrivedCalls(filedCalls_.arrived(calls));
}

void LibraryPanel::playSelectedCall() {
    parts_.playback.onPlay(rowCount() > 0 ? list_->selectedKey() : QString(), calls());
}

void LibraryPanel::onListActivated() {
    if (!context_.settings.CanPlay) {
        context_.prompter.show({kProductName, "You are not permitted to play back calls",
                                Icon::Information, Buttons::Ok});
        return;
    }
    const QString key = list_->selectedKey();
    if (!key.isEmpty()) parts_.playback.PlayCall(key, calls());
}

void LibraryPanel::onEditNote() {
    if (rowCount() == 0) return;
    const QString key = list_->selectedKey();
    if (key.isEmpty()) return;
    DialogNoteEditor editor(window());
    EditCallNote(key, calls(), *list_, editor);
}

void LibraryPanel::onDeleteCalls() {
    DeleteCall(
        calls(), *list_, list_->deletePermissions(),
        [this](const QString& recording) { parts_.playback.releaseCall(recording); },
        context_.prompter);
    ShowSelectedNote(*list_, calls());
}

void LibraryPanel::onSaveCalls() {
    if (rowCount() == 0) return;
    if (!saving_) {
        saveDialogs_ = std::make_unique<QtSaveDialogs>(window());
        saving_ = std::make_unique<CallSaving>(context_.prompter, *saveDialogs_, *this, [this] {
            if (parts_.playback.playing()) parts_.playback.StopPlayback();
        });
    }
    saving_->SaveCalls(list_->selectedRecordings(),
                       SendAsFromSetting(context_.settings.ShareFormat));
}

void LibraryPanel::onEmailCalls() {
    if (rowCount() == 0) return;
    DesktopMailer mailer;
    CallEmailing emailing(parts_.player, context_.prompter, mailer, *this, mailAttachments_,
                          [this] {
                              if (parts_.playback.playing()) parts_.playback.StopPlayback();
                          });
    emailing.EmailCalls(list_->selectedRecordings(),
                        SendAsFromSetting(context_.settings.ShareFormat));
}

void LibraryPanel::dropFiles(const QStringList& files) {
    FilesDropped(files, parts_.player, parts_.playback, context_.prompter);
}

void LibraryPanel::showCallMenu(const QPoint& at) {
    list_->showCallMenu(at);
}

void LibraryPanel::focusCallList() {
    list_->focusList();
}

void LibraryPanel::onShowAllCalls() {
    finder_->onShowAllCalls();
}

void LibraryPanel::onFind() {
    finder_->onFind();
}

FindCallDialog* LibraryPanel::findDialog() const {
    return finder_->dialog();
}

void LibraryPanel::closeFindDialog() {
    if (FindCallDialog* dialog = finder_->dialog()) dialog->close();
}

std::array<int32_t, 5> LibraryPanel::columnWidthsTwips() const {
    return list_->columnWidthsTwips();
}

void LibraryPanel::setButtonEnabled(MainButton button, bool enabled) {
    parts_.buttons.setEnabled(button, enabled);
}

void LibraryPanel::setBusyPointer(bool busy) {
    // Only over the window: the dialogs the operation opens keep their normal pointer.
    if (busy) {
        window()->setCursor(Qt::WaitCursor);
    } else {
        window()->unsetCursor();
    }
}

}  // namespace parlaro

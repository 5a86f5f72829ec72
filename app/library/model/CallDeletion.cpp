#include "app/library/model/CallDeletion.h"

#include "app/recording/StatusDisplay.h"
#include "core/calls/CallFiles.h"

#include <QFile>

#include <unistd.h>
#include <cerrno>
#include <cstring>

namespace parlaro {

namespace {

// Removes a file whatever its own permissions (only the folder's count); a file already gone
// counts as removed. Returns the reason when it stays.
QString removeFile(const QString& path) {
    if (::unlink(QFile::encodeName(path).constData()) == 0 || errno == ENOENT) return {};
    return QString::fromLocal8Bit(std::strerror(errno));
}

}  // namespace

bool CanDeleteSelection(const std::vector<QString>& selectedUsers, const DeletePermissions& may) {
    if (!may.CanDelete) return false;
    if (!may.DeleteOwnOnly) return true;
    for (const QString& user : selectedUsers)
        if (user != may.userName) return false;
    return true;
}

void DeleteCall(CallCollection& calls, SelectedCallsView& list, const DeletePermissions& may,
                const std::function<void(const QString& recording)>& releasePlayer,
                Prompter& prompter) {
    if (!may.CanDelete) return;
    for (int row = list.rowCount() - 1; row >= 0; --row) {
        if (!list.isRowSelected(row) || row >= calls.Count()) continue;
        const CallRecord& call = calls.Item(row + 1);
        if (may.DeleteOwnOnly && call.LoginName != may.userName) continue;
        list.setNoteBox("");
        const QString recording = call.RecordingLocation;
        if (releasePlayer) releasePlayer(recording);
        if (const QString why = removeFile(recording); !why.isEmpty()) {
            prompter.show({kProductName, "The call " + recording + " could not be deleted: " + why,
                           Icon::Exclamation, Buttons::Ok});
            continue;
        }
        // The recording is gone, so the call leaves the list even if its note stays behind.
        const QString note = NotePath(recording);
        if (const QString why = note == recording ? QString() : removeFile(note); !why.isEmpty()) {
            prompter.show({kProductName, "The note " + note + " could not be deleted: " + why,
                           Icon::Exclamation, Buttons::Ok});
        }
        list.removeCall(row);
    }
    list.FitCallColumns();
}

}  // namespace parlaro

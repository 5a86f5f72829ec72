#include "app/library/model/CallNotes.h"

#include "core/calls/CallFiles.h"
#include "core/calls/CallsFolderAccess.h"
#include "platform/posix/FileAccess.h"

#include <QFileInfo>
#include <QSaveFile>

namespace parlaro {

namespace {

QString forDisplay(QString note) {
    return note.replace("<CR>", "\n");
}

}  // namespace

void ShowSelectedNote(CallListView& list, CallCollection& calls) {
    list.setNoteBox("");
    const QString key = list.selectedKey();
    if (list.rowCount() == 0 || !key.contains('#')) return;
    QString note;
    try {
        note = callNote(GetCall(calls, key));
    } catch (const std::exception&) {
        return;  // a row without a record shows nothing
    }
    list.setNoteBox(forDisplay(note.isEmpty() ? QString("(No Note)") : note));
}

void EditCallNote(const QString& key, CallCollection& calls, CallListView& list,
                  NoteEditor& editor) {
    CallRecord* record = nullptr;
    try {
        record = &GetCall(calls, key);
    } catch (const std::exception&) {
        return;
    }
    const QString oldNote = callNote(*record);
    const std::optional<QString> edited = editor.edit(oldNote);
    if (!edited || *edited == oldNote) return;

    QString stored = *edited;
    stored.replace("\r\n", "<CR>").replace('\n', "<CR>").replace('\r', "<CR>");
    // Written beside the old note and put in its place in one step, so a failure keeps the
    // old note whole.
    const QString path = QString(record->RecordingLocation).replace(".wav", ".txt");
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return;
    // As private as the calls folder says, whatever the umask or the old note's permissions.
    aurx::posix::applyAccess(file.handle(), CallsFolderAccess(QFileInfo(path).absolutePath()),
                             false);
    if (file.write(stored.toUtf8()) < 0 || !file.commit()) return;
    record->CallNote = *edited;
    list.setRowNote(key, *edited);
    list.setNoteBox(forDisplay(*edited));
}

}  // namespace parlaro

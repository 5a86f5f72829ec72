#include "core/calls/CallFiles.h"

#include "core/calls/CallsFolderAccess.h"
#include "core/calls/NoteReading.h"
#include "core/support/AppError.h"
#include "core/support/RuntimeErrors.h"
#include "platform/posix/FdIo.h"
#include "platform/posix/FileAccess.h"
#include "platform/posix/UniqueFd.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <QFileInfo>

#include <array>
#include <cerrno>

namespace parlaro {

namespace {

const std::array<const char*, 12> kMonths{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

QString monthAbbreviation(const QString& digits) {
    bool ok = false;
    const int m = digits.toInt(&ok);
    return ok && m >= 1 && m <= 12 ? QString(kMonths[static_cast<std::size_t>(m - 1)]) : QString();
}

void writeAll(int fd, const QByteArray& bytes) {
    if (const int error =
            aurx::posix::writeAll(fd, bytes.constData(), static_cast<std::size_t>(bytes.size())))
        throw errorFromErrno(error);
}

}  // namespace

std::optional<CallFields> CallFieldsFromName(const QString& folder, const QString& fileName) {
    const QStringList f = fileName.left(fileName.size() - 4).split('-');
    const QString& f0 = f[0];
    CallFields call;
    call.CallDate = f0.right(2) + "-" + monthAbbreviation(f0.mid(4, 2)) + "-" + f0.left(4);
    if (!callDateFromText(call.CallDate)) return std::nullopt;
    if (f.size() < 4) return std::nullopt;
    call.LoginName = f[2];
    const QString& f1 = f[1];
    call.CallTime = f1.left(2) + ":" + f1.mid(2, 2) + ":" + f1.right(2);
    const auto time = callTimeFromText(call.CallTime);
    if (!time) return std::nullopt;
    call.CallTime = time->toString("hh:mm:ss");
    bool ok = false;
    call.CallDuration = f[3].toInt(&ok);
    if (!ok) return std::nullopt;
    call.RecordingLocation = (folder.endsWith('/') ? folder : folder + "/") + fileName;
    return call;
}

std::optional<CallFields> CallFromFileName(const QString& folder, const QString& fileName,
                                           Prompter& prompter) {
    auto call = CallFieldsFromName(folder, fileName);
    if (call) call->CallNote = getCallNote(call->RecordingLocation, prompter);
    return call;
}

QString callNoteText(const NoteFile& note) {
    switch (note.state) {
        case NoteFile::State::Text:
            return noteForDisplay(note.bytes);
        case NoteFile::State::Denied:
            return "<denied access to note file>";
        case NoteFile::State::Failed:
            throw errorFromErrno(note.error);
        case NoteFile::State::Missing:
        case NoteFile::State::NotAFile:
            break;
    }
    return "";
}

QString getCallNote(const QString& recordingPath, Prompter& prompter) {
    try {
        return callNoteText(
            readNoteAt(AT_FDCWD, QFile::encodeName(NotePath(recordingPath)).constData()));
    } catch (const std::exception& e) {
        prompter.show(libraryErrorMessage("frmMain:getCallNote Method", e));
        return "";
    }
}

const QString& callNote(CallRecord& call) {
    if (call.noteDeferred) {
        const NoteFile note =
            readNoteAt(AT_FDCWD, QFile::encodeName(NotePath(call.RecordingLocation)).constData());
        call.CallNote = note.state == NoteFile::State::Failed ? QString() : callNoteText(note);
        call.noteDeferred = false;
    }
    return call.CallNote;
}

void WriteCallNote(const CallRecord& call, const QString& callPath, Prompter& prompter) {
    const QString name = NotePath(QFileInfo(call.RecordingLocation).fileName());
    const QString path = (callPath.endsWith('/') ? callPath : callPath + "/") + name;
    try {
        // As private as the calls folder says; never written through a link in its place.
        const aurx::posix::UniqueFd fd(
            aurx::posix::openOrCreateFile(QFile::encodeName(path).toStdString(), O_WRONLY | O_TRUNC,
                                          CallsFolderAccess(callPath)));
        if (!fd && errno == ENOENT) throw AppError(errors::kPathNotFound, "Path not found");
        if (!fd) throw errorFromErrno(errno);
        writeAll(fd.get(), call.CallNote.toUtf8());
    } catch (const std::exception& e) {
        prompter.show(libraryErrorMessage("frmMain:WriteCallNote Method", e));
    }
}

CallRecord& GetCall(CallCollection& calls, const QString& rowKey) {
    return calls.Item(rowKey);
}

CallRecord& AddFoundCall(CallCollection& calls, const CallFields& c) {
    const int32_t number = calls.Count() + 1;
    QString key = QString::number(number);
    return calls.Add(number, c.LoginName, c.CallDate, c.CallTime, c.CallDuration, c.CallNote,
                     c.RecordingLocation, -1, key);
}

CallRecord& AddRecordedCall(CallCollection& calls, const CallRecord& c) {
    const int32_t number = calls.maxKey().toInt() + 1;
    QString key = QString::number(number);
    return calls.Add(number, c.LoginName, c.CallDate.toString(Qt::ISODate),
                     c.CallTime.toString("hh:mm:ss"), c.CallDuration, c.CallNote,
                     c.RecordingLocation, calls.Count() > 0 ? 1 : -1, key);
}

}  // namespace parlaro

#include "app/library/CallFiles.h"

#include "app/common/AppError.h"
#include "app/common/CallsFolderAccess.h"
#include "app/recording/RuntimeErrors.h"
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

// A note is a few lines; a huge file in its place is read only this far.
constexpr qsizetype kLargestNote = 64 * 1024;

QByteArray readAtMost(int fd, qsizetype limit) {
    QByteArray out(limit, Qt::Uninitialized);
    const ssize_t got = aurx::posix::readFully(fd, out.data(), static_cast<std::size_t>(limit));
    if (got < 0) throw errorFromErrno(errno);
    out.truncate(got);
    return out;
}

void writeAll(int fd, const QByteArray& bytes) {
    if (const int error =
            aurx::posix::writeAll(fd, bytes.constData(), static_cast<std::size_t>(bytes.size())))
        throw errorFromErrno(error);
}

}  // namespace

std::optional<CallFields> CallFromFileName(const QString& folder, const QString& fileName,
                                           Prompter& prompter) {
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
    call.CallNote = getCallNote(call.RecordingLocation, prompter);
    return call;
}

QString getCallNote(const QString& recordingPath, Prompter& prompter) {
    const QByteArray path = QFile::encodeName(NotePath(recordingPath));
    try {
        // Never wait on a pipe or device that happens to carry a note's name.
        const aurx::posix::UniqueFd fd(::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
        if (!fd) {
            if (errno == ENOENT || errno == ENOTDIR) return "";
            if (errno == EACCES || errno == EPERM) return "<denied access to note file>";
            throw errorFromErrno(errno);
        }
        struct stat st {};
        if (::fstat(fd.get(), &st) != 0) throw errorFromErrno(errno);
        if (S_ISDIR(st.st_mode)) throw errorFromErrno(EISDIR);
        if (!S_ISREG(st.st_mode)) return "";
        return QString::fromUtf8(readAtMost(fd.get(), kLargestNote)).replace("\r\n", " <CR> ");
    } catch (const std::exception& e) {
        prompter.show(libraryErrorMessage("frmMain:getCallNote Method", e));
        return "";
    }
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

#include "app/library/NoteSearch.h"

#include "app/library/CallFiles.h"
#include "app/recording/RuntimeErrors.h"
#include "app/support/AppError.h"
#include "app/support/UniqueFd.h"

#include <fcntl.h>

#include <QFile>

#include <cerrno>

namespace parlaro {

namespace {

// Up to kMaxNoteSearched bytes; nothing when there is no note file.
std::optional<QByteArray> readNoteStart(const QString& notePath) {
    const UniqueFd fd(::open(QFile::encodeName(notePath).constData(), O_RDONLY | O_CLOEXEC));
    if (!fd) {
        if (errno == ENOENT) return std::nullopt;
        throw errorFromErrno(errno);
    }
    QByteArray bytes(kMaxNoteSearched, Qt::Uninitialized);
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n =
            ::read(fd.get(), bytes.data() + done, static_cast<size_t>(bytes.size() - done));
        if (n == 0) break;
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw errorFromErrno(errno);
        done += n;
    }
    bytes.truncate(done);
    return bytes;
}

QStringView trimSpaces(QStringView s) {
    while (!s.isEmpty() && s.front() == u' ')
        s = s.sliced(1);
    while (!s.isEmpty() && s.back() == u' ')
        s.chop(1);
    return s;
}

}  // namespace

bool FindStringInFile(const QString& searchText, const QString& recordingPath, Prompter& prompter) {
    const QString notePath = NotePath(recordingPath);
    try {
        const auto bytes = readNoteStart(notePath);
        if (!bytes) return false;
        // Invalid UTF-8 and binary bytes become replacement characters: never a failure.
        const QString note = QString::fromUtf8(*bytes);
        bool found = false;
        for (const QStringView piece : QStringView(searchText).split(u'*', Qt::SkipEmptyParts)) {
            found = note.contains(trimSpaces(piece), Qt::CaseInsensitive);
            if (!found) break;
        }
        return found;
    } catch (const std::exception& e) {
        prompter.show(libraryErrorMessage(
            "frmMain:FindStringInFile: '" + searchText + "' in '" + notePath + "'", e));
        return false;
    }
}

}  // namespace parlaro

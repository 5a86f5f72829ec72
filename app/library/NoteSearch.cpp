#include "app/library/NoteSearch.h"

#include "app/common/AppError.h"
#include "app/library/CallFiles.h"
#include "app/recording/RuntimeErrors.h"
#include "platform/posix/FdIo.h"
#include "platform/posix/UniqueFd.h"

#include <fcntl.h>

#include <QFile>

#include <array>
#include <cerrno>

namespace parlaro {

namespace {

// The first kMaxNoteSearched bytes as text; nothing when there is no note file. Invalid UTF-8
// and binary bytes become replacement characters: never a failure.
std::optional<QString> readNoteStart(const QString& notePath) {
    // Not blocking: a pipe where a note should be must not stop a search.
    const aurx::posix::UniqueFd fd(
        ::open(QFile::encodeName(notePath).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!fd) {
        if (errno == ENOENT) return std::nullopt;
        throw errorFromErrno(errno);
    }
    std::array<char, kMaxNoteSearched> bytes;
    const ssize_t done = aurx::posix::readRegularFile(fd.get(), bytes.data(), bytes.size());
    if (done < 0) throw errorFromErrno(errno);
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(done));
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
        const auto note = readNoteStart(notePath);
        if (!note) return false;
        bool found = false;
        for (const QStringView piece : QStringView(searchText).split(u'*', Qt::SkipEmptyParts)) {
            found = note->contains(trimSpaces(piece), Qt::CaseInsensitive);
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

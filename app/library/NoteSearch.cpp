#include "app/library/NoteSearch.h"

#include "app/library/CallFiles.h"
#include "app/recording/RuntimeErrors.h"
#include "app/support/AppError.h"
#include "app/support/UniqueFd.h"

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
    const UniqueFd fd(
        ::open(QFile::encodeName(notePath).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!fd) {
        if (errno == ENOENT) return std::nullopt;
        throw errorFromErrno(errno);
    }
    std::array<char, kMaxNoteSearched> bytes;
    std::size_t done = 0;
    while (done < bytes.size()) {
        const std::size_t wanted = bytes.size() - done;
        const ssize_t n = ::read(fd.get(), bytes.data() + done, wanted);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw errorFromErrno(errno);
        done += static_cast<std::size_t>(n);
        // A file reads short only at its end; asking again would cost every note a call.
        if (static_cast<std::size_t>(n) < wanted) break;
    }
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

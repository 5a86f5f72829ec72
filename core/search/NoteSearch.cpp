#include "core/search/NoteSearch.h"

#include "core/calls/CallFiles.h"
#include "core/support/AppError.h"
#include "core/support/RuntimeErrors.h"

#include <fcntl.h>

#include <QFile>

#include <cerrno>

namespace parlaro {

namespace {

QStringView trimSpaces(QStringView s) {
    while (!s.isEmpty() && s.front() == u' ')
        s = s.sliced(1);
    while (!s.isEmpty() && s.back() == u' ')
        s.chop(1);
    return s;
}

}  // namespace

NoteWords::NoteWords(QStringView searchText) {
    for (const QStringView piece : searchText.split(u'*', Qt::SkipEmptyParts))
        words_.append(trimSpaces(piece).toString());
}

bool NoteWords::heldBy(QStringView note) const {
    if (words_.isEmpty()) return false;
    for (const QString& word : words_)
        if (!note.contains(word, Qt::CaseInsensitive)) return false;
    return true;
}

bool FindStringInFile(const QString& searchText, const QString& recordingPath, Prompter& prompter) {
    const QString notePath = NotePath(recordingPath);
    try {
        // Invalid UTF-8 and binary bytes become replacement characters: never a failure.
        const NoteFile note = readNoteAt(AT_FDCWD, QFile::encodeName(notePath).constData());
        switch (note.state) {
            case NoteFile::State::Missing:
            case NoteFile::State::NotAFile:
                return false;
            case NoteFile::State::Denied:
                throw errorFromErrno(EACCES);
            case NoteFile::State::Failed:
                throw errorFromErrno(note.error);
            case NoteFile::State::Text:
                break;
        }
        return NoteWords(searchText).heldBy(QString::fromUtf8(note.bytes));
    } catch (const std::exception& e) {
        prompter.show(libraryErrorMessage(
            "frmMain:FindStringInFile: '" + searchText + "' in '" + notePath + "'", e));
        return false;
    }
}

}  // namespace parlaro

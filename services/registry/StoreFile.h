// Reading and replacing one scope file without being led astray by what sits at its path: only
// a regular file is read (a FIFO or a device neither blocks nor floods the reader), and a write
// puts a new file in place by a rename in the same folder, never through a symbolic link and
// never over anything but a regular file.
#pragma once

#include <QByteArray>
#include <QString>

#include <sys/types.h>

#include <optional>

namespace parlaro::registry {

// Scope files are small; anything near this size is not one.
constexpr qint64 kMaxStoreFileSize = 32 * 1024 * 1024;

// Why an operation on a file failed: the errno value and a sentence without the path.
struct FileProblem {
    int error = 0;
    QString what;
};

struct FileBytes {
    enum class State { Missing, Read, Unreadable };
    State state = State::Missing;
    QByteArray bytes;
    FileProblem problem;  // Unreadable: why
};

FileBytes readStoreFile(const QString& path);

// Writes bytes into a new file beside path, flushed to disk, and renames it over path. Refuses
// when path is a symbolic link or not a regular file.
std::optional<FileProblem> replaceStoreFile(const QString& path, const QByteArray& bytes,
                                            mode_t mode);

// Writes bytes as a file of that name that did not exist before (error EEXIST when one does).
std::optional<FileProblem> createStoreFile(const QString& path, const QByteArray& bytes,
                                           mode_t mode);

}  // namespace parlaro::registry

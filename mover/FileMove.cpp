#include "mover/FileMove.h"

#include "app/support/UniqueFd.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>

#include <cerrno>

namespace mover {

namespace {

using parlaro::UniqueFd;

MoveResult failure(int err) {
    const bool denied = err == EACCES || err == EPERM || err == EROFS;
    return {denied ? MoveOutcome::Denied : MoveOutcome::Failed, err};
}

bool copyData(int in, int out) {
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(in, buf, sizeof buf);
        if (n == 0) return true;
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = ::write(out, buf + done, static_cast<size_t>(n - done));
            if (w < 0 && errno == EINTR) continue;
            if (w < 0) return false;
            done += w;
        }
    }
}

void syncFolder(const QByteArray& folder) {
    const UniqueFd dir(::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir) ::fsync(dir.get());
}

// Gives `temp` the name `to` unless that exists.
int linkNoReplace(const QByteArray& temp, const QByteArray& to) {
    if (::link(temp.constData(), to.constData()) == 0) {
        ::unlink(temp.constData());
        return 0;
    }
    if (errno == EEXIST) return EEXIST;
    // File systems without hard links: a rename after the check is the best there is.
    struct stat st {};
    if (::lstat(to.constData(), &st) == 0) return EEXIST;
    return ::rename(temp.constData(), to.constData()) == 0 ? 0 : errno;
}

// Across file systems: copy beside the destination under a hidden name, flush, link into
// place, and only then remove the source.
MoveResult copyThenRemove(const QByteArray& from, const QByteArray& to) {
    const UniqueFd in(::open(from.constData(), O_RDONLY | O_CLOEXEC));
    if (!in) return failure(errno);
    struct stat st {};
    if (::fstat(in.get(), &st) != 0) return failure(errno);

    const QFileInfo target(QFile::decodeName(to));
    const QByteArray folder = QFile::encodeName(target.absolutePath());
    QByteArray pattern = folder + "/." + QFile::encodeName(target.fileName()) + ".moving-XXXXXX";
    const UniqueFd out(::mkstemp(pattern.data()));
    if (!out) return failure(errno);
    const QByteArray temp = pattern;
    auto abandon = [&](int err) {
        ::unlink(temp.constData());
        return failure(err);
    };
    if (!copyData(in.get(), out.get())) return abandon(errno);
    ::fchmod(out.get(), st.st_mode & 07777);
    const timespec times[2] = {st.st_atim, st.st_mtim};
    ::futimens(out.get(), times);
    if (::fsync(out.get()) != 0) return abandon(errno);
    if (const int err = linkNoReplace(temp, to); err != 0) return abandon(err);
    syncFolder(folder);
    if (::unlink(from.constData()) != 0) {
        // The source must stay where it was: take the copy back.
        const int err = errno;
        ::unlink(to.constData());
        return failure(err);
    }
    return {MoveOutcome::Moved, 0};
}

}  // namespace

MoveResult moveFile(const QString& fromPath, const QString& toPath) {
    const QByteArray from = QFile::encodeName(fromPath);
    const QByteArray to = QFile::encodeName(toPath);
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0) {
        return {MoveOutcome::Moved, 0};
    }
    int err = errno;
    if (err == EINVAL || err == ENOSYS || err == ENOTSUP) {
        // No RENAME_NOREPLACE here: a hard link refuses an existing name just as well.
        if (::link(from.constData(), to.constData()) == 0) {
            if (::unlink(from.constData()) == 0) return {MoveOutcome::Moved, 0};
            err = errno;
            ::unlink(to.constData());
            return failure(err);
        }
        err = errno;
    }
    if (err == EXDEV) return copyThenRemove(from, to);
    return failure(err);
}

}  // namespace mover

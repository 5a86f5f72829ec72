#include "mover/FileMove.h"

#include "mover/OpenFiles.h"
#include "platform/posix/FdIo.h"
#include "platform/posix/UniqueFd.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>

#include <cctype>
#include <cerrno>
#include <memory>

namespace mover {

namespace {

using aurx::posix::UniqueFd;

constexpr char kTempPrefix[] = ".moving-";
// mkstemp's six letters and digits.
constexpr qsizetype kTempRandom = 6;

// The hidden temporary name of a copy under way: ".moving-XXXXXX", or the longer
// ".NAME.moving-XXXXXX" that earlier movers used.
bool isTempName(const QByteArray& name) {
    const QByteArray marker = QByteArray(kTempPrefix).mid(1);
    const qsizetype at = name.size() - kTempRandom - marker.size();
    if (!name.startsWith('.') || at < 1 || name[at - 1] != '.' ||
        name.mid(at, marker.size()) != marker) {
        return false;
    }
    for (const char c : name.mid(name.size() - kTempRandom)) {
        if (!std::isalnum(static_cast<unsigned char>(c))) return false;
    }
    return true;
}

MoveResult failure(int err) {
    const bool denied = err == EACCES || err == EPERM || err == EROFS;
    return {denied ? MoveOutcome::Denied : MoveOutcome::Failed, err};
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

bool sameContents(const struct stat& a, const struct stat& b) {
    return a.st_size == b.st_size && a.st_mtim.tv_sec == b.st_mtim.tv_sec &&
           a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

// Across file systems: copy beside the destination under a hidden name, flush, link into
// place, and only then remove the source.
MoveResult copyThenRemove(const QByteArray& from, const QByteArray& to) {
    const UniqueFd in(::open(from.constData(), O_RDONLY | O_CLOEXEC));
    if (!in) return failure(errno);
    struct stat st {};
    if (::fstat(in.get(), &st) != 0) return failure(errno);

    const QByteArray folder = QFile::encodeName(QFileInfo(QFile::decodeName(to)).absolutePath());
    // Short, whatever the file's name: the name may already be as long as a folder allows.
    QByteArray temp = folder + "/" + kTempPrefix + "XXXXXX";
    const UniqueFd out(::mkostemp(temp.data(), O_CLOEXEC));
    if (!out) return failure(errno);
    // Held until the copy is in place or gone: a mover that finds it unheld knows it is stale.
    ::flock(out.get(), LOCK_EX);
    auto abandon = [&](MoveResult result) {
        ::unlink(temp.constData());
        return result;
    };
    if (const int error = aurx::posix::copyAll(in.get(), out.get())) return abandon(failure(error));
    // The copy is as private as the file was made before the move: its group, then its mode.
    mode_t mode = st.st_mode & 07777;
    if (::fchown(out.get(), static_cast<uid_t>(-1), st.st_gid) != 0)
        mode &= ~static_cast<mode_t>(S_IRWXG | S_ISGID);
    ::fchmod(out.get(), mode);
    const timespec times[2] = {st.st_atim, st.st_mtim};
    ::futimens(out.get(), times);
    if (::fsync(out.get()) != 0) return abandon(failure(errno));
    // A writer that came back meanwhile would write on into an unlinked file: leave it be.
    struct stat now {};
    if (::fstat(in.get(), &now) != 0 || !sameContents(st, now) ||
        !openForWriting({{st.st_dev, st.st_ino}}).empty()) {
        return abandon({MoveOutcome::Busy, 0});
    }
    if (const int err = linkNoReplace(temp, to); err != 0) return abandon(failure(err));
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

void removeStaleCopies(const QString& folderPath) {
    struct DirCloser {
        void operator()(DIR* d) const { ::closedir(d); }
    };
    const std::unique_ptr<DIR, DirCloser> folder(
        ::opendir(QFile::encodeName(folderPath).constData()));
    if (!folder) return;
    const int dir = ::dirfd(folder.get());
    while (const dirent* entry = ::readdir(folder.get())) {
        if (!isTempName(entry->d_name)) continue;
        const UniqueFd copy(::openat(dir, entry->d_name, O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
        struct stat held {
        }, named{};
        if (!copy || ::fstat(copy.get(), &held) != 0 || !S_ISREG(held.st_mode) ||
            held.st_uid != ::geteuid() || ::flock(copy.get(), LOCK_EX | LOCK_NB) != 0) {
            continue;
        }
        // Only the file that was looked at, not one that took its name meanwhile.
        if (::fstatat(dir, entry->d_name, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
            named.st_dev == held.st_dev && named.st_ino == held.st_ino) {
            ::unlinkat(dir, entry->d_name, 0);
        }
    }
}

}  // namespace mover

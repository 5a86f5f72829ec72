#include "services/registry/StoreFile.h"

#include "platform/posix/FdIo.h"
#include "platform/posix/UniqueFd.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <utility>

namespace parlaro::registry {

namespace {

using Fd = aurx::posix::UniqueFd;

FileProblem problem(int error) {
    return {error, QString::fromLocal8Bit(std::strerror(error))};
}

// Sets errno when it fails, as the calls after it do.
bool writeAll(int fd, const QByteArray& bytes) {
    const int error =
        aurx::posix::writeAll(fd, bytes.constData(), static_cast<std::size_t>(bytes.size()));
    errno = error;
    return error == 0;
}

void syncFolderOf(const QString& path) {
    const Fd dir(::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(),
                        O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir) ::fsync(dir.get());
}

std::optional<FileProblem> notRegular(const struct stat& st) {
    if (S_ISLNK(st.st_mode))
        return FileProblem{ELOOP, "it is a symbolic link, which is never written through"};
    if (!S_ISREG(st.st_mode)) return FileProblem{EINVAL, "it is not a regular file"};
    return std::nullopt;
}

}  // namespace

FileBytes readStoreFile(const QString& path) {
    FileBytes result;
    const QByteArray name = QFile::encodeName(path);
    // Some devices act on being opened: look before opening.
    struct stat seen {};
    if (::stat(name.constData(), &seen) == 0 && !S_ISREG(seen.st_mode)) {
        result.state = FileBytes::State::Unreadable;
        result.problem = *notRegular(seen);
        return result;
    }
    // Not blocking: a FIFO put in the file's place meanwhile must not hold the reader.
    const Fd fd(::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!fd) {
        if (errno == ENOENT) return result;
        result.state = FileBytes::State::Unreadable;
        result.problem = problem(errno);
        return result;
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) {
        result.state = FileBytes::State::Unreadable;
        result.problem = problem(errno);
        return result;
    }
    result.state = FileBytes::State::Unreadable;
    if (const auto wrong = notRegular(st)) {
        result.problem = *wrong;
        return result;
    }
    if (st.st_size > kMaxStoreFileSize) {
        result.problem = {EFBIG, "it is too large to be a settings file"};
        return result;
    }
    QByteArray bytes(static_cast<qsizetype>(st.st_size), Qt::Uninitialized);
    qsizetype got = 0;
    for (;;) {
        // A file that grew since fstat is read on, up to the limit.
        if (got == bytes.size()) {
            if (bytes.size() > kMaxStoreFileSize) {
                result.problem = {EFBIG, "it is too large to be a settings file"};
                return result;
            }
            bytes.resize(bytes.size() + 4096);
        }
        const ssize_t n =
            ::read(fd.get(), bytes.data() + got, static_cast<size_t>(bytes.size() - got));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            result.problem = problem(errno);
            return result;
        }
        if (n == 0) break;
        got += n;
    }
    bytes.truncate(got);
    result.state = FileBytes::State::Read;
    result.bytes = std::move(bytes);
    return result;
}

std::optional<FileProblem> replaceStoreFile(const QString& path, const QByteArray& bytes,
                                            mode_t mode) {
    const QByteArray target = QFile::encodeName(path);
    struct stat st {};
    if (::lstat(target.constData(), &st) == 0) {
        if (const auto wrong = notRegular(st)) return wrong;
    } else if (errno != ENOENT) {
        return problem(errno);
    }
    QByteArray temp = target + ".XXXXXX";
    Fd out(::mkostemp(temp.data(), O_CLOEXEC));
    if (!out) return problem(errno);
    auto abandon = [&](int error) {
        ::unlink(temp.constData());
        return problem(error);
    };
    if (!writeAll(out.get(), bytes)) return abandon(errno ? errno : EIO);
    if (::fchmod(out.get(), mode) != 0 || ::fsync(out.get()) != 0 || out.close() != 0)
        return abandon(errno);
    // rename replaces the name itself: a link planted meanwhile is replaced, never its target.
    if (::rename(temp.constData(), target.constData()) != 0) return abandon(errno);
    syncFolderOf(path);
    return std::nullopt;
}

std::optional<FileProblem> createStoreFile(const QString& path, const QByteArray& bytes,
                                           mode_t mode) {
    const QByteArray name = QFile::encodeName(path);
    Fd out(::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode));
    if (!out) return problem(errno);
    if (!writeAll(out.get(), bytes) || ::fsync(out.get()) != 0 || out.close() != 0) {
        const int error = errno ? errno : EIO;
        ::unlink(name.constData());
        return problem(error);
    }
    return std::nullopt;
}

}  // namespace parlaro::registry

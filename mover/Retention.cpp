#include "mover/Retention.h"

#include "core/calls/CallName.h"
#include "core/calls/CallsFolderAccess.h"
#include "platform/posix/FdIo.h"
#include "platform/posix/FileAccess.h"
#include "platform/posix/UniqueFd.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDateTime>
#include <QFile>

#include <cerrno>
#include <memory>
#include <vector>

namespace mover {

namespace {

using aurx::posix::UniqueFd;

// Appended line by line, made at the first deletion; who called when is the user's alone.
class DeletionLog {
  public:
    explicit DeletionLog(const QString& path) : path_(QFile::encodeName(path).toStdString()) {}
    void write(const QString& line) {
        if (!opened_ && !path_.empty()) {
            opened_ = true;
            fd_ = aurx::posix::openOrCreateFile(path_, O_WRONLY | O_APPEND,
                                                aurx::posix::FileAccess::ownerOnly());
        }
        if (!fd_) return;
        const QByteArray bytes =
            (QDateTime::currentDateTime().toString(Qt::ISODate) + " " + line + "\n").toUtf8();
        aurx::posix::writeAll(fd_.get(), bytes.constData(), static_cast<std::size_t>(bytes.size()));
    }

  private:
    std::string path_;
    bool opened_ = false;
    UniqueFd fd_;
};

struct DirCloser {
    void operator()(DIR* d) const { ::closedir(d); }
};

// The names in the folder `dir` holds, read through a descriptor of its own so that `dir`
// stays usable. Read whole first: deleting while a folder is read could skip entries.
std::optional<std::vector<QByteArray>> namesIn(int dir) {
    const int own = ::openat(dir, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (own < 0) return std::nullopt;
    const std::unique_ptr<DIR, DirCloser> listing(::fdopendir(own));
    if (!listing) {
        ::close(own);
        return std::nullopt;
    }
    std::vector<QByteArray> names;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(listing.get());
        if (!entry) break;
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..") names.push_back(name);
    }
    if (errno != 0) return std::nullopt;
    return names;
}

// One pass over the calls folder. Every folder is held by a descriptor and everything in it
// is reached relative to that descriptor, never by a path looked up again: a folder swapped
// for a link while the pass runs leads nowhere outside, and a link is never followed.
class Pass {
  public:
    Pass(const QDate& oldestKept, DeletionLog& log, RetentionOutcome& outcome)
        : oldestKept_(oldestKept), log_(log), outcome_(outcome) {}

    void folder(int dir, const QString& shown) {
        const auto names = namesIn(dir);
        if (!names) {
            fail(shown, errno);
            return;
        }
        std::vector<std::pair<QByteArray, struct stat>> below;
        for (const QByteArray& name : *names) {
            struct stat st {};
            if (::fstatat(dir, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
            if (S_ISDIR(st.st_mode)) {
                below.emplace_back(name, st);
            } else if (S_ISREG(st.st_mode) && isOld(name)) {
                call(dir, shown, name);
            }
        }
        for (const auto& [name, seen] : below) {
            const QString path = shown + QFile::decodeName(name) + "/";
            const UniqueFd sub(
                ::openat(dir, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            if (!sub) {
                // Gone, or swapped for a link or a file since it was listed: nothing to do.
                if (errno != ENOENT && errno != ELOOP && errno != ENOTDIR) fail(path, errno);
                continue;
            }
            // Only the folder that was listed, not one moved into its place meanwhile.
            struct stat held {};
            if (::fstat(sub.get(), &held) != 0 || held.st_dev != seen.st_dev ||
                held.st_ino != seen.st_ino) {
                continue;
            }
            folder(sub.get(), path);
        }
    }

  private:
    bool isOld(const QByteArray& name) const {
        const auto call = parlaro::CallFromExactName(QFile::decodeName(name));
        return call && call->CallDate < oldestKept_;
    }

    // The note goes first: a pass cut short in between leaves a recording without its note,
    // which the next pass takes, never a note that nothing would take any more.
    void call(int dir, const QString& shown, const QByteArray& recording) {
        QByteArray note = recording;
        note.replace(".wav", ".txt");
        struct stat st {};
        if (::fstatat(dir, note.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(st.st_mode) && !remove(dir, shown, note)) {
            return;
        }
        remove(dir, shown, recording);
    }

    bool remove(int dir, const QString& shown, const QByteArray& name) {
        const QString path = shown + QFile::decodeName(name);
        if (::unlinkat(dir, name.constData(), 0) == 0) {
            outcome_.deleted.push_back(path);
            log_.write("deleted " + path);
            return true;
        }
        const QString why = parlaro::ReasonText(errno);
        outcome_.failed.push_back(path + ": " + why);
        log_.write("could not delete " + path + ": " + why);
        return false;
    }

    void fail(const QString& folder, int error) {
        const QString why = parlaro::ReasonText(error);
        outcome_.failed.push_back(folder + ": " + why);
        log_.write("could not read " + folder + ": " + why);
    }

    QDate oldestKept_;
    DeletionLog& log_;
    RetentionOutcome& outcome_;
};

}  // namespace

RetentionOutcome ApplyRetention(const QString& callsFolder, int keepDays, const QDate& today,
                                const QString& logPath) {
    RetentionOutcome outcome;
    if (keepDays <= 0 || callsFolder.isEmpty()) return outcome;
    // The calls folder itself may be a link, as the user set it; nothing below it is followed.
    const UniqueFd top(
        ::open(QFile::encodeName(callsFolder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!top) return outcome;
    DeletionLog log(logPath);
    Pass(today.addDays(-keepDays), log, outcome)
        .folder(top.get(), callsFolder.endsWith('/') ? callsFolder : callsFolder + "/");
    return outcome;
}

}  // namespace mover

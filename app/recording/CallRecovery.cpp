#include "app/recording/CallRecovery.h"

#include "app/recording/StatusDisplay.h"
#include "core/calls/CallFiles.h"
#include "core/calls/CallsFolderAccess.h"
#include "platform/posix/UniqueFd.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QRegularExpression>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <memory>
#include <optional>
#include <vector>

namespace parlaro {

namespace {

using aurx::posix::UniqueFd;

struct DirCloser {
    void operator()(DIR* d) const { ::closedir(d); }
};

std::vector<QByteArray> namesIn(int dir) {
    std::vector<QByteArray> names;
    const int own = ::openat(dir, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (own < 0) return names;
    const std::unique_ptr<DIR, DirCloser> listing(::fdopendir(own));
    if (!listing) {
        ::close(own);
        return names;
    }
    while (const dirent* entry = ::readdir(listing.get()))
        names.emplace_back(entry->d_name);
    std::sort(names.begin(), names.end());
    return names;
}

// Why what carries an unfinished call's name is not one of the user's recordings; nothing
// when it is. Anyone may leave such a name in a shared temporary folder such as /tmp/.
std::optional<QString> notOurs(const struct stat& st) {
    if (S_ISLNK(st.st_mode)) return QStringLiteral("a symbolic link");
    if (!S_ISREG(st.st_mode)) return QStringLiteral("not a regular file");
    if (st.st_uid != ::geteuid()) return QStringLiteral("another user's file");
    // A recording has the one name it was made with; another name leads to a file elsewhere.
    if (st.st_nlink != 1) return QStringLiteral("a second name of another file");
    return std::nullopt;
}

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Gives the file `held` the name `to` unless that name is taken or `from` no longer leads to it.
bool renameHeld(int dir, const QByteArray& from, const QByteArray& to, const struct stat& held) {
    struct stat now {};
    if (::fstatat(dir, from.constData(), &now, AT_SYMLINK_NOFOLLOW) != 0 || !sameFile(now, held))
        return false;
    if (::renameat2(dir, from.constData(), dir, to.constData(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
    // A file system without RENAME_NOREPLACE: look first.
    struct stat taken {};
    return ::fstatat(dir, to.constData(), &taken, AT_SYMLINK_NOFOLLOW) != 0 && errno == ENOENT &&
           ::renameat(dir, from.constData(), dir, to.constData()) == 0;
}

}  // namespace

bool isUnfinishedCallName(const QString& fileName) {
    static const QRegularExpression pattern(QStringLiteral("^(\\d{8})-(\\d{6})-([^-/]+)\\.wav$"),
                                            QRegularExpression::CaseInsensitiveOption);
    const auto m = pattern.match(fileName);
    if (!m.hasMatch()) return false;
    return QDate::fromString(m.captured(1), "yyyyMMdd").isValid() &&
           QTime::fromString(m.captured(2), "HHmmss").isValid();
}

RecoveryOutcome RecoverInterruptedCalls(Recorder& recorder, const QString& tempFolder,
                                        const QString& callPath, Prompter& prompter) {
    RecoveryOutcome outcome;
    QStringList told;  // the names, each with why where that is not plain
    const UniqueFd dir(
        ::open(QFile::encodeName(tempFolder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dir) return outcome;
    for (const QByteArray& entry : namesIn(dir.get())) {
        const QString name = QFile::decodeName(entry);
        if (!isUnfinishedCallName(name)) continue;
        const auto leave = [&](const std::optional<QString>& why) {
            outcome.damaged << name;
            told << (why ? name + " (" + *why + ")" : name);
        };
        struct stat seen {};
        if (::fstatat(dir.get(), entry.constData(), &seen, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (const auto why = notOurs(seen)) {
            leave(why);
            continue;
        }
        // Held open from here on, never through a link: the control is handed the very file
        // looked at, whatever its name leads to by the time it opens it.
        const UniqueFd file(
            ::openat(dir.get(), entry.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        struct stat held {};
        if (!file || ::fstat(file.get(), &held) != 0 || !sameFile(held, seen) || notOurs(held)) {
            leave(QStringLiteral("changed while it was looked at"));
            continue;
        }
        const QString opened = "/proc/self/fd/" + QString::number(file.get());
        recorder.Reset();
        // Opening reads what reached the disk; closing finishes the header.
        if (recorder.OpenExistingOrNewFile(opened) != 0 ||
            recorder.Status() != RecorderStatus::FileOpen) {
            recorder.LastError();
            recorder.Reset();
            leave(std::nullopt);
            continue;
        }
        const double total = recorder.TotalTime();
        const int32_t seconds =
            std::isfinite(total) && total > 0 ? static_cast<int32_t>(std::nearbyint(total)) : 0;
        recorder.Reset();
        QString finished = name;
        finished.replace(QRegularExpression("\\.wav$", QRegularExpression::CaseInsensitiveOption),
                         "-" + QString::number(seconds) + ".wav");
        if (!renameHeld(dir.get(), entry, QFile::encodeName(finished), held)) {
            leave(std::nullopt);
            continue;
        }
        CallRecord call;
        call.RecordingLocation = finished;
        call.CallNote = kRecoveredNote;
        MakeCallsFolder(callPath);
        WriteCallNote(call, callPath, prompter);
        outcome.recovered << finished;
    }
    if (!told.isEmpty()) {
        prompter.show({kProductName,
                       "These recordings of calls interrupted when " + kProductName +
                           " ended could not be recovered and were left in " + tempFolder + ":\n" +
                           told.join("\n"),
                       Icon::Exclamation, Buttons::Ok});
    }
    return outcome;
}

}  // namespace parlaro

#include "mover/RecordingMover.h"

#include "core/calls/CallsFolderAccess.h"
#include "core/settings/Product.h"
#include "core/settings/SettingsAccess.h"
#include "core/support/AppError.h"
#include "mover/FileMove.h"
#include "mover/OpenFiles.h"
#include "platform/posix/FileAccess.h"
#include "platform/posix/UniqueFd.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <set>
#include <thread>

namespace mover {

namespace {

const QString kKey = parlaro::KeyPaths::forProduct(parlaro::kProductName).user;
const QString kErrorTitle = parlaro::kProductName + " Error";
// The title of a box that names none: the program's own.
const QString kOwnTitle = "mover";

QString withSlash(const QString& folder) {
    return folder.endsWith('/') ? folder : folder + "/";
}

struct DirCloser {
    void operator()(DIR* d) const { ::closedir(d); }
};

// A recording takes the access of the calls folder before it goes there (in the temporary
// folder, which is the user's alone), so that it is never readable by more people than the
// calls folder lets read it, not even for a moment.
void giveAccess(const QString& path, const aurx::posix::FileAccess& access) {
    const aurx::posix::UniqueFd fd(::open(QFile::encodeName(path).constData(),
                                          O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat st {};
    if (fd && ::fstat(fd.get(), &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid())
        aurx::posix::applyAccess(fd.get(), access, false);
}

}  // namespace

bool isFinishedRecording(const QString& fileName) {
    return fileName.split('-').size() > 3;
}

void RecordingMover::warn(const QString& text) {
    prompter_.show({kErrorTitle, text, parlaro::Icon::Exclamation, parlaro::Buttons::Ok});
}

std::optional<QString> RecordingMover::readFolder(const char* valueName) {
    const QString value = registry_.GetStringValue(kKey, valueName, "", false).value;
    // An empty value would make the file system's root the folder.
    if (value.compare(parlaro::kStringSentinel, Qt::CaseInsensitive) == 0 || value.isEmpty()) {
        warn(QString("Registry key '%1' not created - mover cannot proceed!").arg(valueName));
        return std::nullopt;
    }
    return withSlash(value);
}

std::optional<QStringList> RecordingMover::buildFileList(const QString& folder) {
    const std::unique_ptr<DIR, DirCloser> dir(::opendir(QFile::encodeName(folder).constData()));
    if (!dir) {
        warn("Error Building File List: " + parlaro::errorFromErrno(errno).description());
        return std::nullopt;
    }
    QStringList names;
    for (;;) {
        // Only readdir's own failure counts: an entry skipped below leaves errno set.
        errno = 0;
        const dirent* entry = ::readdir(dir.get());
        if (!entry) break;
        const QString name = QFile::decodeName(entry->d_name);
        if (!name.endsWith(".wav", Qt::CaseInsensitive) || !isFinishedRecording(name)) continue;
        // A name that is not valid in the system's encoding cannot be named again to move it.
        if (QFile::encodeName(name) != entry->d_name) continue;
        struct stat st {};
        const QByteArray path = QFile::encodeName(folder + name);
        // Dangling links and files gone since the listing are not recordings to move.
        if (::stat(path.constData(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        if (names.size() == kMaxFiles) {
            warn("Error Building File List: Subscript out of range");
            return std::nullopt;
        }
        names.push_back(name);
    }
    if (errno != 0) {
        warn("Error Building File List: " + parlaro::errorFromErrno(errno).description());
        return std::nullopt;
    }
    return names;
}

RecordingMover::Sorted RecordingMover::sortOut(const QString& folder, const QStringList& names) {
    std::map<QString, struct stat> found;
    std::set<FileId> ids;
    for (const QString& name : names) {
        struct stat st {};
        if (::stat(QFile::encodeName(folder + name).constData(), &st) != 0) continue;
        found.emplace(name, st);
        ids.insert({st.st_dev, st.st_ino});
    }
    const std::set<FileId> busy = openForWriting(ids);
    const auto steadyNow = std::chrono::steady_clock::now();
    const auto wallNow = std::chrono::system_clock::now();
    const auto quiet = options_.quietTime;

    Sorted sorted;
    // In the listing's order, in which they are moved.
    for (const QString& name : names) {
        const auto at = found.find(name);
        if (at == found.end()) continue;
        const struct stat& st = at->second;
        if (busy.contains({st.st_dev, st.st_ino})) {
            seen_.erase(name);
            continue;
        }
        auto [it, first] = seen_.try_emplace(name, Seen{st.st_size, st.st_mtim, steadyNow});
        Seen& seen = it->second;
        if (!first && (seen.size != st.st_size || seen.modified.tv_sec != st.st_mtim.tv_sec ||
                       seen.modified.tv_nsec != st.st_mtim.tv_nsec)) {
            seen = Seen{st.st_size, st.st_mtim, steadyNow};
        }
        // Unchanged since its time, or since we first saw it (a time ahead of the clock).
        const auto modified = std::chrono::system_clock::time_point(
            std::chrono::duration_cast<std::chrono::system_clock::duration>(
                std::chrono::seconds(st.st_mtim.tv_sec) +
                std::chrono::nanoseconds(st.st_mtim.tv_nsec)));
        const auto stillFor =
            std::max(std::chrono::duration_cast<std::chrono::milliseconds>(wallNow - modified),
                     std::chrono::duration_cast<std::chrono::milliseconds>(steadyNow - seen.since));
        if (stillFor >= quiet) {
            sorted.ready.push_back(name);
        } else {
            const auto left = quiet - stillFor;
            sorted.wait = sorted.wait ? std::min(*sorted.wait, left) : left;
        }
    }
    return sorted;
}

void RecordingMover::run() {
    const auto source = readFolder("wavs");
    if (!source) return;
    const auto destination = readFolder("callpath");
    if (!destination) return;
    // A calls folder that does not exist yet (a first recording) is made, not failed into.
    if (const auto unusable = parlaro::MakeCallsFolder(*destination)) {
        // Said once, and only when there is something to file.
        if (const auto names = buildFileList(*source); names && !names->isEmpty()) {
            warn(QString("Parlaro File Mover - The calls folder %1 cannot be used (%2): the "
                         "recordings stay in %3")
                     .arg(*destination, *unusable, *source));
        }
        return;
    }
    const aurx::posix::FileAccess access = parlaro::CallsFolderAccess(*destination);

    if (options_.removeStaleCopies) removeStaleCopies(*destination);

    int errorCount = 0;
    for (;;) {
        const auto names = buildFileList(*source);
        if (!names || names->isEmpty()) return;
        const Sorted sorted = sortOut(*source, *names);
        if (sorted.ready.isEmpty()) {
            // Only recordings still open for writing: the run after their call takes them.
            if (!sorted.wait) return;
            std::this_thread::sleep_for(*sorted.wait);
            continue;
        }
        for (const QString& name : sorted.ready) {
            giveAccess(*source + name, access);
            const MoveResult result = moveFile(*source + name, *destination + name);
            // Written to while it was copied: the next pass waits for it to settle again.
            if (result.outcome == MoveOutcome::Moved || result.outcome == MoveOutcome::Busy)
                continue;
            if (result.outcome == MoveOutcome::Denied) {
                prompter_.show({kOwnTitle, "You do not have write access to: " + *source,
                                parlaro::Icon::None, parlaro::Buttons::Ok});
                return;
            }
            warn("Parlaro File Mover - Failed to move file: " + *source + name);
            if (++errorCount >= 2) {
                prompter_.show({kErrorTitle, "Parlaro File Mover - Too many errors - exiting ",
                                parlaro::Icon::Critical, parlaro::Buttons::Ok});
                return;
            }
        }
    }
}

}  // namespace mover

#include "mover/RecordingMover.h"

#include "app/support/AppError.h"
#include "mover/FileMove.h"

#include <dirent.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>

#include <cerrno>
#include <memory>

namespace mover {

namespace {

const QString kKey = "HKEY_CURRENT_USER\\SOFTWARE\\PARLARO";
const QString kErrorTitle = "Parlaro Error";
// The title of a box that names none: the program's own.
const QString kOwnTitle = "mover";

QString withSlash(const QString& folder) {
    return folder.endsWith('/') ? folder : folder + "/";
}

struct DirCloser {
    void operator()(DIR* d) const { ::closedir(d); }
};

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
    if (value.toUpper() == "ERROR" || value.isEmpty()) {
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
    errno = 0;
    while (const dirent* entry = ::readdir(dir.get())) {
        const QString name = QFile::decodeName(entry->d_name);
        if (!name.endsWith(".wav", Qt::CaseInsensitive) || !isFinishedRecording(name)) continue;
        struct stat st {};
        const QByteArray path = QFile::encodeName(folder + name);
        if (::stat(path.constData(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        if (names.size() == kMaxFiles) {
            warn("Error Building File List: Subscript out of range");
            return std::nullopt;
        }
        names.push_back(name);
        errno = 0;
    }
    if (errno != 0) {
        warn("Error Building File List: " + parlaro::errorFromErrno(errno).description());
        return std::nullopt;
    }
    return names;
}

void RecordingMover::run() {
    const auto source = readFolder("wavs");
    if (!source) return;
    const auto destination = readFolder("callpath");
    if (!destination) return;
    // A calls folder that does not exist yet (a first recording) is made, not failed into.
    QDir().mkpath(*destination);

    int errorCount = 0;
    for (;;) {
        const auto names = buildFileList(*source);
        if (!names || names->isEmpty()) return;
        for (const QString& name : *names) {
            const MoveResult result = moveFile(*source + name, *destination + name);
            if (result.outcome == MoveOutcome::Moved) continue;
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

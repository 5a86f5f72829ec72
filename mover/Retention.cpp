#include "mover/Retention.h"

#include "app/common/CallName.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDateTime>
#include <QDirIterator>
#include <QFile>

#include <cerrno>
#include <cstring>

namespace mover {

namespace {

// A regular file that is not a link, checked without following anything.
bool plainFile(const QString& path) {
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

class DeletionLog {
  public:
    explicit DeletionLog(const QString& path) : file_(path) {
        if (!path.isEmpty()) file_.open(QIODevice::Append | QIODevice::Text);
    }
    void write(const QString& line) {
        if (!file_.isOpen()) return;
        file_.write(
            (QDateTime::currentDateTime().toString(Qt::ISODate) + " " + line + "\n").toUtf8());
        file_.flush();
    }

  private:
    QFile file_;
};

}  // namespace

RetentionOutcome ApplyRetention(const QString& callsFolder, int keepDays, const QDate& today,
                                const QString& logPath) {
    RetentionOutcome outcome;
    if (keepDays <= 0 || callsFolder.isEmpty()) return outcome;
    const QDate oldestKept = today.addDays(-keepDays);

    // The whole list first: deleting while the folders are read could skip entries.
    std::vector<QString> old;
    QDirIterator it(callsFolder, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo info = it.fileInfo();
        // Recordings only: a note goes with its recording, never by itself.
        if (info.isSymLink() || !info.fileName().endsWith(".wav", Qt::CaseInsensitive)) continue;
        const auto call = parlaro::CallFromCommonName(info.fileName());
        if (!call || call->CallDate >= oldestKept) continue;
        old.push_back(path);
    }
    if (old.empty()) return outcome;

    DeletionLog log(logPath);
    const auto remove = [&](const QString& path) {
        if (::unlink(QFile::encodeName(path).constData()) == 0) {
            outcome.deleted.push_back(path);
            log.write("deleted " + path);
            return;
        }
        const QString why = QString::fromLocal8Bit(std::strerror(errno));
        outcome.failed.push_back(path + ": " + why);
        log.write("could not delete " + path + ": " + why);
    };
    for (const QString& recording : old) {
        if (!plainFile(recording)) continue;
        remove(recording);
        const QString note = parlaro::NotePath(recording);
        if (note != recording && plainFile(note)) remove(note);
    }
    return outcome;
}

}  // namespace mover

#include "app/library/sharing/CallSaving.h"

#include "app/library/sharing/CallConversion.h"
#include "app/recording/StatusDisplay.h"
#include "platform/posix/FdIo.h"
#include "platform/posix/UniqueFd.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace parlaro {

int CopyCallFile(const QString& source, const QString& target) {
    const QByteArray from = QFile::encodeName(source);
    const QByteArray to = QFile::encodeName(target);
    const aurx::posix::UniqueFd in(::open(from.constData(), O_RDONLY | O_CLOEXEC));
    if (in.get() < 0) return errno;
    struct stat sourceInfo {};
    if (::fstat(in.get(), &sourceInfo) != 0) return errno;
    // Saving a call into its own folder under its own name would otherwise empty it.
    struct stat targetInfo {};
    if (::stat(to.constData(), &targetInfo) == 0 && targetInfo.st_dev == sourceInfo.st_dev &&
        targetInfo.st_ino == sourceInfo.st_ino)
        return 0;

    const QFileInfo targetFile(target);
    QByteArray temporary =
        QFile::encodeName(targetFile.absolutePath() + "/." + targetFile.fileName() + ".XXXXXX");
    aurx::posix::UniqueFd out(::mkstemp(temporary.data()));
    if (out.get() < 0) return errno;
    int error = aurx::posix::copyAll(in.get(), out.get());
    if (error == 0) {
        // mkstemp makes the file private; a saved copy gets the usual rights.
        const mode_t mask = ::umask(0);
        ::umask(mask);
        if (::fchmod(out.get(), 0666 & ~mask) != 0) error = errno;
    }
    if (error == 0) error = out.close();
    if (error == 0 && ::rename(temporary.constData(), to.constData()) != 0) error = errno;
    if (error != 0) ::unlink(temporary.constData());
    return error;
}

void CallSaving::SaveCalls(const std::vector<QString>& recordings, SendAs format) {
    const OperationRunning running(view_, MainButton::Save, true);
    if (stopPlayback_) stopPlayback_();
    const Answer answer =
        prompter_.show({kProductName, "Do you want to give your own name to each saved call?",
                        Icon::Question, Buttons::YesNo});
    if (answer == Answer::Yes) {
        saveEachAs(recordings, format);
    } else {
        saveToFolder(recordings, format);
    }
}

QString CallSaving::startFolder() const {
    return lastSaveFolder_.isEmpty() ? QDir::homePath() + "/" : lastSaveFolder_;
}

void CallSaving::saveEachAs(const std::vector<QString>& recordings, SendAs format) {
    for (const QString& recording : recordings) {
        const QString target = dialogs_.saveAs(startFolder() + SharedFileName(recording, format),
                                               SaveFileTypeFor(format));
        if (!target.isEmpty()) copy(recording, target, format);
    }
}

void CallSaving::saveToFolder(const std::vector<QString>& recordings, SendAs format) {
    if (recordings.empty()) return;
    QString folder = dialogs_.browseForFolder("Save calls to:", startFolder());
    if (folder.isEmpty()) return;
    if (!folder.endsWith('/')) folder += '/';
    lastSaveFolder_ = folder;
    for (const QString& recording : recordings)
        copy(recording, folder + SharedFileName(recording, format), format);
}

void CallSaving::copy(const QString& source, const QString& target, SendAs format) {
    if (const auto failure = ShareCallFile(source, target, format))
        prompter_.show({kProductName, *failure, Icon::Exclamation, Buttons::Ok});
}

}  // namespace parlaro

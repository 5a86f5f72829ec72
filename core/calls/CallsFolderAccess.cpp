#include "core/calls/CallsFolderAccess.h"

#include <fcntl.h>
#include <unistd.h>

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace parlaro {

using aurx::posix::FileAccess;

Identity Identity::current() {
    Identity me;
    me.user = ::geteuid();
    me.group = ::getegid();
    const int count = ::getgroups(0, nullptr);
    if (count > 0) {
        me.groups.resize(static_cast<std::size_t>(count));
        const int got = ::getgroups(count, me.groups.data());
        me.groups.resize(static_cast<std::size_t>(std::max(got, 0)));
    }
    return me;
}

bool Identity::isIn(gid_t g) const {
    return g == group || std::find(groups.begin(), groups.end(), g) != groups.end();
}

FileAccess AccessInFolder(const struct stat& folder, const Identity& me) {
    // The user's own folder with their own group is theirs alone, unless it is marked for its
    // group as shared folders are (set-group-ID); a group they are not in could not be given to
    // what they file anyway.
    const bool ownFolder =
        folder.st_uid == me.user && folder.st_gid == me.group && (folder.st_mode & S_ISGID) == 0;
    if (ownFolder || !me.isIn(folder.st_gid)) return FileAccess::ownerOnly();
    FileAccess shared;
    shared.group = folder.st_gid;
    shared.fileMode = 0600 | (folder.st_mode & (S_IRGRP | S_IWGRP));
    // Marked in turn, so that what is filed below it is shared alike.
    shared.folderMode = 0700 | S_ISGID | (folder.st_mode & S_IRWXG);
    return shared;
}

FileAccess CallsFolderAccess(const QString& path) {
    QByteArray at = QFile::encodeName(path);
    for (;;) {
        struct stat st {};
        if (::stat(at.isEmpty() ? "." : at.constData(), &st) == 0) {
            return S_ISDIR(st.st_mode) ? AccessInFolder(st, Identity::current())
                                       : FileAccess::ownerOnly();
        }
        while (at.size() > 1 && at.endsWith('/'))
            at.chop(1);
        const qsizetype slash = at.lastIndexOf('/');
        if (errno != ENOENT || at.isEmpty() || at == "/") return FileAccess::ownerOnly();
        at = slash < 0 ? QByteArray() : at.left(std::max<qsizetype>(slash, 1));
    }
}

std::optional<QString> MakeCallsFolder(const QString& path) {
    if (path.isEmpty()) return ReasonText(ENOENT);
    const QByteArray native = QFile::encodeName(path);
    if (const int error = aurx::posix::makeFolders(native.toStdString(), CallsFolderAccess(path)))
        return ReasonText(error);
    // A folder that is there but takes no files fails every call filed into it.
    if (::faccessat(AT_FDCWD, native.constData(), W_OK | X_OK, AT_EACCESS) != 0)
        return ReasonText(errno);
    return std::nullopt;
}

bool MakePrivateFolder(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    struct stat st {};
    return aurx::posix::makeFolders(native.toStdString(), FileAccess::ownerOnly()) == 0 &&
           ::stat(native.constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

QString ReasonText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

}  // namespace parlaro

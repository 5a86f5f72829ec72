#include "app/library/model/Folders.h"

#include "app/recording/StatusDisplay.h"
#include "core/calls/CallsFolderAccess.h"
#include "platform/posix/FileAccess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <set>

namespace parlaro {

namespace {

// File systems that hold a person's files; everything else in the mount table (proc, sysfs,
// cgroups, overlay layers of containers, …) is the system's own.
bool isUserFileSystem(const QString& type) {
    static const std::set<QString> kinds = {
        "ext2",  "ext3", "ext4",    "xfs",  "btrfs", "vfat",       "exfat", "ntfs",
        "ntfs3", "hfs",  "hfsplus", "f2fs", "zfs",   "iso9660",    "udf",   "fuseblk",
        "cifs",  "smb3", "smbfs",   "nfs",  "nfs4",  "fuse.sshfs", "9p",    "fuse.rclone",
    };
    return kinds.count(type) > 0;
}

// System folders, also when mounted on a disk of their own, are not places to keep calls.
bool isSystemFolder(const QString& where) {
    return where == "/lost+found" || where.startsWith("/boot") || where.startsWith("/proc") ||
           where.startsWith("/sys") || where.startsWith("/dev") || where.startsWith("/snap") ||
           where.startsWith("/var/lib") ||
           ((where == "/run" || where.startsWith("/run/")) && !where.startsWith("/run/media"));
}

// Mount points escape spaces and other bytes as \ooo.
QString unescapeMountPath(const QByteArray& field) {
    QByteArray out;
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            bool ok = false;
            const int v = field.mid(i + 1, 3).toInt(&ok, 8);
            if (ok) {
                out += static_cast<char>(v);
                i += 3;
                continue;
            }
        }
        out += field[i];
    }
    return QFile::decodeName(out);
}

}  // namespace

std::vector<Place> ListPlaces(const QString& home, const QString& mountTable) {
    std::vector<Place> places{{"/", "/"}};
    if (!home.isEmpty()) places.push_back({"Home (" + home + ")", home});
    QFile table(mountTable);
    if (!table.open(QIODevice::ReadOnly)) return places;
    std::set<QString> seen{"/", home};
    while (!table.atEnd()) {
        const QList<QByteArray> f = table.readLine().simplified().split(' ');
        if (f.size() < 3) continue;
        const QString where = unescapeMountPath(f[1]);
        const QString type = QString::fromLatin1(f[2]);
        if (!isUserFileSystem(type) || seen.count(where)) continue;
        if (isSystemFolder(where)) continue;
        seen.insert(where);
        places.push_back({where + " (" + type + ")", where});
    }
    return places;
}

HiddenFolders::HiddenFolders(const QString& mountTable) {
    QFile table(mountTable);
    if (!table.open(QIODevice::ReadOnly)) return;
    while (!table.atEnd()) {
        const QList<QByteArray> f = table.readLine().simplified().split(' ');
        if (f.size() >= 3 && !isUserFileSystem(QString::fromLatin1(f[2])))
            pseudo_.insert(unescapeMountPath(f[1]));
    }
    // The root is the tree's top, whatever it is mounted from.
    pseudo_.erase("/");
}

bool HiddenFolders::hides(const QString& path) const {
    const QString clean = QDir::cleanPath(path);
    return isSystemFolder(clean) || pseudo_.count(clean) > 0;
}

QString PlaceOf(const std::vector<Place>& places, const QString& path) {
    const QString clean = QDir::cleanPath(path);
    QString best = "/";
    for (const Place& place : places) {
        const QString root = QDir::cleanPath(place.path);
        const bool inside = clean == root || clean.startsWith(root == "/" ? root : root + "/");
        if (inside && root.size() > best.size()) best = root;
    }
    return best;
}

bool MakeCallFolder(const QString& parent, const QString& name, Prompter& prompter) {
    static const QString kForbidden = QStringLiteral("|><?*:/\\\"");
    for (const QChar c : name) {
        if (kForbidden.contains(c)) {
            prompter.show({"New Folder",
                           "A folder cannot contain any of the following characters:\r\n" +
                               QString(23, ' ') + "\\ / : * ? \" < > |",
                           Icon::Critical, Buttons::Ok});
            return false;
        }
    }
    const QString path = (parent.endsWith('/') ? parent : parent + "/") + name;
    if (QFileInfo::exists(path)) {
        prompter.show({name, "Folder already exists!", Icon::Exclamation, Buttons::Ok});
        return false;
    }
    // A folder in the library is as private as the one it is made in says.
    if (name.trimmed().isEmpty() || name == "." || name == ".." ||
        aurx::posix::makeFolders(QFile::encodeName(path).toStdString(),
                                 CallsFolderAccess(parent)) != 0) {
        prompter.show({"New Folder", "The folder " + path + " could not be made.",
                       Icon::Exclamation, Buttons::Ok});
        return false;
    }
    return true;
}

bool FolderHoldsFiles(const QString& path) {
    const QDir dir(path);
    const auto kinds = QDir::Files | QDir::Hidden | QDir::System;
    if (!dir.entryList(kinds).isEmpty()) return true;
    for (const QString& sub : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden)) {
        if (!QDir(dir.filePath(sub)).entryList(kinds).isEmpty()) return true;
    }
    return false;
}

bool DeleteCallFolder(const QString& path, Prompter& prompter) {
    if (FolderHoldsFiles(path)) {
        prompter.show({path,
                       "Folder or subfolder not empty - for safety please delete all calls in "
                       "folder first",
                       Icon::Exclamation, Buttons::Ok});
        return false;
    }
    return QDir(path).removeRecursively();
}

QString ExistingFolderAtOrAbove(QString path) {
    while (path.size() > 1 && !QFileInfo(path).isDir()) {
        if (path.endsWith('/')) path.chop(1);
        path = path.left(path.lastIndexOf('/'));
        if (path.isEmpty()) path = "/";
    }
    return path.isEmpty() ? QString("/") : path;
}

}  // namespace parlaro

#include "services/registry/RegistryStore.h"

#include "platform/posix/FileAccess.h"
#include "services/registry/RegistryText.h"
#include "services/registry/ScopeLock.h"
#include "services/registry/StoreFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <array>
#include <cerrno>
#include <cstring>

namespace parlaro::registry {

namespace {

constexpr std::array<std::pair<Root, const char*>, 7> kRoots{{
    {Root::ClassesRoot, "HKEY_CLASSES_ROOT"},
    {Root::CurrentUser, "HKEY_CURRENT_USER"},
    {Root::LocalMachine, "HKEY_LOCAL_MACHINE"},
    {Root::Users, "HKEY_USERS"},
    {Root::PerformanceData, "HKEY_PERFORMANCE_DATA"},
    {Root::CurrentConfig, "HKEY_CURRENT_CONFIG"},
    {Root::DynData, "HKEY_DYN_DATA"},
}};

// Each writer holds the lock for one small read and write; under heavy load the queue of
// writers is what takes time, so wait long enough for all of them.
constexpr std::chrono::milliseconds kLockPatience{30000};

QString envPath(const char* name) {
    const QString value = qEnvironmentVariable(name);
    // Relative paths in these variables are invalid and must be ignored.
    return QDir::isAbsolutePath(value) ? value : QString();
}

struct Loaded {
    FileCheck::State state = FileCheck::State::Missing;
    RegistryHive hive;
    QByteArray text;
    std::vector<qsizetype> skippedLines;
    FileProblem problem;  // Unreadable
};

Loaded load(const QString& path) {
    Loaded result;
    if (path.isEmpty()) return result;
    FileBytes file = readStoreFile(path);
    switch (file.state) {
        case FileBytes::State::Missing:
            return result;
        case FileBytes::State::Unreadable:
            result.state = FileCheck::State::Unreadable;
            result.problem = file.problem;
            return result;
        case FileBytes::State::Read:
            break;
    }
    result.text = std::move(file.bytes);
    TextReading reading = readText(result.text);
    result.hive = std::move(reading.hive);
    result.skippedLines = std::move(reading.skippedLines);
    result.state =
        result.skippedLines.empty() ? FileCheck::State::Whole : FileCheck::State::Damaged;
    return result;
}

QByteArray utf8(const QString& s) {
    return s.toUtf8();
}

QString badKeyPath(const QString& key) {
    if (isTooDeep(utf8(key)))
        return QString("key path deeper than %1 levels: %2...").arg(kMaxKeyDepth).arg(key.left(80));
    return "incorrect key name " + key;
}

}  // namespace

std::optional<Root> rootFromName(const QString& name) {
    for (const auto& [root, text] : kRoots) {
        if (name.compare(QLatin1String(text), Qt::CaseInsensitive) == 0) return root;
    }
    return std::nullopt;
}

QString rootName(Root root) {
    for (const auto& [r, text] : kRoots) {
        if (r == root) return QString::fromLatin1(text);
    }
    return {};
}

QString linesText(const std::vector<qsizetype>& lines) {
    constexpr std::size_t kNamed = 5;
    if (lines.size() == 1) return "line " + QString::number(lines[0]);
    QStringList named;
    for (std::size_t i = 0; i < lines.size() && i < kNamed; ++i)
        named << QString::number(lines[i]);
    const QString last =
        lines.size() > kNamed ? QString("%1 more").arg(lines.size() - kNamed) : named.takeLast();
    return "lines " + named.join(", ") + " and " + last;
}

StoreLocations StoreLocations::fromEnvironment(const QString& product) {
    QString config = envPath("XDG_CONFIG_HOME");
    if (config.isEmpty()) config = QDir::homePath() + "/.config";
    QString system;
    for (const QString& dir : qEnvironmentVariable("XDG_CONFIG_DIRS").split(':')) {
        if (QDir::isAbsolutePath(dir)) {
            system = dir;
            break;
        }
    }
    if (system.isEmpty()) system = "/etc/xdg";
    return {config + "/" + product, system + "/" + product, product};
}

RegistryStore::RegistryStore(StoreLocations locations) : locations_(std::move(locations)) {}

QString RegistryStore::filePath(Root root) const {
    switch (root) {
        case Root::CurrentUser:
            return locations_.userFolder + "/HKEY_CURRENT_USER.reg";
        case Root::PerformanceData:
        case Root::DynData:
            return {};
        default:
            return locations_.machineFolder + "/" + rootName(root) + ".reg";
    }
}

RegistryHive RegistryStore::read(Root root) const {
    return load(filePath(root)).hive;
}

Lookup RegistryStore::get(Root root, const QString& key, const ValueName& name) const {
    const RegistryHive hive = read(root);
    const RegistryKey* k = hive.findKey(utf8(key));
    if (!k) return {};
    const NamedValue* v = RegistryHive::findValue(*k, name.bytes);
    if (!v) return {Lookup::Found::NoValue, {}};
    return {Lookup::Found::Value, v->value};
}

bool RegistryStore::keyExists(Root root, const QString& key) const {
    return read(root).findKey(utf8(key)) != nullptr;
}

std::optional<RegistryKey> RegistryStore::readKey(Root root, const QString& key) const {
    const RegistryHive hive = read(root);
    const RegistryKey* k = hive.findKey(utf8(key));
    if (!k) return std::nullopt;
    return *k;
}

FileCheck RegistryStore::check(Root root) const {
    FileCheck result;
    result.path = filePath(root);
    Loaded file = load(result.path);
    result.state = file.state;
    result.problem = file.problem.what;
    result.skippedLines = std::move(file.skippedLines);
    return result;
}

WriteResult RegistryStore::createKey(Root root, const QString& key) {
    const QByteArray path = utf8(key);
    if (!isValidKeyPath(path)) return fail(EINVAL, badKeyPath(key));
    return modify(root, [&](RegistryHive& hive) {
        if (hive.findKey(path)) return Change::None;
        hive.createKey(path);
        return Change::Made;
    });
}

WriteResult RegistryStore::set(Root root, const QString& key, const ValueName& name,
                               RegistryValue value, bool createKey) {
    const QByteArray path = utf8(key);
    if (!isValidKeyPath(path)) return fail(EINVAL, badKeyPath(key));
    return modify(root, [&](RegistryHive& hive) {
        RegistryKey* k = hive.findKey(path);
        if (!k && !createKey) return Change::NotFound;
        if (!k) k = &hive.createKey(path);
        const NamedValue* old = RegistryHive::findValue(*k, name.bytes);
        if (old && old->value == value) return Change::None;
        RegistryHive::setValue(*k, name.bytes, std::move(value));
        return Change::Made;
    });
}

WriteResult RegistryStore::removeValue(Root root, const QString& key, const ValueName& name) {
    const QByteArray path = utf8(key);
    return modify(root, [&](RegistryHive& hive) {
        RegistryKey* k = hive.findKey(path);
        if (!k || !RegistryHive::removeValue(*k, name.bytes)) return Change::NotFound;
        return Change::Made;
    });
}

WriteResult RegistryStore::removeKey(Root root, const QString& key) {
    const QByteArray path = utf8(key);
    if (path.isEmpty()) return fail(EINVAL, "a root key cannot be deleted");
    return modify(root, [&](RegistryHive& hive) {
        return hive.removeKey(path) ? Change::Made : Change::NotFound;
    });
}

WriteResult RegistryStore::fail(int error, const QString& text) {
    lastErrorNumber_ = error;
    lastError_ = text;
    return WriteResult::Failed;
}

std::optional<QString> RegistryStore::keepCopy(const QString& path, const QByteArray& contents,
                                               const std::vector<qsizetype>& skippedLines) {
    for (const Kept& kept : kept_) {
        if (kept.file == path && kept.contents == contents) return kept.copy.copy;
    }
    const QString stem =
        path + ".broken-" + QDateTime::currentDateTime().toString("yyyyMMdd-HHmmss");
    // Never over an earlier copy: each may be all that is left of some values.
    for (int n = 1; n < 100; ++n) {
        const QString copy = n == 1 ? stem : stem + "-" + QString::number(n);
        const auto problem = createStoreFile(copy, contents, 0600);
        if (!problem) {
            kept_.push_back(Kept{path, contents, KeptCopy{copy, skippedLines}});
            return copy;
        }
        if (problem->error != EEXIST) {
            fail(problem->error, "cannot keep a copy of " + path +
                                     ", which could not be read completely: " + problem->what);
            return std::nullopt;
        }
    }
    fail(EEXIST, "cannot keep a copy of " + path + ": too many copies made this second");
    return std::nullopt;
}

std::optional<QString> RegistryStore::keepDamagedCopy(Root root) {
    lastError_.clear();
    lastErrorNumber_ = 0;
    const QString path = filePath(root);
    const Loaded current = load(path);
    if (current.state != FileCheck::State::Damaged) return std::nullopt;
    return keepCopy(path, current.text, current.skippedLines);
}

std::optional<RegistryStore::KeptCopy> RegistryStore::lastKeptCopy(Root root) const {
    const QString path = filePath(root);
    for (auto kept = kept_.rbegin(); kept != kept_.rend(); ++kept) {
        if (kept->file == path) return kept->copy;
    }
    return std::nullopt;
}

WriteResult RegistryStore::modify(Root root, const std::function<Change(RegistryHive&)>& change) {
    lastError_.clear();
    lastErrorNumber_ = 0;
    const QString path = filePath(root);
    if (path.isEmpty()) return fail(EINVAL, rootName(root) + " cannot be stored");
    const QString folder = QFileInfo(path).absolutePath();
    // The user's folder also holds what only they should read (retention.log); the machine's
    // is read by everyone. Either way, whatever the umask.
    aurx::posix::FileAccess access;
    if (root != Root::CurrentUser) access = {0644, 0755, std::nullopt};
    if (const int error =
            aurx::posix::makeFolders(QFile::encodeName(folder).toStdString(), access)) {
        return fail(
            error, "cannot create " + folder + ": " + QString::fromLocal8Bit(std::strerror(error)));
    }
    // Said plainly here: the lock file is the first thing a folder we may not write refuses.
    if (::faccessat(AT_FDCWD, QFile::encodeName(folder).constData(), W_OK, AT_EACCESS) != 0) {
        const int error = errno;
        return fail(error, "cannot write in " + folder + ": " +
                               QString::fromLocal8Bit(std::strerror(error)));
    }
    ScopeLock lock(path);
    if (const auto problem = lock.acquire(kLockPatience))
        return fail(problem->error, "cannot change " + path + ": " + problem->what);
    Loaded current = load(path);
    if (current.state == FileCheck::State::Unreadable) {
        // Replacing a file we cannot read would lose whatever it holds.
        return fail(current.problem.error, "cannot read " + path + ": " + current.problem.what);
    }
    switch (change(current.hive)) {
        case Change::None:
            // A damaged file is made whole by any write, so that it is told of only once.
            if (current.state != FileCheck::State::Damaged) return WriteResult::Ok;
            break;
        case Change::NotFound:
            return WriteResult::NotFound;
        case Change::Made:
            break;
    }
    if (current.state == FileCheck::State::Damaged &&
        !keepCopy(path, current.text, current.skippedLines))
        return WriteResult::Failed;
    const QByteArray text =
        toText(current.hive, rootName(root).toUtf8(), locations_.product.toUtf8());
    if (text.size() > kMaxStoreFileSize)
        return fail(EFBIG, "cannot write " + path + ": it would be too large");
    // The user's file holds the enciphered password: keep it private.
    const mode_t mode = root == Root::CurrentUser ? 0600 : 0644;
    if (const auto problem = replaceStoreFile(path, text, mode))
        return fail(problem->error, "cannot write " + path + ": " + problem->what);
    return WriteResult::Ok;
}

}  // namespace parlaro::registry

#include "platform/registry/RegistryStore.h"

#include "platform/registry/RegistryText.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>

#include <array>

namespace registry {

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

constexpr int kLockWaitMs = 10000;

QString envPath(const char* name) {
    const QString value = qEnvironmentVariable(name);
    // Relative paths in these variables are invalid and must be ignored.
    return QDir::isAbsolutePath(value) ? value : QString();
}

enum class FileState { Missing, Parsed, Unreadable, Malformed };

struct Loaded {
    FileState state = FileState::Missing;
    RegistryHive hive;
    QByteArray text;
};

Loaded load(const QString& path) {
    Loaded result;
    if (path.isEmpty() || !QFileInfo::exists(path)) return result;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.state = FileState::Unreadable;
        return result;
    }
    result.text = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        result.state = FileState::Unreadable;
        return result;
    }
    auto hive = fromText(result.text);
    if (!hive) {
        result.state = FileState::Malformed;
        return result;
    }
    result.state = FileState::Parsed;
    result.hive = std::move(*hive);
    return result;
}

QByteArray utf8(const QString& s) {
    return s.toUtf8();
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

StoreLocations StoreLocations::fromEnvironment() {
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
    return {config + "/Parlaro", system + "/Parlaro"};
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

Lookup RegistryStore::get(Root root, const QString& key, const QString& name) const {
    const RegistryHive hive = read(root);
    const RegistryKey* k = hive.findKey(utf8(key));
    if (!k) return {};
    const NamedValue* v = RegistryHive::findValue(*k, utf8(name));
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

WriteResult RegistryStore::createKey(Root root, const QString& key) {
    const QByteArray path = utf8(key);
    if (!isValidKeyPath(path)) {
        lastError_ = "incorrect key name " + key;
        return WriteResult::Failed;
    }
    return modify(root, [&](RegistryHive& hive) {
        if (hive.findKey(path)) return Change::None;
        hive.createKey(path);
        return Change::Made;
    });
}

WriteResult RegistryStore::set(Root root, const QString& key, const QString& name,
                               RegistryValue value, bool createKey) {
    const QByteArray path = utf8(key);
    const QByteArray valueName = utf8(name);
    if (!isValidKeyPath(path)) {
        lastError_ = "incorrect key name " + key;
        return WriteResult::Failed;
    }
    return modify(root, [&](RegistryHive& hive) {
        RegistryKey* k = hive.findKey(path);
        if (!k && !createKey) return Change::NotFound;
        if (!k) k = &hive.createKey(path);
        const NamedValue* old = RegistryHive::findValue(*k, valueName);
        if (old && old->value == value) return Change::None;
        RegistryHive::setValue(*k, valueName, std::move(value));
        return Change::Made;
    });
}

WriteResult RegistryStore::removeValue(Root root, const QString& key, const QString& name) {
    const QByteArray path = utf8(key);
    const QByteArray valueName = utf8(name);
    return modify(root, [&](RegistryHive& hive) {
        RegistryKey* k = hive.findKey(path);
        if (!k || !RegistryHive::removeValue(*k, valueName)) return Change::NotFound;
        return Change::Made;
    });
}

WriteResult RegistryStore::removeKey(Root root, const QString& key) {
    const QByteArray path = utf8(key);
    if (path.isEmpty()) {
        lastError_ = "a root key cannot be deleted";
        return WriteResult::Failed;
    }
    return modify(root, [&](RegistryHive& hive) {
        return hive.removeKey(path) ? Change::Made : Change::NotFound;
    });
}

WriteResult RegistryStore::modify(Root root, const std::function<Change(RegistryHive&)>& change) {
    lastError_.clear();
    const QString path = filePath(root);
    if (path.isEmpty()) {
        lastError_ = rootName(root) + " cannot be stored";
        return WriteResult::Failed;
    }
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder)) {
        lastError_ = "cannot create " + folder;
        return WriteResult::Failed;
    }
    QLockFile lock(path + ".lock");
    if (!lock.tryLock(kLockWaitMs)) {
        lastError_ = "cannot lock " + path;
        return WriteResult::Failed;
    }
    Loaded current = load(path);
    if (current.state == FileState::Unreadable) {
        // Replacing a file we cannot read would lose whatever it holds.
        lastError_ = "cannot read " + path;
        return WriteResult::Failed;
    }
    switch (change(current.hive)) {
        case Change::None:
            return WriteResult::Ok;
        case Change::NotFound:
            return WriteResult::NotFound;
        case Change::Made:
            break;
    }
    if (current.state == FileState::Malformed) {
        const QString aside =
            path + ".broken-" + QDateTime::currentDateTime().toString("yyyyMMdd-HHmmss");
        QFile::remove(aside);
        if (!QFile::copy(path, aside)) {
            lastError_ = "cannot keep a copy of the unreadable " + path;
            return WriteResult::Failed;
        }
    }
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly)) {
        lastError_ = "cannot write " + path + ": " + out.errorString();
        return WriteResult::Failed;
    }
    // The user's file holds the enciphered password: keep it private.
    out.setPermissions(root == Root::CurrentUser
                           ? QFileDevice::ReadOwner | QFileDevice::WriteOwner
                           : QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                 QFileDevice::ReadGroup | QFileDevice::ReadOther);
    const QByteArray text = toText(current.hive, rootName(root).toUtf8());
    if (out.write(text) != text.size() || !out.commit()) {
        lastError_ = "cannot write " + path + ": " + out.errorString();
        return WriteResult::Failed;
    }
    return WriteResult::Ok;
}

}  // namespace registry

// The two-scope settings store: one text file per root key. HKEY_CURRENT_USER lives in the
// user's configuration folder, HKEY_LOCAL_MACHINE (and the other machine-wide roots) in the
// first system configuration folder. Every write re-reads the file and replaces it atomically
// under an inter-process lock, so programs writing at the same time never lose each other's
// values. A file that cannot be read or parsed reads as empty and is left alone until a write
// succeeds (a malformed one is first kept aside as FILE.broken-TIME).
#pragma once

#include "platform/registry/RegistryHive.h"

#include <QString>

#include <functional>
#include <optional>

namespace registry {

enum class Root {
    ClassesRoot,
    CurrentUser,
    LocalMachine,
    Users,
    PerformanceData,
    CurrentConfig,
    DynData
};

// "HKEY_CURRENT_USER" and so on, without regard to case.
std::optional<Root> rootFromName(const QString& name);
QString rootName(Root root);

struct StoreLocations {
    QString userFolder;     // $XDG_CONFIG_HOME/Parlaro
    QString machineFolder;  // first of $XDG_CONFIG_DIRS + /Parlaro

    static StoreLocations fromEnvironment();
};

enum class WriteResult { Ok, NotFound, Failed };

struct Lookup {
    enum class Found { NoKey, NoValue, Value };
    Found found = Found::NoKey;
    RegistryValue value;
};

class RegistryStore {
  public:
    explicit RegistryStore(StoreLocations locations);

    // Empty for roots that no file stands for (performance and dynamic data).
    QString filePath(Root root) const;

    Lookup get(Root root, const QString& key, const QString& name) const;
    bool keyExists(Root root, const QString& key) const;
    std::optional<RegistryKey> readKey(Root root, const QString& key) const;

    WriteResult createKey(Root root, const QString& key);
    // With createKey false the key must exist already, as when a registry key is opened for
    // writing.
    WriteResult set(Root root, const QString& key, const QString& name, RegistryValue value,
                    bool createKey);
    WriteResult removeValue(Root root, const QString& key, const QString& name);
    WriteResult removeKey(Root root, const QString& key);

    // Why the last write failed, for tools that report it.
    const QString& lastError() const { return lastError_; }

  private:
    enum class Change { Made, None, NotFound };
    RegistryHive read(Root root) const;
    WriteResult modify(Root root, const std::function<Change(RegistryHive&)>& change);

    StoreLocations locations_;
    QString lastError_;
};

}  // namespace registry

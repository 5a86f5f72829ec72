// The two-scope settings store: one text file per root key. HKEY_CURRENT_USER lives in the
// user's configuration folder, HKEY_LOCAL_MACHINE (and the other machine-wide roots) in the
// first system configuration folder. Every write re-reads the file and replaces it atomically
// under an inter-process lock, so programs writing at the same time never lose each other's
// values. A line of a file that cannot be parsed is skipped and the rest read; the next write,
// even one that changes no value, keeps the file as it was aside as FILE.broken-TIME and
// writes it whole again. A file that cannot be read at all
// reads as empty and is never replaced, and neither is a symbolic link or anything but a
// regular file in the file's place.
#pragma once

#include "services/registry/RegistryHive.h"

#include <QString>

#include <functional>
#include <optional>

namespace parlaro::registry {

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
    QString userFolder;     // $XDG_CONFIG_HOME/PRODUCT
    QString machineFolder;  // first of $XDG_CONFIG_DIRS + /PRODUCT
    QString product;        // named at the top of each file

    // The folders named `product` under the XDG configuration folders.
    static StoreLocations fromEnvironment(const QString& product);
};

enum class WriteResult { Ok, NotFound, Failed };

// What a scope's file holds, as far as it could be read.
struct FileCheck {
    enum class State { Missing, Whole, Damaged, Unreadable };
    State state = State::Missing;
    QString path;
    QString problem;                      // Unreadable: why
    std::vector<qsizetype> skippedLines;  // Damaged: the lines that could not be read
};

// "line 3", "lines 3, 7 and 12", "lines 3, 7, 12, 15, 20 and 4 more".
QString linesText(const std::vector<qsizetype>& lines);

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

    Lookup get(Root root, const QString& key, const ValueName& name) const;
    bool keyExists(Root root, const QString& key) const;
    std::optional<RegistryKey> readKey(Root root, const QString& key) const;
    FileCheck check(Root root) const;

    WriteResult createKey(Root root, const QString& key);
    // With createKey false the key must exist already, as when a registry key is opened for
    // writing.
    WriteResult set(Root root, const QString& key, const ValueName& name, RegistryValue value,
                    bool createKey);
    WriteResult removeValue(Root root, const QString& key, const ValueName& name);
    WriteResult removeKey(Root root, const QString& key);

    // Keeps a damaged file as it is now beside it, as FILE.broken-TIME, once for the same
    // contents (a later write then keeps no second copy of them). The copy's path, or nothing
    // with the reason in lastError().
    std::optional<QString> keepDamagedCopy(Root root);

    // The last copy this store kept of a damaged file of the root (before a write made the file
    // whole, perhaps), with the lines that could not be read.
    struct KeptCopy {
        QString copy;
        std::vector<qsizetype> skippedLines;
    };
    std::optional<KeptCopy> lastKeptCopy(Root root) const;

    // Why the last write failed, for tools that report it, and its errno value.
    const QString& lastError() const { return lastError_; }
    int lastErrorNumber() const { return lastErrorNumber_; }

  private:
    enum class Change { Made, None, NotFound };
    struct Kept {
        QString file;
        QByteArray contents;
        KeptCopy copy;
    };
    RegistryHive read(Root root) const;
    WriteResult modify(Root root, const std::function<Change(RegistryHive&)>& change);
    WriteResult fail(int error, const QString& text);
    std::optional<QString> keepCopy(const QString& path, const QByteArray& contents,
                                    const std::vector<qsizetype>& skippedLines);

    StoreLocations locations_;
    QString lastError_;
    int lastErrorNumber_ = 0;
    std::vector<Kept> kept_;
};

}  // namespace parlaro::registry

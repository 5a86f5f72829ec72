// Registry access by full key path ("HKEY_CURRENT_USER\SOFTWARE\Parlaro"), with the sentinels
// callers test for: a string read that fails gives "Error", a 32-bit read 0xDEADBEEF. Strings
// are read whole, however long: a cut folder would be made and filed into. A machine
// scope the user may not write changes nothing quietly; any other write that fails is told,
// once until a write to that scope succeeds again.
#pragma once

#include "services/prompts/Prompter.h"
#include "services/registry/KeyPath.h"

#include <cstdint>
#include <set>

namespace parlaro {

inline const QString kStringSentinel = QStringLiteral("Error");
constexpr int32_t kLongSentinel = static_cast<int32_t>(0xDEADBEEF);

template <typename T>
struct ReadResult {
    T value;
    bool created = false;  // the value was missing and the default has been written
};

class RegistryAccess {
  public:
    // title: the caption of the "Incorrect Format:" box (the program's own title).
    RegistryAccess(registry::RegistryStore& store, Prompter& prompter, QString title)
        : store_(store), prompter_(prompter), title_(std::move(title)) {}

    // Root and sub-key; no root when the first part names none.
    static registry::KeyPath ParseKeyPath(const QString& keyPath);

    void CreateKey(const QString& keyPath);
    void SetStringValue(const QString& keyPath, const QString& name, const QString& text);
    void SetLongValue(const QString& keyPath, const QString& name, int32_t value);
    ReadResult<QString> GetStringValue(const QString& keyPath, const QString& name,
                                       const QString& defaultValue, bool createIfMissing);
    ReadResult<int32_t> GetLongValue(const QString& keyPath, const QString& name,
                                     int32_t defaultValue, bool createIfMissing);

    // Looks at the file behind the key path's scope, once at start-up. One that could not be
    // read completely (now, or before a write of this run made it whole) is told once, naming
    // the file, what was left out and where its copy is kept; it then counts as Damaged.
    registry::FileCheck::State CheckFile(const QString& keyPath);

  private:
    // The root and sub-key of a well-formed path; tells the user about a malformed one.
    std::optional<std::pair<registry::Root, QString>> open(const QString& keyPath);
    void set(const QString& keyPath, const QString& name, registry::RegistryValue value);
    void tellFailedWrite(registry::Root root, const QString& name);
    template <typename T>
    ReadResult<T> get(const QString& keyPath, const QString& name, const T& defaultValue,
                      bool createIfMissing, const T& sentinel);

    registry::RegistryStore& store_;
    Prompter& prompter_;
    QString title_;
    // Scopes whose trouble the user has been told of and that have not been written since.
    std::set<registry::Root> told_;
    std::set<QString> toldCopies_;  // copies of damaged files the user has been told of
};

}  // namespace parlaro

// All keys and values of one root key, as held in one file of the settings store.
#pragma once

#include "services/registry/RegistryValue.h"

#include <QHash>

namespace parlaro::registry {

class RegistryHive {
  public:
    const RegistryKey* findKey(const QByteArray& path) const;
    RegistryKey* findKey(const QByteArray& path);
    // Creates the key and any missing parent; an existing key keeps the case it was made with.
    RegistryKey& createKey(const QByteArray& path);
    // Removes the key and everything below it; false when it did not exist.
    bool removeKey(const QByteArray& path);

    static const NamedValue* findValue(const RegistryKey& key, const QByteArray& name);
    // Sets or replaces a value; a replaced value keeps the case of its first name.
    static void setValue(RegistryKey& key, const QByteArray& name, RegistryValue value);
    static bool removeValue(RegistryKey& key, const QByteArray& name);

    const std::vector<RegistryKey>& keys() const { return keys_; }

  private:
    std::vector<RegistryKey> keys_;
    // Position in keys_ by folded path, so that a file of many keys reads in linear time.
    QHash<QByteArray, std::size_t> index_;
};

}  // namespace parlaro::registry

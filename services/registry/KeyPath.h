// Full key paths such as "HKEY_CURRENT_USER\SOFTWARE\Parlaro": the root named before the first
// "\" and the key below it.
#pragma once

#include "services/registry/RegistryStore.h"

namespace parlaro::registry {

struct KeyPath {
    std::optional<Root> root;  // nothing when the first part names no root key
    QString subKey;            // empty for a root alone
};

// Splits a path at its first "\".
KeyPath splitKeyPath(const QString& path);

// The form every caller must use: it begins with "HKEY_" and does not end with "\".
bool isWellFormedKeyPath(const QString& path);

}  // namespace parlaro::registry

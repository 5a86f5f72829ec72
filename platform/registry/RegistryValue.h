// A value of the settings store: a string kept byte for byte (REG_SZ) or a 32-bit number
// (REG_DWORD), and the keys that hold such values under one root.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace registry {

struct RegistryValue {
    enum class Type { String, Dword };

    Type type = Type::String;
    QByteArray text;     // String: any bytes, NUL and spaces included
    uint32_t dword = 0;  // Dword

    static RegistryValue string(QByteArray bytes) { return {Type::String, std::move(bytes), 0}; }
    static RegistryValue number(uint32_t n) { return {Type::Dword, {}, n}; }
    bool operator==(const RegistryValue&) const = default;
};

struct NamedValue {
    QByteArray name;  // UTF-8, as first written
    RegistryValue value;
};

struct RegistryKey {
    QByteArray path;  // "SOFTWARE\Parlaro"; empty for the root itself
    std::vector<NamedValue> values;
};

// Key and value names compare without regard to case, as the registry does.
bool sameName(const QByteArray& a, const QByteArray& b);

// A key path below a root is valid when it is empty (the root itself) or made of non-empty
// names separated by "\" that hold no control characters.
bool isValidKeyPath(const QByteArray& path);

}  // namespace registry

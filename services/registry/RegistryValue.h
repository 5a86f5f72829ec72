// A value of the settings store: a string kept byte for byte (REG_SZ) or a 32-bit number
// (REG_DWORD), and the keys that hold such values under one root.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace parlaro::registry {

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
    QByteArray name;  // bytes as first written (UTF-8 when it came as text)
    RegistryValue value;
};

// A value name as the store keeps it: bytes. Made from text (as UTF-8) or from bytes as they
// are, so that names which are not UTF-8 stay apart as values do.
struct ValueName {
    ValueName(const char* text) : bytes(text) {}
    ValueName(const QString& text) : bytes(text.toUtf8()) {}
    ValueName(QByteArray raw) : bytes(std::move(raw)) {}
    QByteArray bytes;
};

struct RegistryKey {
    QByteArray path;  // "SOFTWARE\Parlaro"; empty for the root itself
    std::vector<NamedValue> values;
};

bool isUtf8(const QByteArray& bytes);

// Key and value names compare without regard to case, as the registry does. A name that is not
// UTF-8 compares byte for byte, apart from the case of its ASCII letters.
bool sameName(const QByteArray& a, const QByteArray& b);
// The form in which two names are the same exactly when sameName says so.
QByteArray foldedName(const QByteArray& name);

// Keys nest at most this deep below their root.
constexpr int kMaxKeyDepth = 64;

// A key path below a root is valid when it is empty (the root itself) or made of at most
// kMaxKeyDepth non-empty names separated by "\" that hold no control characters.
bool isValidKeyPath(const QByteArray& path);
// Whether the path has more than kMaxKeyDepth names, so that callers can say why it is refused.
bool isTooDeep(const QByteArray& path);

}  // namespace parlaro::registry

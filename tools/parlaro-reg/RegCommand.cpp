#include "tools/parlaro-reg/RegCommand.h"

#include "services/registry/KeyPath.h"
#include "services/registry/RegistryText.h"
#include "tools/parlaro-reg/PasswordCommand.h"

#include <unistd.h>

#include <iostream>
#include <limits>

namespace regtool {

namespace {

using parlaro::registry::RegistryValue;
using parlaro::registry::WriteResult;

constexpr const char* kUsage =
    "usage: parlaro-reg get    KEYPATH NAME\n"
    "       parlaro-reg set    KEYPATH NAME string TEXT\n"
    "       parlaro-reg set    KEYPATH NAME dword  N\n"
    "       parlaro-reg delete KEYPATH [NAME]\n"
    "       parlaro-reg list   KEYPATH\n"
    "       parlaro-reg set-password   KEYPATH   (the password on standard input)\n"
    "       parlaro-reg check-password KEYPATH   (the password on standard input)\n"
    "KEYPATH is written like HKEY_CURRENT_USER\\SOFTWARE\\Parlaro\n";

int usage(std::ostream& err, const std::string& problem) {
    err << "parlaro-reg: " << problem << "\n" << kUsage;
    return 2;
}

std::ostream& operator<<(std::ostream& os, const QByteArray& b) {
    return os.write(b.constData(), b.size());
}

std::ostream& operator<<(std::ostream& os, const QString& s) {
    return os << s.toUtf8();
}

// Decimal (signed or unsigned 32-bit) or 0x hexadecimal.
std::optional<uint32_t> parseDword(const QByteArray& text) {
    bool ok = false;
    if (text.startsWith("0x") || text.startsWith("0X")) {
        const qulonglong v = text.mid(2).toULongLong(&ok, 16);
        if (ok && v <= std::numeric_limits<uint32_t>::max()) return static_cast<uint32_t>(v);
        return std::nullopt;
    }
    const qlonglong v = text.toLongLong(&ok, 10);
    if (!ok || v < std::numeric_limits<int32_t>::min() ||
        v > static_cast<qlonglong>(std::numeric_limits<uint32_t>::max())) {
        return std::nullopt;
    }
    return static_cast<uint32_t>(v);
}

QByteArray valueText(const RegistryValue& v, bool forListing) {
    if (v.type == RegistryValue::Type::Dword) {
        // The programs read these as signed 32-bit numbers (Sensitivity is negative).
        return QByteArray::number(static_cast<int32_t>(v.dword));
    }
    return forListing ? listingText(v.text) : v.text;
}

// A file that cannot be read at all is an error for every command; one with lines that
// cannot be read is worked with (what could be read), and said so.
bool readable(const parlaro::registry::RegistryStore& store, parlaro::registry::Root root,
              std::ostream& err) {
    const parlaro::registry::FileCheck file = store.check(root);
    switch (file.state) {
        case parlaro::registry::FileCheck::State::Missing:
        case parlaro::registry::FileCheck::State::Whole:
            return true;
        case parlaro::registry::FileCheck::State::Unreadable:
            err << "parlaro-reg: cannot read " << file.path << ": " << file.problem << "\n";
            return false;
        case parlaro::registry::FileCheck::State::Damaged:
            err << "parlaro-reg: warning: " << file.path << ": "
                << parlaro::registry::linesText(file.skippedLines)
                << " cannot be read; the rest is used\n";
            return true;
    }
    return true;
}

// Before a write replaces a damaged file, the file as it was is kept beside it.
void keepDamaged(parlaro::registry::RegistryStore& store, parlaro::registry::Root root,
                 std::ostream& err) {
    if (store.check(root).state != parlaro::registry::FileCheck::State::Damaged) return;
    if (const auto copy = store.keepDamagedCopy(root))
        err << "parlaro-reg: the file as it was is kept as " << *copy << "\n";
}

int finish(WriteResult result, const parlaro::registry::RegistryStore& store, std::ostream& err,
           const QString& what) {
    switch (result) {
        case WriteResult::Ok:
            return 0;
        case WriteResult::NotFound:
            err << "parlaro-reg: " << what << " does not exist\n";
            return 1;
        case WriteResult::Failed:
            err << "parlaro-reg: " << what << ": " << store.lastError() << "\n";
            return 1;
    }
    return 1;
}

}  // namespace

QByteArray listingText(const QByteArray& bytes) {
    bool plain = true;
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7f || c == '"' || c == '\\') plain = false;
    }
    if (plain && QString::fromUtf8(bytes).toUtf8() == bytes) return bytes;
    return parlaro::registry::quoted(bytes);
}

int run(const std::vector<QByteArray>& args, parlaro::registry::RegistryStore& store,
        std::ostream& out, std::ostream& err) {
    if (args.size() < 2) return usage(err, "a command and a key path are needed");
    const QByteArray& command = args[0];
    const QString keyPath = QString::fromUtf8(args[1]);
    if (!parlaro::registry::isWellFormedKeyPath(keyPath)) {
        return usage(err, "incorrect key path " + keyPath.toStdString());
    }
    const parlaro::registry::KeyPath key = parlaro::registry::splitKeyPath(keyPath);
    if (!key.root) return usage(err, "no such root key in " + keyPath.toStdString());
    if (parlaro::registry::isTooDeep(key.subKey.toUtf8())) {
        return usage(err, "the key path is deeper than " +
                              std::to_string(parlaro::registry::kMaxKeyDepth) + " levels");
    }
    if (!parlaro::registry::isValidKeyPath(key.subKey.toUtf8())) {
        return usage(err, "empty key name or control character in " + keyPath.toStdString());
    }
    const parlaro::registry::Root root = *key.root;

    if (command == "get") {
        if (args.size() != 3) return usage(err, "get takes KEYPATH NAME");
        if (!readable(store, root, err)) return 1;
        const auto found = store.get(root, key.subKey, args[2]);
        if (found.found != parlaro::registry::Lookup::Found::Value) {
            err << "parlaro-reg: " << args[2] << " not found in " << keyPath << "\n";
            return 1;
        }
        out << valueText(found.value, false) << "\n";
        return 0;
    }
    if (command == "set") {
        if (args.size() != 5) return usage(err, "set takes KEYPATH NAME string|dword VALUE");
        RegistryValue value;
        if (args[3] == "string") {
            value = RegistryValue::string(args[4]);
        } else if (args[3] == "dword") {
            const auto n = parseDword(args[4]);
            if (!n) return usage(err, "not a 32-bit number: " + args[4].toStdString());
            value = RegistryValue::number(*n);
        } else {
            return usage(err, "the type must be string or dword");
        }
        if (!readable(store, root, err)) return 1;
        keepDamaged(store, root, err);
        return finish(store.set(root, key.subKey, args[2], value, true), store, err, keyPath);
    }
    if (command == "delete") {
        if (args.size() != 2 && args.size() != 3) return usage(err, "delete takes KEYPATH [NAME]");
        if (!readable(store, root, err)) return 1;
        keepDamaged(store, root, err);
        if (args.size() == 3) {
            return finish(store.removeValue(root, key.subKey, args[2]), store, err,
                          keyPath + " " + QString::fromUtf8(listingText(args[2])));
        }
        return finish(store.removeKey(root, key.subKey), store, err, keyPath);
    }
    if (command == "list") {
        if (args.size() != 2) return usage(err, "list takes KEYPATH");
        if (!readable(store, root, err)) return 1;
        const auto k = store.readKey(root, key.subKey);
        if (!k) {
            err << "parlaro-reg: " << keyPath << " does not exist\n";
            return 1;
        }
        for (const auto& v : k->values) {
            const bool isString = v.value.type == RegistryValue::Type::String;
            out << listingText(v.name) << (isString ? " (REG_SZ) = " : " (REG_DWORD) = ")
                << valueText(v.value, true) << "\n";
        }
        return 0;
    }
    if (isPasswordCommand(command)) {
        return runPasswordCommand(args, root, key.subKey, store, STDIN_FILENO, out, err);
    }
    return usage(err, "unknown command " + command.toStdString());
}

}  // namespace regtool

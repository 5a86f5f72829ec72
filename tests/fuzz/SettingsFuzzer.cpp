// Reads arbitrary bytes as a settings file, as the store reads each scope's file. Whatever the
// bytes, nothing may crash or take more than linear time; every key read is one the store
// would accept; the lines skipped are lines of the text; what was read is found again by its
// names; and the file the store would write of it reads back whole to the same keys and values.
#include <cstdint>

#include "services/registry/RegistryText.h"

namespace {

void check(bool promise) {
    if (!promise) __builtin_trap();
}

bool sameHive(const parlaro::registry::RegistryHive& a, const parlaro::registry::RegistryHive& b) {
    if (a.keys().size() != b.keys().size()) return false;
    for (std::size_t k = 0; k < a.keys().size(); ++k) {
        const parlaro::registry::RegistryKey& x = a.keys()[k];
        const parlaro::registry::RegistryKey& y = b.keys()[k];
        if (x.path != y.path || x.values.size() != y.values.size()) return false;
        for (std::size_t v = 0; v < x.values.size(); ++v) {
            if (x.values[v].name != y.values[v].name || !(x.values[v].value == y.values[v].value))
                return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray text(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const parlaro::registry::TextReading read = parlaro::registry::readText(text);

    const qsizetype lines = text.count('\n') + 1;
    qsizetype previous = 0;
    for (const qsizetype line : read.skippedLines) {
        check(line > previous && line <= lines);
        previous = line;
    }
    check(parlaro::registry::fromText(text).has_value() == read.skippedLines.empty());

    for (const parlaro::registry::RegistryKey& key : read.hive.keys()) {
        check(parlaro::registry::isValidKeyPath(key.path));
        check(read.hive.findKey(key.path) == &key);
        for (const parlaro::registry::NamedValue& v : key.values)
            check(parlaro::registry::RegistryHive::findValue(key, v.name) == &v);
    }

    const auto again =
        parlaro::registry::fromText(parlaro::registry::toText(read.hive, "HKEY_CURRENT_USER"));
    check(again.has_value());
    check(sameHive(read.hive, *again));
    return 0;
}

#include "platform/registry/RegistryHive.h"

#include <QByteArrayList>
#include <QString>

#include <algorithm>

namespace registry {

namespace {

QString folded(const QByteArray& name) {
    return QString::fromUtf8(name).toCaseFolded();
}

bool isBelow(const QByteArray& path, const QByteArray& ancestor) {
    if (ancestor.isEmpty()) return true;
    if (path.size() <= ancestor.size() || path[ancestor.size()] != '\\') return false;
    return sameName(path.left(ancestor.size()), ancestor);
}

}  // namespace

bool sameName(const QByteArray& a, const QByteArray& b) {
    return a == b || folded(a) == folded(b);
}

bool isValidKeyPath(const QByteArray& path) {
    if (path.isEmpty()) return true;
    for (const QByteArray& part : path.split('\\')) {
        if (part.isEmpty()) return false;
        for (const char c : part) {
            const auto u = static_cast<unsigned char>(c);
            if (u < 0x20 || u == 0x7f) return false;
        }
    }
    return true;
}

const RegistryKey* RegistryHive::findKey(const QByteArray& path) const {
    const auto it = std::find_if(keys_.begin(), keys_.end(),
                                 [&](const RegistryKey& k) { return sameName(k.path, path); });
    return it == keys_.end() ? nullptr : &*it;
}

RegistryKey* RegistryHive::findKey(const QByteArray& path) {
    return const_cast<RegistryKey*>(std::as_const(*this).findKey(path));
}

RegistryKey& RegistryHive::createKey(const QByteArray& path) {
    if (RegistryKey* existing = findKey(path)) return *existing;
    const qsizetype cut = path.lastIndexOf('\\');
    if (cut > 0) createKey(path.left(cut));
    keys_.push_back(RegistryKey{path, {}});
    return keys_.back();
}

bool RegistryHive::removeKey(const QByteArray& path) {
    const auto before = keys_.size();
    std::erase_if(keys_, [&](const RegistryKey& k) {
        return sameName(k.path, path) || isBelow(k.path, path);
    });
    return keys_.size() != before;
}

const NamedValue* RegistryHive::findValue(const RegistryKey& key, const QByteArray& name) {
    const auto it = std::find_if(key.values.begin(), key.values.end(),
                                 [&](const NamedValue& v) { return sameName(v.name, name); });
    return it == key.values.end() ? nullptr : &*it;
}

void RegistryHive::setValue(RegistryKey& key, const QByteArray& name, RegistryValue value) {
    for (NamedValue& v : key.values) {
        if (sameName(v.name, name)) {
            v.value = std::move(value);
            return;
        }
    }
    key.values.push_back(NamedValue{name, std::move(value)});
}

bool RegistryHive::removeValue(RegistryKey& key, const QByteArray& name) {
    return std::erase_if(key.values, [&](const NamedValue& v) { return sameName(v.name, name); }) >
           0;
}

}  // namespace registry

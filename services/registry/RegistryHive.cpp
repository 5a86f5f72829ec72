#include "services/registry/RegistryHive.h"

#include <QByteArrayList>
#include <QString>
#include <QStringDecoder>

#include <algorithm>

namespace parlaro::registry {

namespace {

bool isBelow(const QByteArray& path, const QByteArray& ancestor) {
    if (ancestor.isEmpty()) return true;
    if (path.size() <= ancestor.size() || path[ancestor.size()] != '\\') return false;
    return sameName(path.left(ancestor.size()), ancestor);
}

}  // namespace

bool isUtf8(const QByteArray& bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    [[maybe_unused]] const QString text = decoder.decode(bytes);
    return !decoder.hasError();
}

QByteArray foldedName(const QByteArray& name) {
    // Decoding bytes that are not UTF-8 would turn each of them into the same replacement
    // character; such names keep their bytes and fold only ASCII letters. Folded UTF-8 is still
    // UTF-8, so the two kinds never meet.
    if (isUtf8(name)) return QString::fromUtf8(name).toCaseFolded().toUtf8();
    return name.toLower();
}

bool sameName(const QByteArray& a, const QByteArray& b) {
    return a == b || foldedName(a) == foldedName(b);
}

bool isTooDeep(const QByteArray& path) {
    return !path.isEmpty() && path.count('\\') >= kMaxKeyDepth;
}

bool isValidKeyPath(const QByteArray& path) {
    if (path.isEmpty()) return true;
    if (isTooDeep(path)) return false;
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
    const auto it = index_.constFind(foldedName(path));
    return it == index_.constEnd() ? nullptr : &keys_[*it];
}

RegistryKey* RegistryHive::findKey(const QByteArray& path) {
    return const_cast<RegistryKey*>(std::as_const(*this).findKey(path));
}

RegistryKey& RegistryHive::createKey(const QByteArray& path) {
    if (RegistryKey* existing = findKey(path)) return *existing;
    const qsizetype cut = path.lastIndexOf('\\');
    if (cut > 0) createKey(path.left(cut));
    index_.insert(foldedName(path), keys_.size());
    keys_.push_back(RegistryKey{path, {}});
    return keys_.back();
}

bool RegistryHive::removeKey(const QByteArray& path) {
    const auto before = keys_.size();
    std::erase_if(keys_, [&](const RegistryKey& k) {
        return sameName(k.path, path) || isBelow(k.path, path);
    });
    if (keys_.size() == before) return false;
    index_.clear();
    for (std::size_t i = 0; i < keys_.size(); ++i)
        index_.insert(foldedName(keys_[i].path), i);
    return true;
}

const NamedValue* RegistryHive::findValue(const RegistryKey& key, const QByteArray& name) {
    const QByteArray folded = foldedName(name);
    const auto it = std::find_if(key.values.begin(), key.values.end(), [&](const NamedValue& v) {
        return v.name == name || foldedName(v.name) == folded;
    });
    return it == key.values.end() ? nullptr : &*it;
}

void RegistryHive::setValue(RegistryKey& key, const QByteArray& name, RegistryValue value) {
    if (auto* existing = const_cast<NamedValue*>(findValue(key, name))) {
        existing->value = std::move(value);
        return;
    }
    key.values.push_back(NamedValue{name, std::move(value)});
}

bool RegistryHive::removeValue(RegistryKey& key, const QByteArray& name) {
    return std::erase_if(key.values, [&](const NamedValue& v) { return sameName(v.name, name); }) >
           0;
}

}  // namespace parlaro::registry

#include "core/settings/RegistryAccess.h"

#include <cerrno>

namespace parlaro {

namespace {

using registry::RegistryValue;

RegistryValue toValue(const QString& text) {
    return RegistryValue::string(text.toUtf8());
}
RegistryValue toValue(int32_t n) {
    return RegistryValue::number(static_cast<uint32_t>(n));
}

std::optional<QString> fromValue(const RegistryValue& v, const QString*) {
    if (v.type != RegistryValue::Type::String) return std::nullopt;
    return QString::fromUtf8(v.text);
}

std::optional<int32_t> fromValue(const RegistryValue& v, const int32_t*) {
    if (v.type != RegistryValue::Type::Dword) return std::nullopt;
    return static_cast<int32_t>(v.dword);
}

}  // namespace

registry::KeyPath RegistryAccess::ParseKeyPath(const QString& keyPath) {
    return registry::splitKeyPath(keyPath);
}

std::optional<std::pair<registry::Root, QString>> RegistryAccess::open(const QString& keyPath) {
    if (!registry::isWellFormedKeyPath(keyPath)) {
        prompter_.show({title_, "Incorrect Format:\n\n" + keyPath, Icon::None, Buttons::Ok});
        return std::nullopt;
    }
    const registry::KeyPath parsed = ParseKeyPath(keyPath);
    if (!parsed.root || !registry::isValidKeyPath(parsed.subKey.toUtf8())) return std::nullopt;
    return std::make_pair(*parsed.root, parsed.subKey);
}

void RegistryAccess::CreateKey(const QString& keyPath) {
    if (const auto key = open(keyPath)) store_.createKey(key->first, key->second);
}

void RegistryAccess::set(const QString& keyPath, const QString& name, RegistryValue value) {
    const auto key = open(keyPath);
    if (!key) return;
    if (store_.set(key->first, key->second, name, std::move(value), false) ==
        registry::WriteResult::Failed) {
        tellFailedWrite(key->first, name);
    } else {
        told_.erase(key->first);
    }
}

void RegistryAccess::tellFailedWrite(registry::Root root, const QString& name) {
    const int error = store_.lastErrorNumber();
    const bool denied = error == EACCES || error == EPERM || error == EROFS;
    // The machine scope is shared: a user who may not write it is expected to fail.
    if ((root != registry::Root::CurrentUser && denied) || told_.contains(root)) return;
    told_.insert(root);
    prompter_.show(
        {title_, QString("The setting \"%1\" could not be saved: %2").arg(name, store_.lastError()),
         Icon::Exclamation, Buttons::Ok});
}

void RegistryAccess::SetStringValue(const QString& keyPath, const QString& name,
                                    const QString& text) {
    set(keyPath, name, toValue(text));
}

void RegistryAccess::SetLongValue(const QString& keyPath, const QString& name, int32_t value) {
    set(keyPath, name, toValue(value));
}

registry::FileCheck::State RegistryAccess::CheckFile(const QString& keyPath) {
    using State = registry::FileCheck::State;
    const auto key = open(keyPath);
    if (!key) return State::Missing;
    const registry::Root root = key->first;
    const registry::FileCheck file = store_.check(root);
    if (file.state == State::Unreadable) {
        // Writes that fail because of the same trouble need no second box.
        told_.insert(root);
        prompter_.show({title_,
                        QString("Parlaro could not read its settings file %1 (%2) and goes on "
                                "with its default settings. The file is left as it is.")
                            .arg(file.path, file.problem),
                        Icon::Exclamation, Buttons::Ok});
        return file.state;
    }
    std::vector<qsizetype> skipped = file.skippedLines;
    std::optional<QString> copy;
    if (file.state == State::Damaged) {
        copy = store_.keepDamagedCopy(root);
    } else if (const auto kept = store_.lastKeptCopy(root);
               kept && !toldCopies_.contains(kept->copy)) {
        // A write before this look (the keys made at start-up) has already made it whole.
        skipped = kept->skippedLines;
        copy = kept->copy;
    } else {
        return file.state;
    }
    QString text = QString(
                       "Parlaro could not read %1 of its settings file %2 and goes on with "
                       "the rest.")
                       .arg(registry::linesText(skipped), file.path);
    if (copy) {
        text += " The file as it was is kept as " + *copy + ".";
        toldCopies_.insert(*copy);
    } else {
        text += " The file is left as it is, as no copy of it could be kept: " + store_.lastError();
        told_.insert(root);
    }
    prompter_.show({title_, text, Icon::Exclamation, Buttons::Ok});
    return State::Damaged;
}

template <typename T>
ReadResult<T> RegistryAccess::get(const QString& keyPath, const QString& name,
                                  const T& defaultValue, bool createIfMissing, const T& sentinel) {
    const auto key = open(keyPath);
    if (!key) return {sentinel, false};
    const registry::Lookup found = store_.get(key->first, key->second, name);
    switch (found.found) {
        case registry::Lookup::Found::NoKey:
            return {sentinel, false};
        case registry::Lookup::Found::NoValue:
            if (!createIfMissing) return {sentinel, false};
            // A scope the user may not write still hands out the default.
            set(keyPath, name, toValue(defaultValue));
            return {defaultValue, true};
        case registry::Lookup::Found::Value:
            break;
    }
    // A value of the other kind cannot be read as this one.
    const auto value = fromValue(found.value, static_cast<const T*>(nullptr));
    return {value.value_or(sentinel), false};
}

ReadResult<QString> RegistryAccess::GetStringValue(const QString& keyPath, const QString& name,
                                                   const QString& defaultValue,
                                                   bool createIfMissing) {
    return get<QString>(keyPath, name, defaultValue, createIfMissing, kStringSentinel);
}

ReadResult<int32_t> RegistryAccess::GetLongValue(const QString& keyPath, const QString& name,
                                                 int32_t defaultValue, bool createIfMissing) {
    return get<int32_t>(keyPath, name, defaultValue, createIfMissing, kLongSentinel);
}

}  // namespace parlaro

#include "core/settings/SettingsAccess.h"

namespace parlaro {

KeyPaths KeyPaths::forProduct(const QString& productName) {
    return {"HKEY_CURRENT_USER\\SOFTWARE\\" + productName,
            "HKEY_LOCAL_MACHINE\\SOFTWARE\\" + productName};
}

QString SettingsAccess::ReadSetting(const QString& name, const QString& defaultValue) {
    const auto user = registry_.GetStringValue(paths_.user, name, defaultValue, true);
    if (!user.created) return user.value;
    QString value = defaultValue;
    const auto machine = registry_.GetStringValue(paths_.machine, name, defaultValue, false);
    if (machine.value != kStringSentinel) {
        value = machine.value;
        registry_.SetStringValue(paths_.user, name, value);
    }
    registry_.SetStringValue(paths_.machine, name, value);
    return value;
}

int32_t SettingsAccess::ReadSettingLong(const QString& name, int32_t defaultValue) {
    const auto user = registry_.GetLongValue(paths_.user, name, defaultValue, true);
    if (!user.created) return user.value;
    int32_t value = defaultValue;
    const auto machine = registry_.GetLongValue(paths_.machine, name, defaultValue, false);
    if (machine.value != kLongSentinel) {
        value = machine.value;
        registry_.SetLongValue(paths_.user, name, value);
    }
    registry_.SetLongValue(paths_.machine, name, value);
    return value;
}

QString SettingsAccess::LookUpSetting(const QString& name, const QString& defaultValue) {
    for (const QString& key : {paths_.user, paths_.machine}) {
        const QString value = registry_.GetStringValue(key, name, defaultValue, false).value;
        if (value != kStringSentinel) return value;
    }
    return defaultValue;
}

int32_t SettingsAccess::LookUpSettingLong(const QString& name, int32_t defaultValue) {
    for (const QString& key : {paths_.user, paths_.machine}) {
        const int32_t value = registry_.GetLongValue(key, name, defaultValue, false).value;
        if (value != kLongSentinel) return value;
    }
    return defaultValue;
}

void SettingsAccess::WriteSetting(const QString& name, const QString& text) {
    registry_.SetStringValue(paths_.user, name, text);
    registry_.SetStringValue(paths_.machine, name, text);
}

void SettingsAccess::WriteSettingLong(const QString& name, int32_t value) {
    registry_.SetLongValue(paths_.user, name, value);
    registry_.SetLongValue(paths_.machine, name, value);
}

void SettingsAccess::SaveAllSettings(const AppSettings& s) {
    WriteSetting("SearchPath", s.SearchPath);
    WriteSettingLong("Minimised", s.Minimised ? 1 : 0);
    WriteSettingLong("Top", s.Top);
    WriteSettingLong("Left", s.Left);
    WriteSetting("CallPath", s.CallPath);
    WriteSettingLong("AddNote", s.AddNote ? 1 : 0);
    WriteSettingLong("AutoRecord", s.AutoRecord ? 1 : 0);
    WriteSettingLong("Maximise", s.Maximise ? 1 : 0);
    WriteSettingLong("CanPlay", s.CanPlay ? 1 : 0);
    WriteSettingLong("CanDelete", s.CanDelete ? 1 : 0);
    WriteSettingLong("PlayOwnOnly", s.PlayOwnOnly ? 1 : 0);
    WriteSettingLong("DeleteOwnOnly", s.DeleteOwnOnly ? 1 : 0);
    WriteSettingLong("CallTimeOut", s.CallTimeOut);
    WriteSettingLong("Sensitivity", s.Sensitivity);
    WriteSettingLong("MinCallLength", s.MinCallLength);
    WriteSettingLong("Format", s.Format);
    WriteSettingLong("SD", s.SD);
    WriteSettingLong("PreRoll", s.PreRoll);
    WriteSettingLong("KeepDays", s.KeepDays);
    WriteSettingLong("ShareFormat", s.ShareFormat);
    WriteSettingLong("Input", s.Input);
}

}  // namespace parlaro

// Settings by value name across the two scopes: reads try the user scope first and fall back
// to the machine scope (so a new user inherits what an administrator or an earlier user set);
// writes go to both.
#pragma once

#include "core/settings/AppSettings.h"
#include "core/settings/RegistryAccess.h"

namespace parlaro {

struct KeyPaths {
    QString user;     // "HKEY_CURRENT_USER\SOFTWARE\Parlaro"
    QString machine;  // "HKEY_LOCAL_MACHINE\SOFTWARE\Parlaro"

    static KeyPaths forProduct(const QString& productName);
};

class SettingsAccess {
  public:
    SettingsAccess(RegistryAccess& registry, KeyPaths paths)
        : registry_(registry), paths_(std::move(paths)) {}

    const KeyPaths& paths() const { return paths_; }

    QString ReadSetting(const QString& name, const QString& defaultValue);
    int32_t ReadSettingLong(const QString& name, int32_t defaultValue);
    // As the reads above, for programs that only read: a missing value gives the default and is
    // written into neither scope.
    QString LookUpSetting(const QString& name, const QString& defaultValue);
    int32_t LookUpSettingLong(const QString& name, int32_t defaultValue);
    void WriteSetting(const QString& name, const QString& text);
    void WriteSettingLong(const QString& name, int32_t value);
    // Every setting of AppSettings except PW, to both scopes.
    void SaveAllSettings(const AppSettings& settings);

  private:
    RegistryAccess& registry_;
    KeyPaths paths_;
};

}  // namespace parlaro

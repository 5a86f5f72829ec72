// The program's settings opened as the window opens them: the store in the product's folders,
// registry access telling its trouble through `prompter`, and both scopes' keys made, so
// reads fall back from the user's scope to the machine's.
#pragma once

#include "core/settings/SettingsAccess.h"
#include "services/registry/RegistryStore.h"

namespace parlaro {

class ProductSettings {
  public:
    explicit ProductSettings(Prompter& prompter);
    ProductSettings(const ProductSettings&) = delete;
    ProductSettings& operator=(const ProductSettings&) = delete;

    RegistryAccess& registry() { return registry_; }
    SettingsAccess& settings() { return settings_; }

  private:
    registry::RegistryStore store_;
    RegistryAccess registry_;
    SettingsAccess settings_;
};

}  // namespace parlaro

#include "core/settings/ProductSettings.h"

#include "core/settings/Product.h"

namespace parlaro {

ProductSettings::ProductSettings(Prompter& prompter)
    : store_(registry::StoreLocations::fromEnvironment(kProductName)),
      registry_(store_, prompter, kProductName),
      settings_(registry_, KeyPaths::forProduct(kProductName)) {
    registry_.CreateKey("HKEY_CURRENT_USER\\Software\\" + kProductName);
    registry_.CreateKey("HKEY_LOCAL_MACHINE\\Software\\" + kProductName);
}

}  // namespace parlaro

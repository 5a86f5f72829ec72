// A form's size and position (twips), kept as the strings "Height", "Width", "Left" and "Top"
// in the user's "Form Position" section of the settings store.
#pragma once

#include "core/settings/RegistryAccess.h"

#include <optional>

namespace parlaro {

struct FormGeometry {
    int32_t height = 0, width = 0, left = 0, top = 0;
};

constexpr int kTwipsPerPixel = 15;

class FormPosition {
  public:
    // Other windows than the main one keep theirs in a section of their own below it, so that
    // one window's place never moves another.
    FormPosition(RegistryAccess& registry, const QString& userKeyPath, const QString& form = {})
        : registry_(registry),
          key_(userKeyPath + "\\Form Position" + (form.isEmpty() ? QString() : "\\" + form)) {}

    void save(const FormGeometry& g);
    // Nothing until a position has been saved.
    std::optional<FormGeometry> load();

  private:
    RegistryAccess& registry_;
    QString key_;
};

}  // namespace parlaro

#include "app/support/FormPosition.h"

namespace parlaro {

void FormPosition::save(const FormGeometry& g) {
    registry_.CreateKey(key_);
    registry_.SetStringValue(key_, "Height", QString::number(g.height));
    registry_.SetStringValue(key_, "Width", QString::number(g.width));
    registry_.SetStringValue(key_, "Left", QString::number(g.left));
    registry_.SetStringValue(key_, "Top", QString::number(g.top));
}

std::optional<FormGeometry> FormPosition::load() {
    auto number = [&](const char* name) -> std::optional<int32_t> {
        bool ok = false;
        const int32_t n = registry_.GetStringValue(key_, name, "", false).value.toInt(&ok);
        return ok ? std::optional(n) : std::nullopt;
    };
    const auto h = number("Height"), w = number("Width"), l = number("Left"), t = number("Top");
    if (!h || !w || !l || !t || *h <= 0 || *w <= 0) return std::nullopt;
    return FormGeometry{*h, *w, *l, *t};
}

}  // namespace parlaro

#include "recorder/qt/SystemPalette.h"

namespace aurxqt {
namespace {

struct RoleOf {
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
};

std::optional<RoleOf> roleOf(int index) {
    using P = QPalette;
    switch (index) {
        case meter::kScrollBar:
        case meter::kActiveBorder:
        case meter::kInactiveBorder:
        case meter::kButtonFace:
            return RoleOf{P::Active, P::Button};
        case meter::kDesktop:
        case meter::kAppWorkspace:
        case meter::kButtonShadow:
            return RoleOf{P::Active, P::Dark};
        case meter::kActiveCaption:
        case meter::kGradientActiveCaption:
        case meter::kHighlight:
        case meter::kMenuHighlight:
            return RoleOf{P::Active, P::Highlight};
        // An inactive window's caption wears the highlight of an inactive window.
        case meter::kInactiveCaption:
        case meter::kGradientInactiveCaption:
            return RoleOf{P::Inactive, P::Highlight};
        case meter::kCaptionText:
        case meter::kHighlightText:
            return RoleOf{P::Active, P::HighlightedText};
        case meter::kInactiveCaptionText:
            return RoleOf{P::Inactive, P::HighlightedText};
        case meter::kMenu:
        case meter::kMenuBar:
            return RoleOf{P::Active, P::Window};
        case meter::kWindow:
            return RoleOf{P::Active, P::Base};
        case meter::kWindowFrame:
        case meter::kDarkShadow3D:
            return RoleOf{P::Active, P::Shadow};
        case meter::kMenuText:
            return RoleOf{P::Active, P::WindowText};
        case meter::kWindowText:
            return RoleOf{P::Active, P::Text};
        case meter::kGrayText:
            return RoleOf{P::Disabled, P::Text};
        case meter::kButtonText:
            return RoleOf{P::Active, P::ButtonText};
        case meter::kButtonHighlight:
            return RoleOf{P::Active, P::Light};
        case meter::kLight3D:
            return RoleOf{P::Active, P::Midlight};
        case meter::kInfoText:
            return RoleOf{P::Active, P::ToolTipText};
        case meter::kInfoBackground:
            return RoleOf{P::Active, P::ToolTipBase};
        case meter::kHotLight:
            return RoleOf{P::Active, P::Link};
        default:
            return std::nullopt;
    }
}

}  // namespace

std::optional<meter::Rgb> systemColor(const QPalette& palette, int index) {
    const std::optional<RoleOf> r = roleOf(index);
    if (!r) return std::nullopt;
    const QColor c = palette.color(r->group, r->role).toRgb();
    return meter::Rgb{static_cast<std::uint8_t>(c.red()), static_cast<std::uint8_t>(c.green()),
                      static_cast<std::uint8_t>(c.blue())};
}

meter::SystemColorResolver paletteResolver(QPalette palette) {
    return [palette = std::move(palette)](int index) { return systemColor(palette, index); };
}

}  // namespace aurxqt

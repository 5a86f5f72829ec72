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
        case aurx::meter::kScrollBar:
        case aurx::meter::kActiveBorder:
        case aurx::meter::kInactiveBorder:
        case aurx::meter::kButtonFace:
            return RoleOf{P::Active, P::Button};
        case aurx::meter::kDesktop:
        case aurx::meter::kAppWorkspace:
        case aurx::meter::kButtonShadow:
            return RoleOf{P::Active, P::Dark};
        case aurx::meter::kActiveCaption:
        case aurx::meter::kGradientActiveCaption:
        case aurx::meter::kHighlight:
        case aurx::meter::kMenuHighlight:
            return RoleOf{P::Active, P::Highlight};
        // An inactive window's caption wears the highlight of an inactive window.
        case aurx::meter::kInactiveCaption:
        case aurx::meter::kGradientInactiveCaption:
            return RoleOf{P::Inactive, P::Highlight};
        case aurx::meter::kCaptionText:
        case aurx::meter::kHighlightText:
            return RoleOf{P::Active, P::HighlightedText};
        case aurx::meter::kInactiveCaptionText:
            return RoleOf{P::Inactive, P::HighlightedText};
        case aurx::meter::kMenu:
        case aurx::meter::kMenuBar:
            return RoleOf{P::Active, P::Window};
        case aurx::meter::kWindow:
            return RoleOf{P::Active, P::Base};
        case aurx::meter::kWindowFrame:
        case aurx::meter::kDarkShadow3D:
            return RoleOf{P::Active, P::Shadow};
        case aurx::meter::kMenuText:
            return RoleOf{P::Active, P::WindowText};
        case aurx::meter::kWindowText:
            return RoleOf{P::Active, P::Text};
        case aurx::meter::kGrayText:
            return RoleOf{P::Disabled, P::Text};
        case aurx::meter::kButtonText:
            return RoleOf{P::Active, P::ButtonText};
        case aurx::meter::kButtonHighlight:
            return RoleOf{P::Active, P::Light};
        case aurx::meter::kLight3D:
            return RoleOf{P::Active, P::Midlight};
        case aurx::meter::kInfoText:
            return RoleOf{P::Active, P::ToolTipText};
        case aurx::meter::kInfoBackground:
            return RoleOf{P::Active, P::ToolTipBase};
        case aurx::meter::kHotLight:
            return RoleOf{P::Active, P::Link};
        default:
            return std::nullopt;
    }
}

}  // namespace

std::optional<aurx::meter::Rgb> systemColor(const QPalette& palette, int index) {
    const std::optional<RoleOf> r = roleOf(index);
    if (!r) return std::nullopt;
    const QColor c = palette.color(r->group, r->role).toRgb();
    return aurx::meter::Rgb{static_cast<std::uint8_t>(c.red()),
                            static_cast<std::uint8_t>(c.green()),
                            static_cast<std::uint8_t>(c.blue())};
}

aurx::meter::SystemColorResolver paletteResolver(QPalette palette) {
    return [palette = std::move(palette)](int index) { return systemColor(palette, index); };
}

}  // namespace aurxqt

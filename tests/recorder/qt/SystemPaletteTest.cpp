// System colours come from the palette roles that play the same part in a Qt form.
#include <gtest/gtest.h>

#include "recorder/qt/SystemPalette.h"

namespace aurxqt {
namespace {

TEST(SystemPalette, WindowsColourIndicesReadTheMatchingRoles) {
    // Every role of every group a colour of its own, so a wrong role cannot pass.
    QPalette palette;
    for (int g = 0; g < QPalette::NColorGroups; ++g)
        for (int r = 0; r < QPalette::NColorRoles; ++r)
            palette.setColor(static_cast<QPalette::ColorGroup>(g),
                             static_cast<QPalette::ColorRole>(r), QColor(g * 40 + 10, r * 10, 77));
    const struct {
        int index;
        QPalette::ColorGroup group;
        QPalette::ColorRole role;
    } rows[] = {
        {aurx::meter::kButtonFace, QPalette::Active, QPalette::Button},
        {aurx::meter::kButtonText, QPalette::Active, QPalette::ButtonText},
        {aurx::meter::kButtonShadow, QPalette::Active, QPalette::Dark},
        {aurx::meter::kButtonHighlight, QPalette::Active, QPalette::Light},
        {aurx::meter::kWindow, QPalette::Active, QPalette::Base},
        {aurx::meter::kWindowText, QPalette::Active, QPalette::Text},
        {aurx::meter::kMenu, QPalette::Active, QPalette::Window},
        {aurx::meter::kHighlight, QPalette::Active, QPalette::Highlight},
        {aurx::meter::kHighlightText, QPalette::Active, QPalette::HighlightedText},
        {aurx::meter::kGrayText, QPalette::Disabled, QPalette::Text},
        {aurx::meter::kInfoBackground, QPalette::Active, QPalette::ToolTipBase},
        {aurx::meter::kInactiveCaption, QPalette::Inactive, QPalette::Highlight},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.index);
        const QColor c = palette.color(row.group, row.role);
        const auto rgb = systemColor(palette, row.index);
        ASSERT_TRUE(rgb.has_value());
        EXPECT_EQ(QColor(rgb->r, rgb->g, rgb->b), c);
    }
    for (const int unknown : {25, 31, 255, -1}) {
        SCOPED_TRACE(unknown);
        EXPECT_FALSE(systemColor(palette, unknown).has_value());
    }
}

}  // namespace
}  // namespace aurxqt

// OLE colour values to RGB: plain values by their bytes, system colours through the host.
#include <gtest/gtest.h>

#include "aurx/OleColor.h"

namespace aurx::meter {
namespace {

TEST(OleColor, PlainAndSystemValues) {
    // A host that knows only the button face and the window colour.
    const SystemColorResolver host = [](int index) -> std::optional<Rgb> {
        if (index == kButtonFace) return Rgb{0xd4, 0xd0, 0xc8};
        if (index == kWindow) return Rgb{0xff, 0xff, 0xff};
        return std::nullopt;
    };
    const struct {
        OleColor value;
        Rgb expected;
    } rows[] = {
        {0x000000FF, {255, 0, 0}},
        {0x0000FF00, {0, 255, 0}},
        {0x0000FFFF, {255, 255, 0}},
        {0x00123456, {0x56, 0x34, 0x12}},
        {0x00000000, {0, 0, 0}},
        {0x00FFFFFF, {255, 255, 255}},
        {0x8000000F, {0xd4, 0xd0, 0xc8}},
        {systemColor(kWindow), {255, 255, 255}},
        // A palette-relative value still names its colour in its low bytes.
        {0x02123456, {0x56, 0x34, 0x12}},
        // System colours the host does not know, and bits no system colour has.
        {systemColor(kHighlight), {0, 0, 0}},
        {0x800000FF, {0, 0, 0}},
        {0x8001000F, {0, 0, 0}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << std::hex << row.value);
        EXPECT_EQ(translateOleColor(row.value, host), row.expected);
    }
    EXPECT_EQ(translateOleColor(0x8000000F, nullptr), Rgb{});
}

}  // namespace
}  // namespace aurx::meter

// Colours as the control keeps them (OLE colour values) and as the meter paints them (RGB).
// A plain value is 0x00BBGGRR; a value with the high bit set names a system colour by its
// index, which only the host can resolve against its current palette.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include "aurx/aurx_export.h"

namespace aurx::meter {

using OleColor = std::uint32_t;

struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    bool operator==(const Rgb&) const = default;
};

// The system colours an OLE colour value can name, by their index.
enum SystemColor : int {
    kScrollBar = 0,
    kDesktop = 1,
    kActiveCaption = 2,
    kInactiveCaption = 3,
    kMenu = 4,
    kWindow = 5,
    kWindowFrame = 6,
    kMenuText = 7,
    kWindowText = 8,
    kCaptionText = 9,
    kActiveBorder = 10,
    kInactiveBorder = 11,
    kAppWorkspace = 12,
    kHighlight = 13,
    kHighlightText = 14,
    kButtonFace = 15,
    kButtonShadow = 16,
    kGrayText = 17,
    kButtonText = 18,
    kInactiveCaptionText = 19,
    kButtonHighlight = 20,
    kDarkShadow3D = 21,
    kLight3D = 22,
    kInfoText = 23,
    kInfoBackground = 24,
    kHotLight = 26,
    kGradientActiveCaption = 27,
    kGradientInactiveCaption = 28,
    kMenuHighlight = 29,
    kMenuBar = 30,
};

inline constexpr OleColor kSystemColorFlag = 0x80000000u;

constexpr OleColor systemColor(int index) {
    return kSystemColorFlag | static_cast<OleColor>(index);
}

// The host's current colour for a system colour index, or nothing for an index it does not
// know.
using SystemColorResolver = std::function<std::optional<Rgb>(int index)>;

// A system colour that the resolver does not know paints black, so a stray value shows as
// something plain rather than as whatever its bits spell; any other value's low three bytes
// are its colour.
AURX_EXPORT Rgb translateOleColor(OleColor value, const SystemColorResolver& resolve);

}  // namespace aurx::meter

#include "aurx/OleColor.h"

namespace aurx::meter {

Rgb translateOleColor(OleColor value, const SystemColorResolver& resolve) {
    if (value & kSystemColorFlag) {
        const int index = static_cast<int>(value & 0xFFFFu);
        // Bits between the flag and the index make no colour that a palette could name.
        if ((value & 0x7FFF0000u) == 0 && resolve) {
            if (const std::optional<Rgb> rgb = resolve(index)) return *rgb;
        }
        return Rgb{};
    }
    return Rgb{static_cast<std::uint8_t>(value & 0xFF),
               static_cast<std::uint8_t>(value >> 8 & 0xFF),
               static_cast<std::uint8_t>(value >> 16 & 0xFF)};
}

}  // namespace aurx::meter

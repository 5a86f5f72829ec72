// The text form of a format block: two hexadecimal digits per byte, high half first.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>
#include "aurx/aurx_export.h"

namespace aurx::formats {

// Bytes of `text`, or nothing when it has an odd length or a character that is not a hex digit.
AURX_EXPORT std::optional<std::vector<std::uint8_t>> fromHex(std::string_view text);
// Lower-case digits.
AURX_EXPORT std::string toHex(std::span<const std::uint8_t> bytes);

}  // namespace aurx::formats

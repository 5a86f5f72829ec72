// Blowfish's initial subkeys and S-boxes (the hexadecimal digits of pi), before any key.
#pragma once

#include <array>
#include <cstdint>

namespace parlaro::blowfish {

inline constexpr int kRounds = 16;
inline constexpr int kSubkeys = kRounds + 2;

extern const std::array<uint32_t, kSubkeys> kInitialP;
extern const std::array<std::array<uint32_t, 256>, 4> kInitialS;

}  // namespace parlaro::blowfish

// ITU-T G.711 A-law and µ-law companding in its common reference form (segment search over
// the 0xFF..0x7FFF end points), as used by the recorder's own converter and the G.711 driver.
#pragma once

#include <cstdint>

namespace aurx::codecs::g711 {

std::uint8_t linearToALaw(std::int16_t sample);
std::int16_t aLawToLinear(std::uint8_t code);
std::uint8_t linearToMuLaw(std::int16_t sample);
std::int16_t muLawToLinear(std::uint8_t code);

}  // namespace aurx::codecs::g711

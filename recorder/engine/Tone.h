// The marker tone written before and after every recorded stretch: an 880 Hz sine from phase
// 0 at half of full scale, the same on every channel.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/codecs/WaveFormat.h"

namespace engine {

enum class ToneCoding { Linear, ALaw, MuLaw };

// Frames of a tone of `seconds` at `rate`: truncate(seconds × rate), 0 when not positive.
std::int64_t toneFrames(float seconds, std::uint32_t rate);

// The tone's bytes in `format` (8- or 16-bit linear PCM), or as G.711 codes of its 16-bit
// values (one byte per sample) when `coding` says so.
std::vector<std::uint8_t> markerTone(std::int64_t frames, const codecs::WaveFormat& format,
                                     ToneCoding coding);

}  // namespace engine

// The marker tone written before and after every recorded stretch: an 880 Hz sine from phase
// 0 at half of full scale, the same on every channel.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/codecs/WaveFormat.h"

namespace aurx::engine {

enum class ToneCoding { Linear, ALaw, MuLaw };

// The longest tone the control accepts, in seconds.
inline constexpr float kLongestTone = 60;

// Frames of a tone of `seconds` at `rate`: truncate(seconds × rate), 0 when not positive, at
// most the frames of kLongestTone.
std::int64_t toneFrames(float seconds, std::uint32_t rate);

// `frames` frames of the tone from its frame `first` on, in `format` (8- or 16-bit linear
// PCM), or as G.711 codes of its 16-bit values (one byte per sample) when `coding` says so.
// A long tone is made in pieces that follow each other without a seam.
std::vector<std::uint8_t> markerTone(std::int64_t frames, const codecs::WaveFormat& format,
                                     ToneCoding coding, std::int64_t first = 0);

}  // namespace aurx::engine

#include "recorder/engine/Tone.h"

#include <cmath>

#include "platform/codecs/G711.h"

namespace aurx::engine {

std::int64_t toneFrames(float seconds, std::uint32_t rate) {
    if (!(seconds > 0)) return 0;
    const double frames = std::trunc(static_cast<double>(seconds) * rate);
    const double longest = static_cast<double>(kLongestTone) * rate;
    return frames > 0 ? static_cast<std::int64_t>(std::min(frames, longest)) : 0;
}

std::vector<std::uint8_t> markerTone(std::int64_t frames, const codecs::WaveFormat& f,
                                     ToneCoding coding, std::int64_t first) {
    std::vector<std::uint8_t> out;
    if (frames <= 0) return out;
    const bool sixteen = coding == ToneCoding::Linear && f.bitsPerSample == 16;
    out.reserve(static_cast<std::size_t>(frames) * f.channels * (sixteen ? 2 : 1));
    for (std::int64_t i = first; i < first + frames; ++i) {
        const double v = std::sin(static_cast<double>(i) * 5529.20307104 / f.samplesPerSec);
        for (unsigned c = 0; c < f.channels; ++c) {
            const auto s = static_cast<std::int16_t>(std::trunc(16384 * v));
            switch (coding) {
                case ToneCoding::ALaw:
                    out.push_back(codecs::g711::linearToALaw(s));
                    break;
                case ToneCoding::MuLaw:
                    out.push_back(codecs::g711::linearToMuLaw(s));
                    break;
                case ToneCoding::Linear:
                    if (sixteen) {
                        out.push_back(static_cast<std::uint8_t>(s & 0xFF));
                        out.push_back(static_cast<std::uint8_t>((s >> 8) & 0xFF));
                    } else {
                        out.push_back(
                            static_cast<std::uint8_t>(128 + static_cast<int>(std::trunc(64 * v))));
                    }
                    break;
            }
        }
    }
    return out;
}

}  // namespace aurx::engine

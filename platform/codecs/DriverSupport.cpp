#include <cstdio>

#include "platform/codecs/Drivers.h"

namespace aurx::codecs {

std::string rateText(std::uint32_t samplesPerSec) {
    char text[32];
    std::snprintf(text, sizeof text, "%u.%03u kHz", samplesPerSec / 1000, samplesPerSec % 1000);
    return text;
}

std::string channelText(std::uint16_t channels) {
    if (channels == 1) return "Mono";
    if (channels == 2) return "Stereo";
    return std::to_string(channels) + " channels";
}

bool isPcm16(const WaveFormat& pcm, std::uint32_t rate, std::uint16_t channels) {
    return pcm.tag == kTagPcm && pcm.bitsPerSample == 16 && pcm.samplesPerSec == rate &&
           pcm.channels == channels && pcm.blockAlign == 2 * channels;
}

}  // namespace aurx::codecs

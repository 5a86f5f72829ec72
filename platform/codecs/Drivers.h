// Factories for the installed codec drivers, and small helpers they share.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/codecs/CodecManager.h"

namespace aurx::codecs {

std::unique_ptr<Driver> makePcmDriver();
std::unique_ptr<Driver> makeG711Driver(std::uint16_t tag);
std::unique_ptr<Driver> makeGsmDriver();
std::unique_ptr<Driver> makeMp3Driver();

// "8.000 kHz" style rate text and "Mono" / "Stereo" / "N channels".
std::string rateText(std::uint32_t samplesPerSec);
std::string channelText(std::uint16_t channels);

// True when `pcm` is 16-bit linear PCM with the given rate and channel count.
bool isPcm16(const WaveFormat& pcm, std::uint32_t rate, std::uint16_t channels);

}  // namespace aurx::codecs

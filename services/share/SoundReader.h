// Reading a call file as 16-bit linear PCM, whatever it was recorded in: RIFF WAVE files in
// any format the codec manager decodes (GSM 6.10, G.711, 8- and 16-bit PCM, MPEG Layer-3)
// and raw MPEG audio files. The samples go to a sink piece by piece, so a long call never
// sits in memory whole.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace parlaro::share {

struct SoundShape {
    std::uint32_t rate = 0;
    std::uint16_t channels = 0;
};

class PcmSink {
  public:
    virtual ~PcmSink() = default;
    // Once, before any samples. A non-empty text stops the reading with that reason.
    virtual std::string begin(const SoundShape& shape) = 0;
    // Interleaved 16-bit samples, whole frames. A non-empty text stops the reading.
    virtual std::string write(std::span<const std::int16_t> samples) = 0;
};

// "" when the whole file went to the sink; otherwise why not, in words fit for a message
// ("it is not a WAV or MP3 file", "its format (…) cannot be decoded", or the sink's reason).
std::string readSound(const std::string& path, PcmSink& sink);

}  // namespace parlaro::share

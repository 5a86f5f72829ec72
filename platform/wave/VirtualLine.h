// The virtual phone line: a WAV file (8- or 16-bit PCM, any rate, one or two channels) that
// plays as a continuous line once the virtual input is first opened. With real-time pacing it
// runs on the clock whether or not anybody records; otherwise it advances only by what is
// captured. After its end it is silent, or starts again when looping. Audio is delivered in
// whatever linear format the input was opened with.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/codecs/WaveFormat.h"

namespace wave {

class VirtualLine {
  public:
    // A silent line.
    VirtualLine() = default;
    // The line from a WAV file; nothing when it cannot be read.
    static std::unique_ptr<VirtualLine> fromFile(const std::string& path, bool loop);
    VirtualLine(std::vector<std::int16_t> samples, std::uint32_t rate, std::uint16_t channels,
                bool loop);

    std::uint32_t rate() const { return rate_; }

    // Starts the line's own clock (the first open of the input device).
    void start();
    // Line frames that have passed since start(), by the wall clock.
    double elapsedFrames() const;
    // Claims the next `frames` line frames for capture without real-time pacing; returns where
    // they begin.
    double claim(double frames);

    // Writes `frames` frames of `format` (linear PCM) taken from line position `position`
    // onwards, converted in rate, channels and sample size.
    void render(double position, const codecs::WaveFormat& format, std::uint8_t* out,
                std::size_t frames) const;

  private:
    double sampleAt(double position, unsigned channel) const;

    std::vector<std::int16_t> samples_;  // interleaved
    std::uint32_t rate_ = 8000;
    std::uint16_t channels_ = 1;
    bool loop_ = false;

    mutable std::mutex mutex_;
    bool started_ = false;
    std::chrono::steady_clock::time_point startedAt_{};
    double cursor_ = 0;
};

}  // namespace wave

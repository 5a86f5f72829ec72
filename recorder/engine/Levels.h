// Level measurement and the voice-operated switch, run by the worker on every captured or
// played buffer: the peak of each channel in dB, the overload indication held for ten
// buffers, and the switch that pauses a recording after a quiet time and resumes it at once
// when the level rises. One pass over the samples, no allocation.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/codecs/WaveFormat.h"
#include "recorder/engine/SharedState.h"

namespace aurx::engine {

// Largest sample magnitudes that are not over range, for 8- and 16-bit samples.
inline constexpr int kOverRange8 = 115;
inline constexpr int kOverRange16 = 30000;
// An over-range sample holds the overload indication for this many buffers, its own included.
inline constexpr std::int16_t kOverloadHold = 10;
// The hold counter after the buffer that had the over-range sample. The event reports an
// overload only at or above it, that is for that buffer alone, while the meter holds it.
inline constexpr std::int16_t kOverloadReported = kOverloadHold - 1;
// Both levels when a recording or playback starts, before its first buffer is measured.
inline constexpr float kStartLevel = -100;

struct Peaks {
    double left = 0;  // largest squared normalised sample
    double right = 0;
    bool leftOverload = false;
    bool rightOverload = false;
};

// Peak powers of `frames` frames of 8- or 16-bit linear PCM, mono or stereo.
Peaks measurePeaks(const std::uint8_t* data, std::size_t frames, const codecs::WaveFormat& format);

// 10 log10 of a peak power, −9999 for silence.
float levelOf(double peak);

class LevelMeter {
  public:
    explicit LevelMeter(SharedState& shared) : shared_(shared) {}

    // At the start of a recording or playback.
    void reset();
    struct Outcome {
        bool voxChanged = false;  // VoxPaused changed: notify before the new levels
    };
    // Measures one buffer, updates the levels and overload words and runs the voice switch.
    Outcome measure(const std::uint8_t* data, std::size_t frames, const codecs::WaveFormat& format);
    // When a recording or playback has finished.
    void end();

  private:
    bool voiceSwitch(float left, float right, unsigned channels);
    SharedState& shared_;
};

}  // namespace aurx::engine

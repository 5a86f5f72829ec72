// Level measurement and the voice-operated switch, run by the worker on every captured or
// played buffer: the peak of each channel in dB, the overload indication held for ten
// buffers, and the switch that pauses a recording after a quiet time and resumes it at once
// when the level rises. One pass over the samples, no allocation.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/codecs/WaveFormat.h"
#include "recorder/engine/SharedState.h"

namespace engine {

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

}  // namespace engine

// How the virtual devices pace their buffers: in real time, as fast as they are handed over,
// or one buffer at a time when a test says so.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>

#include "platform/wave/Streams.h"

namespace aurx::wave {

enum class Pacing { Realtime, Fast, Manual };

// The test's hand on the virtual devices: each step finishes the oldest buffer of the open
// input (or output) stream and waits until its owner has dealt with it.
class ManualClock {
  public:
    // False when no stream of that direction is open or it holds no buffer to finish.
    bool step(Direction direction);
    // Finishes up to `count` buffers; returns how many.
    int steps(Direction direction, int count);
    // The open stream of that direction loses its device, as when a sound server ends: it
    // finishes nothing more and reports the failure. False when no stream is open.
    bool unplug(Direction direction);

    // For the virtual streams: the function that finishes their oldest buffer and reports the
    // sink and ticket, or nothing.
    using Finisher = std::function<bool(BufferSink*& sink, std::uint64_t& ticket)>;
    using Unplugger = std::function<void()>;
    void attach(Direction direction, Finisher finisher, Unplugger unplugger);
    void detach(Direction direction);

  private:
    std::mutex mutex_;
    Finisher finishers_[2];
    Unplugger unpluggers_[2];
};

}  // namespace aurx::wave

// A recording that starts when it is asked. After starting an input device its owner waits,
// a bound at most, until the device delivers (a private PulseAudio server takes most of a
// second to hand over a new capture's first sound, and PipeWire opens a stream with up to 42 ms
// of zeros that took no time); what the device delivers until then is not the recording's.
// The owner waits; the device's thread only touches atomics and, once, wakes the owner.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>

#include "platform/codecs/WaveFormat.h"

namespace aurx::wave {

class StartGate {
  public:
    // The owner, after starting the device: waits up to `bound` for its first delivery; from
    // then on deliveries pass. False when none came (the device may still start later).
    bool open(std::chrono::milliseconds bound);
    // The device's thread, with `bytes` arriving now whose newest frame is `latencySeconds` old:
    // how many at the front are not the recording's (all of them until the start returned,
    // then those captured before it).
    std::size_t before(std::size_t bytes, const codecs::WaveFormat& format,
                       double latencySeconds = 0);
    // Before a new start.
    void close();

  private:
    using Clock = std::chrono::steady_clock;
    std::atomic<std::int64_t> openedAt_{0};  // 0: not yet
    std::atomic<bool> trimmed_{false};       // the first delivery after the start was cut
    std::atomic<bool> delivered_{false};
    std::mutex mutex_;
    std::condition_variable came_;
};

}  // namespace aurx::wave

// A stop asked at one instant: an input stream hands over what it captured up to then and
// nothing after, instead of losing the period still on its way. The owner asks and waits; the
// stream's own thread cuts the first delivery that comes after the instant, touching only
// atomics.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>

#include "platform/codecs/WaveFormat.h"

namespace aurx::wave {

class DeliveryCut {
  public:
    using Clock = std::chrono::steady_clock;

    // The owner: cut at `until`; waits up to `bound` for the delivery that covers it (less when
    // `failed` is set). True when it came.
    bool cutAt(Clock::time_point until, std::chrono::milliseconds bound,
               const std::atomic<bool>& failed);
    // The stream's thread, with `bytes` arriving now whose newest frame is `latencySeconds` old:
    // how many of them to hand over (all while no cut is asked; none after the cut).
    std::size_t keep(std::size_t bytes, const codecs::WaveFormat& format,
                     double latencySeconds = 0);
    void clear();
    bool asked() const { return until_.load() != 0; }

  private:
    std::atomic<std::int64_t> until_{0};  // steady clock; 0: no cut asked
    std::atomic<bool> done_{false};
};

}  // namespace aurx::wave

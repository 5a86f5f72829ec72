#include "platform/wave/StartGate.h"

#include <algorithm>

namespace aurx::wave {

bool StartGate::open(std::chrono::milliseconds bound) {
    std::unique_lock lock(mutex_);
    const bool came = came_.wait_for(lock, bound, [this] { return delivered_.load(); });
    openedAt_.store(std::max<std::int64_t>(Clock::now().time_since_epoch().count(), 1));
    return came;
}

std::size_t StartGate::before(std::size_t bytes, const codecs::WaveFormat& format,
                              double latencySeconds) {
    const std::int64_t opened = openedAt_.load();
    if (opened == 0) {
        if (!delivered_.exchange(true)) {
            // Under the lock, so that the owner cannot miss it between its check and its wait.
            std::lock_guard lock(mutex_);
            came_.notify_all();
        }
        return bytes;
    }
    if (trimmed_.load(std::memory_order_relaxed)) return 0;
    trimmed_.store(true, std::memory_order_relaxed);
    // When the first of these frames was captured, against the start's return.
    const std::size_t frames = bytes / format.blockAlign;
    const double early = std::chrono::duration<double>(
                             Clock::duration(opened - Clock::now().time_since_epoch().count()))
                             .count() +
                         std::clamp(latencySeconds, 0.0, 1.0) +
                         static_cast<double>(frames) / format.samplesPerSec;
    const auto skipped = static_cast<std::size_t>(std::max(early, 0.0) * format.samplesPerSec);
    return std::min(skipped, frames) * format.blockAlign;
}

void StartGate::close() {
    openedAt_.store(0);
    trimmed_.store(false);
    delivered_.store(false);
}

}  // namespace aurx::wave

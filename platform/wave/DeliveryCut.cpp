#include "platform/wave/DeliveryCut.h"

#include <algorithm>
#include <thread>

namespace aurx::wave {

namespace {

std::int64_t ticks(DeliveryCut::Clock::time_point t) {
    return t.time_since_epoch().count();
}

}  // namespace

bool DeliveryCut::cutAt(Clock::time_point until, std::chrono::milliseconds bound,
                        const std::atomic<bool>& failed) {
    done_.store(false);
    until_.store(std::max<std::int64_t>(ticks(until), 1));
    const auto deadline = Clock::now() + bound;
    while (!done_.load() && !failed.load() && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return done_.load();
}

std::size_t DeliveryCut::keep(std::size_t bytes, const codecs::WaveFormat& format,
                              double latencySeconds) {
    const std::int64_t until = until_.load();
    if (until == 0) return bytes;
    if (done_.load()) return 0;
    const double late =
        std::chrono::duration<double>(Clock::duration(ticks(Clock::now()) - until)).count() -
        std::clamp(latencySeconds, 0.0, 1.0);
    const std::size_t frames = bytes / format.blockAlign;
    const auto after = static_cast<std::size_t>(std::max(late, 0.0) * format.samplesPerSec);
    done_.store(true);
    return (frames - std::min(after, frames)) * format.blockAlign;
}

void DeliveryCut::clear() {
    until_.store(0);
    done_.store(false);
}

}  // namespace aurx::wave

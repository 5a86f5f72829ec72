#include "platform/wave/VirtualClock.h"

namespace aurx::wave {

void ManualClock::attach(Direction direction, Finisher finisher, Unplugger unplugger) {
    std::lock_guard lock(mutex_);
    finishers_[static_cast<int>(direction)] = std::move(finisher);
    unpluggers_[static_cast<int>(direction)] = std::move(unplugger);
}

void ManualClock::detach(Direction direction) {
    std::lock_guard lock(mutex_);
    finishers_[static_cast<int>(direction)] = nullptr;
    unpluggers_[static_cast<int>(direction)] = nullptr;
}

bool ManualClock::unplug(Direction direction) {
    std::lock_guard lock(mutex_);
    auto& unplug = unpluggers_[static_cast<int>(direction)];
    if (!unplug) return false;
    unplug();
    return true;
}

bool ManualClock::step(Direction direction) {
    BufferSink* sink = nullptr;
    std::uint64_t ticket = 0;
    {
        std::lock_guard lock(mutex_);
        auto& finish = finishers_[static_cast<int>(direction)];
        if (!finish || !finish(sink, ticket)) return false;
    }
    sink->waitHandled(ticket);
    return true;
}

int ManualClock::steps(Direction direction, int count) {
    int done = 0;
    while (done < count && step(direction))
        ++done;
    return done;
}

}  // namespace aurx::wave

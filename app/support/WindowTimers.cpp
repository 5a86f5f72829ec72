#include "app/support/WindowTimers.h"

#include <QTimer>

#include <array>
#include <tuple>

namespace parlaro {

WindowTimers::WindowTimers(QObject* parent) : QObject(parent) {
    const std::array<std::tuple<MainTimer, const char*, int>, 5> timers = {{
        {MainTimer::Detection, "Detection", 200},
        {MainTimer::VoxLatch, "tmrVoxLatch", 1000},
        {MainTimer::TimeStamp, "tmrTimeStamp", 1000},
        {MainTimer::AddNote, "tmrAddNote", 20000},
        {MainTimer::PlaybackPos, "tmrPlaybackPos", 250},
    }};
    for (const auto& [which, name, interval] : timers) {
        auto* t = new QTimer(this);
        t->setObjectName(name);
        t->setInterval(interval);
        timers_[which] = t;
    }
}

void WindowTimers::stopAll() {
    for (auto& [which, t] : timers_)
        t->stop();
}

void WindowTimers::start(MainTimer which) {
    timers_.at(which)->start();
}

void WindowTimers::stop(MainTimer which) {
    timers_.at(which)->stop();
}

bool WindowTimers::isActive(MainTimer which) const {
    return timers_.at(which)->isActive();
}

}  // namespace parlaro

#include "recorder/engine/StallWatch.h"

#include <algorithm>
#include <cmath>

namespace aurx::engine {

void StallWatch::start() {
    *this = StallWatch{};
}

bool StallWatch::checkStalled(Clock::time_point now) {
    if (!delivering_ || stalled_ || now - last_ <= kStall) return false;
    stalled_ = true;
    // A stall before the last one was reckoned counts from the first.
    if (!settling_) {
        stalledFrom_ = last_;
        receivedBefore_ = received_;
    }
    return true;
}

namespace {

std::int64_t toTenths(double frames, unsigned rate) {
    const double tenth = rate / 10.0;
    return std::max<std::int64_t>(std::llround(frames / tenth) * std::llround(tenth), 0);
}

double framesBetween(StallWatch::Clock::time_point from, StallWatch::Clock::time_point to,
                     unsigned rate) {
    return std::chrono::duration<double>(to - from).count() * rate;
}

}  // namespace

StallWatch::Arrival StallWatch::arrived(Clock::time_point now, std::int64_t frames, unsigned rate) {
    Arrival a;
    delivering_ = true;
    if (stalled_) {
        stalled_ = false;
        settling_ = true;
        settled_ = now + kSettle;
        a.resumedAfter = toTenths(framesBetween(last_, now, rate), rate);
    } else if (settling_ && now >= settled_) {
        a.missing = reckon(now, received_ + frames, rate);
    }
    last_ = now;
    received_ += frames;
    return a;
}

std::int64_t StallWatch::missingAtStop(Clock::time_point now, unsigned rate) {
    return settling_ ? reckon(now, received_, rate) : 0;
}

std::int64_t StallWatch::reckon(Clock::time_point now, std::int64_t received, unsigned rate) {
    settling_ = false;
    // While the buffers flow, what arrives keeps pace with the clock: the difference is what
    // the stall took.
    return toTenths(
        framesBetween(stalledFrom_, now, rate) - static_cast<double>(received - receivedBefore_),
        rate);
}

}  // namespace aurx::engine

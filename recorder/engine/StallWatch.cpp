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

}  // namespace

StallWatch::Arrival StallWatch::arrived(Clock::time_point now, std::int64_t frames, unsigned rate) {
    const auto since = [&](Clock::time_point t) {
        return std::chrono::duration<double>(now - t).count() * rate;
    };
    Arrival a;
    delivering_ = true;
    if (stalled_) {
        stalled_ = false;
        settling_ = true;
        settled_ = now + kSettle;
        a.resumedAfter = toTenths(since(last_), rate);
    } else if (settling_ && now >= settled_) {
        settling_ = false;
        // While the buffers flow, what arrives keeps pace with the clock: the difference is
        // what the stall took.
        a.missing = toTenths(
            since(stalledFrom_) - static_cast<double>(received_ + frames - receivedBefore_), rate);
    }
    last_ = now;
    received_ += frames;
    return a;
}

std::int64_t StallWatch::missingAtStop(Clock::time_point now, unsigned rate) {
    if (!settling_) return 0;
    settling_ = false;
    const double line = std::chrono::duration<double>(now - stalledFrom_).count() * rate;
    return toTenths(line - static_cast<double>(received_ - receivedBefore_), rate);
}

}  // namespace aurx::engine

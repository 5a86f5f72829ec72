// Whether a recording's input has stopped delivering sound (a frozen sound server, a suspended
// device), and how much of the line's time went missing once it delivers again, so that the
// file keeps the line's timeline: the missing stretch is filled with silence.
#pragma once

#include <chrono>
#include <cstdint>

namespace aurx::engine {

class StallWatch {
  public:
    using Clock = std::chrono::steady_clock;
    // No buffer for this long counts as a stall.
    static constexpr std::chrono::milliseconds kStall{1000};
    // After a stall a server may hand over what it held back, in a burst: the missing time
    // is reckoned once the buffers have flowed again for this long.
    static constexpr std::chrono::milliseconds kSettle{1000};

    void start();
    // True once, when the input has delivered nothing for longer than kStall since its first
    // buffer (how long a device takes to start is not a stall).
    bool checkStalled(Clock::time_point now);
    struct Arrival {
        // The first buffer after a stall: the line's time since the last one before it, in
        // frames (to a tenth of a second).
        std::int64_t resumedAfter = 0;
        // Once the buffers have flowed again for kSettle: the frames of that time which never
        // came, to be filled with silence.
        std::int64_t missing = 0;
    };
    // A buffer of `frames` arrived at `now`.
    Arrival arrived(Clock::time_point now, std::int64_t frames, unsigned rate);
    bool stalled() const { return stalled_; }
    // The recording stops: what a stall took that has not been reckoned yet, as `arrived`.
    std::int64_t missingAtStop(Clock::time_point now, unsigned rate);

  private:
    // What the stall took, with `received` frames in by `now`; ends the settling.
    std::int64_t reckon(Clock::time_point now, std::int64_t received, unsigned rate);

    bool delivering_ = false;    // the first buffer came
    Clock::time_point last_{};   // the last buffer's arrival
    std::int64_t received_ = 0;  // frames since the start
    bool stalled_ = false;
    bool settling_ = false;            // delivering again, the missing time not yet reckoned
    Clock::time_point stalledFrom_{};  // the last buffer before the stall
    std::int64_t receivedBefore_ = 0;  // and the frames up to it
    Clock::time_point settled_{};      // when the missing time is reckoned
};

}  // namespace aurx::engine

// Two inputs recorded as one call: this side (the microphone) and the other side (what the
// speakers play), each handed over as 16-bit mono as it comes from its own device, with the
// time its first sample was captured. The sides are kept in step by those times: a side that
// delivered nothing for a while (a sink's monitor while nothing plays) gets silence for it, and
// one that runs ahead loses what overlaps. Frames come out once both sides have them: in two
// channels, this side left and the other side right, or in one, both mixed; 8- or 16-bit, as
// the recording asks. A side that stops delivering holds up the other for `lag` at most; after
// that it is silence, so that the other side's time runs on.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/codecs/WaveFormat.h"

namespace aurx::wave {

class SideJoin {
  public:
    enum Side : std::size_t { ThisSide = 0, OtherSide = 1 };

    // Times are seconds on one steady clock. A side whose times stray less than `slack`
    // seconds from its samples' count is taken as it comes (a device's clock and its
    // deliveries jitter).
    SideJoin(const codecs::WaveFormat& out, double lag, double slack);

    // `samples` null: `count` samples of silence (a hole the server reported).
    void push(Side side, const std::int16_t* samples, std::size_t count, double capturedAt);
    // Writes the frames ready, `room` bytes at most, into `out`; the bytes written.
    std::size_t pull(std::uint8_t* out, std::size_t room);
    // Drops what is held: the sides start in step again.
    void clear();

  private:
    std::size_t held(Side side) const { return pending_[side].size() - read_[side]; }
    std::int16_t take(Side side);
    void compact(Side side);
    double seconds(std::size_t frames) const {
        return static_cast<double>(frames) / out_.samplesPerSec;
    }

    codecs::WaveFormat out_;
    std::size_t lagFrames_;
    std::size_t slackFrames_;
    std::array<std::vector<std::int16_t>, 2> pending_;
    std::array<std::size_t, 2> read_{0, 0};
    // The capture time of the sample after each side's last one (silence given to it
    // included); none before the first push.
    std::array<std::optional<double>, 2> next_;
    std::array<bool, 2> heard_{false, false};  // a side's sound has come
};

}  // namespace aurx::wave

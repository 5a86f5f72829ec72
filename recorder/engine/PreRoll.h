// Audio a paused recording captured but did not write: the last PreRollTime seconds of it, kept
// in a ring while the recording runs. A recording ended by a stop puts that audio aside with
// its format and the time; a recording started soon after into a new file begins with it, so
// the file keeps what was said while the host was still deciding to record.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "platform/codecs/WaveFormat.h"

namespace aurx::engine {

// The last frames pushed into one allocation made up front.
class FrameRing {
  public:
    // An empty ring with room for `frames` frames of `format` (linear PCM).
    void allocate(std::size_t frames, const codecs::WaveFormat& format);
    void release();
    void clear() { used_ = 0; }
    // Appends whole frames; the oldest give way once the ring is full.
    void push(const std::uint8_t* data, std::size_t bytes);
    bool empty() const { return used_ == 0; }
    std::size_t frames() const;
    const codecs::WaveFormat& format() const { return format_; }
    // What the ring holds, oldest first, in at most two pieces.
    std::array<std::span<const std::uint8_t>, 2> pieces() const;
    void swap(FrameRing& other) noexcept;

  private:
    std::vector<std::uint8_t> storage_;
    std::size_t end_ = 0;   // where the next byte goes
    std::size_t used_ = 0;  // bytes held, ending at end_
    codecs::WaveFormat format_{};
};

// Runs on the worker only.
class PreRoll {
  public:
    using Clock = std::chrono::steady_clock;
    // How long after a stop the next recording may still begin with what was put aside.
    static constexpr Clock::duration kCarryWindow = std::chrono::milliseconds(500);

    // At the start of a recording capturing `format`: a ring for `seconds` (none for 0). When
    // `freshFile` and the audio put aside by the last stop has this rate and channel count and
    // is no older than kCarryWindow, the ring starts with it (8- and 16-bit samples are
    // converted) and the first buffer will see takeCarried() true. What was put aside is used
    // up either way.
    void begin(float seconds, const codecs::WaveFormat& format, bool freshFile,
               Clock::time_point now);
    // A captured buffer that was not written.
    void keep(const std::uint8_t* data, std::size_t bytes) { ring_.push(data, bytes); }
    // Audio was written: what the ring holds lies before it now, it can no longer lead into
    // what is written next.
    void clear() { ring_.clear(); }
    // True for the recording's first buffer only, when it began with carried audio.
    bool takeCarried() { return std::exchange(carried_, false); }
    const FrameRing& ring() const { return ring_; }
    // At the end of a recording: a stop puts the ring's audio aside, any other end drops it.
    void end(bool stopped, Clock::time_point now);

  private:
    FrameRing ring_;
    FrameRing aside_;
    Clock::time_point stoppedAt_{};
    bool carried_ = false;
};

}  // namespace aurx::engine

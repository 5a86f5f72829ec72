// The virtual phone line: a WAV file (8- or 16-bit PCM, any rate, one or two channels) that
// plays as a continuous line once the virtual input is first opened. With real-time pacing it
// runs on the clock whether or not anybody records; otherwise it advances only by what is
// captured. After its end it is silent, or starts again when looping. Audio is delivered in
// whatever linear format the input was opened with. A file is read as it is needed, so an
// hour-long line costs no memory.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/codecs/WaveFormat.h"
#include "platform/riff/RiffFile.h"

namespace aurx::wave {

class VirtualLine {
  public:
    // A silent line.
    VirtualLine() = default;
    // A line holding these samples (interleaved).
    VirtualLine(std::vector<std::int16_t> samples, std::uint32_t rate, std::uint16_t channels,
                bool loop);
    // The line from a WAV file; nothing when it cannot be read.
    static std::unique_ptr<VirtualLine> fromFile(const std::string& path, bool loop);

    std::uint32_t rate() const { return rate_; }

    // Starts the line's own clock (the first open of the input device).
    void start();
    // Line frames that have passed since start(), by the wall clock.
    double elapsedFrames() const;
    // Claims the next `frames` line frames for capture without real-time pacing; returns where
    // they begin.
    double claim(double frames);

    // Writes `frames` frames of `format` (linear PCM) taken from line position `position`
    // onwards, converted in rate, channels and sample size.
    void render(double position, const codecs::WaveFormat& format, std::uint8_t* out,
                std::size_t frames) const;

  private:
    // `count` frames from frame `first` on as 16-bit little-endian samples, wrapping when the
    // line loops and silent after its end.
    void copyFrames(std::uint64_t first, std::size_t count, std::uint8_t* out) const;
    // The same without wrapping; the frames lie within the line.
    void fetch(std::uint64_t first, std::size_t count, std::uint8_t* out) const;

    std::uint64_t length_ = 0;  // frames
    std::uint32_t rate_ = 8000;
    std::uint16_t channels_ = 1;
    bool loop_ = false;
    std::vector<std::int16_t> samples_;  // a line held in memory
    std::optional<riff::File> file_;     // or one read from its file
    std::uint64_t dataOffset_ = 0;
    std::uint16_t fileBits_ = 16;
    static constexpr std::size_t kReadAhead = 65536;
    mutable std::mutex cacheMutex_;
    mutable std::vector<std::uint8_t> cache_;  // file bytes from cacheAt_ on
    mutable std::uint64_t cacheAt_ = 0;

    mutable std::mutex mutex_;
    bool started_ = false;
    std::chrono::steady_clock::time_point startedAt_{};
    double cursor_ = 0;
};

}  // namespace aurx::wave

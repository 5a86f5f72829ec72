#include "recorder/engine/PreRoll.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace aurx::engine {
namespace {

// Pushes 8- or 16-bit linear samples into `ring` in the ring's own sample size. Files whose
// captures differ only in that (an 8-bit PCM file after a 16-bit one) still get their lead-in:
// the two sizes convert into each other without loss worth speaking of.
void pushAs(FrameRing& ring, std::span<const std::uint8_t> piece, unsigned fromBits) {
    const unsigned toBits = ring.format().bitsPerSample;
    if (fromBits == toBits) {
        ring.push(piece.data(), piece.size());
        return;
    }
    // An even number of samples, so that stereo frames stay whole.
    constexpr std::size_t kSamples = 512;
    std::array<std::uint8_t, 2 * kSamples> out{};
    const std::size_t fromBytes = fromBits / 8;
    for (std::size_t at = 0; at < piece.size(); at += kSamples * fromBytes) {
        const std::size_t n = std::min(kSamples, (piece.size() - at) / fromBytes);
        const std::uint8_t* in = piece.data() + at;
        for (std::size_t i = 0; i < n; ++i) {
            if (fromBits == 8) {
                const auto s = static_cast<std::int16_t>((in[i] - 128) * 256);
                out[2 * i] = static_cast<std::uint8_t>(s & 0xFF);
                out[2 * i + 1] = static_cast<std::uint8_t>((s >> 8) & 0xFF);
            } else {
                const auto s = static_cast<std::int16_t>(in[2 * i] | in[2 * i + 1] << 8);
                out[i] = static_cast<std::uint8_t>((s >> 8) + 128);
            }
        }
        ring.push(out.data(), n * (toBits / 8));
    }
}

}  // namespace

void FrameRing::allocate(std::size_t frames, const codecs::WaveFormat& format) {
    format_ = format;
    storage_.assign(frames * format.blockAlign, 0);
    end_ = 0;
    used_ = 0;
}

void FrameRing::release() {
    storage_ = {};
    end_ = 0;
    used_ = 0;
    format_ = {};
}

void FrameRing::push(const std::uint8_t* data, std::size_t bytes) {
    const std::size_t capacity = storage_.size();
    if (capacity == 0 || bytes == 0) return;
    if (bytes >= capacity) {
        std::memcpy(storage_.data(), data + (bytes - capacity), capacity);
        end_ = 0;
        used_ = capacity;
        return;
    }
    const std::size_t first = std::min(bytes, capacity - end_);
    std::memcpy(storage_.data() + end_, data, first);
    std::memcpy(storage_.data(), data + first, bytes - first);
    end_ = (end_ + bytes) % capacity;
    used_ = std::min(capacity, used_ + bytes);
}

std::size_t FrameRing::frames() const {
    return format_.blockAlign > 0 ? used_ / format_.blockAlign : 0;
}

std::array<std::span<const std::uint8_t>, 2> FrameRing::pieces() const {
    if (used_ == 0) return {};
    const std::size_t capacity = storage_.size();
    const std::size_t start = (end_ + capacity - used_) % capacity;
    if (start + used_ <= capacity) return {std::span(storage_.data() + start, used_), {}};
    return {std::span(storage_.data() + start, capacity - start), std::span(storage_.data(), end_)};
}

void FrameRing::swap(FrameRing& other) noexcept {
    storage_.swap(other.storage_);
    std::swap(end_, other.end_);
    std::swap(used_, other.used_);
    std::swap(format_, other.format_);
}

void PreRoll::begin(float seconds, const codecs::WaveFormat& format, bool freshFile,
                    Clock::time_point now) {
    carried_ = false;
    ring_.release();
    const double frames =
        seconds > 0 ? std::floor(static_cast<double>(seconds) * format.samplesPerSec + 0.5) : 0;
    if (frames >= 1) ring_.allocate(static_cast<std::size_t>(frames), format);
    const codecs::WaveFormat& was = aside_.format();
    const bool carries = freshFile && frames >= 1 && !aside_.empty() &&
                         was.samplesPerSec == format.samplesPerSec &&
                         was.channels == format.channels && now - stoppedAt_ <= kCarryWindow;
    if (carries) {
        for (const auto piece : aside_.pieces())
            pushAs(ring_, piece, was.bitsPerSample);
        carried_ = !ring_.empty();
    }
    aside_.release();
}

void PreRoll::end(bool stopped, Clock::time_point now) {
    carried_ = false;
    aside_.release();
    if (stopped && !ring_.empty()) {
        aside_.swap(ring_);
        stoppedAt_ = now;
    }
    ring_.release();
}

}  // namespace aurx::engine

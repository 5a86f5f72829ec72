#include "platform/wave/VirtualLine.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace aurx::wave {
namespace {

std::int16_t sampleAt(const std::uint8_t* le16, std::size_t index) {
    return static_cast<std::int16_t>(le16[2 * index] | le16[2 * index + 1] << 8);
}

}  // namespace

VirtualLine::VirtualLine(std::vector<std::int16_t> samples, std::uint32_t rate,
                         std::uint16_t channels, bool loop)
    : length_(samples.size() / channels),
      rate_(rate),
      channels_(channels),
      loop_(loop),
      samples_(std::move(samples)) {}

std::unique_ptr<VirtualLine> VirtualLine::fromFile(const std::string& path, bool loop) {
    using riff::fourcc;
    auto f = riff::File::open(path, riff::Mode::Read);
    if (!f) return nullptr;
    riff::Chunk r, fmt, data;
    if (!f->descend(r, nullptr, fourcc("RIFF"), fourcc("WAVE"))) return nullptr;
    const auto fileLength = f->length().value_or(0);
    riff::Chunk bound = r;
    if (bound.end() > fileLength)
        bound.size = static_cast<std::uint32_t>(fileLength - bound.dataOffset);
    if (!f->seek(r.dataOffset + 4) || !f->descend(fmt, &bound, fourcc("fmt ")) || fmt.size < 16)
        return nullptr;
    std::uint8_t header[16];
    if (!f->readExact(header, 16) || !f->ascend(fmt)) return nullptr;
    const auto w = codecs::WaveFormat::parse(header);
    if (w.tag != codecs::kTagPcm || (w.bitsPerSample != 8 && w.bitsPerSample != 16) ||
        (w.channels != 1 && w.channels != 2) || w.samplesPerSec == 0)
        return nullptr;
    if (!f->descend(data, &bound, fourcc("data"))) return nullptr;
    const std::uint64_t present = std::min<std::uint64_t>(data.size, fileLength - data.dataOffset);
    auto line = std::make_unique<VirtualLine>();
    line->rate_ = w.samplesPerSec;
    line->channels_ = w.channels;
    line->loop_ = loop;
    line->fileBits_ = w.bitsPerSample;
    line->length_ = present / (w.channels * w.bitsPerSample / 8);
    line->dataOffset_ = data.dataOffset;
    line->file_ = std::move(*f);
    return line;
}

void VirtualLine::start() {
    std::lock_guard lock(mutex_);
    if (started_) return;
    started_ = true;
    startedAt_ = std::chrono::steady_clock::now();
}

double VirtualLine::elapsedFrames() const {
    std::lock_guard lock(mutex_);
    if (!started_) return 0;
    const std::chrono::duration<double> t = std::chrono::steady_clock::now() - startedAt_;
    return std::floor(t.count() * rate_);
}

double VirtualLine::claim(double frames) {
    std::lock_guard lock(mutex_);
    const double at = cursor_;
    cursor_ += frames;
    return at;
}

void VirtualLine::fetch(std::uint64_t first, std::size_t count, std::uint8_t* out) const {
    const std::size_t samples = count * channels_;
    if (!file_) {
        for (std::size_t i = 0; i < samples; ++i) {
            const std::int16_t s = samples_[first * channels_ + i];
            out[2 * i] = static_cast<std::uint8_t>(s & 0xFF);
            out[2 * i + 1] = static_cast<std::uint8_t>((s >> 8) & 0xFF);
        }
        return;
    }
    const std::size_t sampleBytes = fileBits_ / 8;
    const std::uint64_t at = dataOffset_ + first * channels_ * sampleBytes;
    const std::size_t want = samples * sampleBytes;
    {
        // Reads ahead in large pieces, as a sound card's driver would stream the line.
        std::lock_guard lock(cacheMutex_);
        if (at < cacheAt_ || at + want > cacheAt_ + cache_.size()) {
            cache_.resize(std::max<std::size_t>(want, kReadAhead));
            cache_.resize(file_->readAt(at, cache_.data(), cache_.size()));
            cacheAt_ = at;
        }
        const std::size_t got = std::min<std::size_t>(want, cacheAt_ + cache_.size() - at);
        std::memcpy(out, cache_.data() + (at - cacheAt_), got);
        std::memset(out + got, fileBits_ == 8 ? 0x80 : 0, want - got);
    }
    if (fileBits_ == 8) {
        // Widen in place, from the end backwards.
        for (std::size_t i = samples; i-- > 0;) {
            const auto s = static_cast<std::int16_t>((out[i] - 128) * 256);
            out[2 * i] = static_cast<std::uint8_t>(s & 0xFF);
            out[2 * i + 1] = static_cast<std::uint8_t>((s >> 8) & 0xFF);
        }
    }
}

void VirtualLine::copyFrames(std::uint64_t first, std::size_t count, std::uint8_t* out) const {
    const std::size_t frameBytes = 2u * channels_;
    std::size_t done = 0;
    std::uint64_t frame = first;
    while (done < count) {
        if (loop_ && length_ > 0) frame %= length_;
        const std::size_t run =
            frame < length_
                ? static_cast<std::size_t>(std::min<std::uint64_t>(count - done, length_ - frame))
                : 0;
        if (run == 0) {
            std::memset(out + done * frameBytes, 0, (count - done) * frameBytes);
            return;
        }
        fetch(frame, run, out + done * frameBytes);
        done += run;
        frame += run;
    }
}

void VirtualLine::render(double position, const codecs::WaveFormat& f, std::uint8_t* out,
                         std::size_t frames) const {
    if (frames == 0) return;
    const double start = std::max(position, 0.0);
    if (f.samplesPerSec == rate_ && f.channels == channels_ && f.bitsPerSample == 16 &&
        start == std::floor(start)) {
        // The line's own rate and channels: its samples as they are.
        copyFrames(static_cast<std::uint64_t>(start), frames, out);
        return;
    }
    // Otherwise from a window of the line's frames, interpolating between neighbours.
    const double step = static_cast<double>(rate_) / f.samplesPerSec;
    const auto first = static_cast<std::uint64_t>(start);
    const auto last =
        static_cast<std::uint64_t>(start + static_cast<double>(frames - 1) * step) + 1;
    const std::size_t span = static_cast<std::size_t>(last - first + 1);
    std::vector<std::uint8_t> window(span * 2u * channels_);
    copyFrames(first, span, window.data());
    const auto value = [&](std::size_t index, unsigned channel) {
        return static_cast<double>(sampleAt(
            window.data(), index * channels_ + std::min<unsigned>(channel, channels_ - 1u)));
    };
    for (std::size_t k = 0; k < frames; ++k) {
        const double x = start + static_cast<double>(k) * step - static_cast<double>(first);
        const auto i = static_cast<std::size_t>(x);
        const double frac = x - static_cast<double>(i);
        for (unsigned c = 0; c < f.channels; ++c) {
            const auto at = [&](std::size_t index) {
                if (f.channels == 1 && channels_ == 2)
                    return (value(index, 0) + value(index, 1)) / 2;
                return value(index, c);
            };
            double v = at(i);
            if (frac != 0 && i + 1 < span) v += (at(i + 1) - v) * frac;
            const auto s = static_cast<std::int16_t>(std::lround(std::clamp(v, -32768.0, 32767.0)));
            if (f.bitsPerSample == 8) {
                *out++ = static_cast<std::uint8_t>((s >> 8) + 128);
            } else {
                *out++ = static_cast<std::uint8_t>(s & 0xFF);
                *out++ = static_cast<std::uint8_t>((s >> 8) & 0xFF);
            }
        }
    }
}

}  // namespace aurx::wave

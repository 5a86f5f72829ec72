#include "platform/wave/VirtualLine.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <cmath>

#include "platform/riff/RiffFile.h"

namespace wave {

VirtualLine::VirtualLine(std::vector<std::int16_t> samples, std::uint32_t rate,
                         std::uint16_t channels, bool loop)
    : samples_(std::move(samples)), rate_(rate), channels_(channels), loop_(loop) {}

std::unique_ptr<VirtualLine> VirtualLine::fromFile(const std::string& path, bool loop) {
    using riff::fourcc;
    auto f = riff::File::open(path, riff::Mode::Read);
    if (!f) return nullptr;
    riff::Chunk r, fmt, data;
    if (!f->descend(r, nullptr, fourcc("RIFF"), fourcc("WAVE"))) return nullptr;
    riff::Chunk bound = r;
    if (const auto length = f->length(); length && bound.end() > *length)
        bound.size = static_cast<std::uint32_t>(*length - bound.dataOffset);
    if (!f->seek(r.dataOffset + 4) || !f->descend(fmt, &bound, fourcc("fmt ")) || fmt.size < 16)
        return nullptr;
    std::uint8_t header[16];
    if (!f->readExact(header, 16) || !f->ascend(fmt)) return nullptr;
    const auto w = codecs::WaveFormat::parse(header);
    if (w.tag != codecs::kTagPcm || (w.bitsPerSample != 8 && w.bitsPerSample != 16) ||
        (w.channels != 1 && w.channels != 2) || w.samplesPerSec == 0)
        return nullptr;
    if (!f->descend(data, &bound, fourcc("data"))) return nullptr;
    const auto length = f->length().value_or(0);
    const std::uint64_t present = std::min<std::uint64_t>(data.size, length - data.dataOffset);
    std::vector<std::int16_t> samples;
    if (w.bitsPerSample == 16 && std::endian::native == std::endian::little) {
        // A long line file is read straight into its samples.
        samples.resize(static_cast<std::size_t>(present / 2));
        if (!f->readExact(samples.data(), samples.size() * 2)) return nullptr;
    } else {
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(present));
        if (!f->readExact(bytes.data(), bytes.size())) return nullptr;
        samples.resize(w.bitsPerSample == 8 ? bytes.size() : bytes.size() / 2);
        for (std::size_t i = 0; i < samples.size(); ++i)
            samples[i] = w.bitsPerSample == 8
                             ? static_cast<std::int16_t>((bytes[i] - 128) * 256)
                             : static_cast<std::int16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
    }
    samples.resize(samples.size() / w.channels * w.channels);
    return std::make_unique<VirtualLine>(std::move(samples), w.samplesPerSec, w.channels, loop);
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

double VirtualLine::sampleAt(double position, unsigned channel) const {
    const std::size_t length = samples_.size() / channels_;
    if (length == 0 || position < 0) return 0;
    auto frame = static_cast<std::uint64_t>(position);
    if (loop_) {
        frame %= length;
    } else if (frame >= length) {
        return 0;
    }
    const unsigned c = channel < channels_ ? channel : 0;
    const double a = samples_[frame * channels_ + c];
    const double frac = position - std::floor(position);
    if (frac == 0) return a;
    std::uint64_t next = frame + 1;
    if (next >= length) {
        if (!loop_) return a * (1 - frac);
        next = 0;
    }
    return a + (samples_[next * channels_ + c] - a) * frac;
}

void VirtualLine::render(double position, const codecs::WaveFormat& f, std::uint8_t* out,
                         std::size_t frames) const {
    const std::size_t length = samples_.size() / channels_;
    if (f.samplesPerSec == rate_ && f.channels == channels_ && f.bitsPerSample == 16 &&
        position == std::floor(position) && position >= 0 && length > 0) {
        // The line's own format: copy its samples as they are.
        auto frame = static_cast<std::uint64_t>(position);
        for (std::size_t done = 0; done < frames;) {
            if (loop_) frame %= length;
            const std::size_t run = frame < length ? std::min<std::size_t>(frames - done, length - frame) : 0;
            if (run == 0) {
                std::fill(out + done * f.blockAlign, out + frames * f.blockAlign, std::uint8_t{0});
                return;
            }
            if constexpr (std::endian::native == std::endian::little) {
                std::memcpy(out + done * f.blockAlign, samples_.data() + frame * channels_,
                            run * f.blockAlign);
            } else {
                for (std::size_t i = 0; i < run * channels_; ++i) {
                    const std::int16_t s = samples_[frame * channels_ + i];
                    out[(done * channels_ + i) * 2] = static_cast<std::uint8_t>(s & 0xFF);
                    out[(done * channels_ + i) * 2 + 1] = static_cast<std::uint8_t>((s >> 8) & 0xFF);
                }
            }
            done += run;
            frame += run;
        }
        return;
    }
    const double step = static_cast<double>(rate_) / f.samplesPerSec;
    for (std::size_t k = 0; k < frames; ++k) {
        const double x = position + static_cast<double>(k) * step;
        for (unsigned c = 0; c < f.channels; ++c) {
            double v = sampleAt(x, c);
            if (f.channels == 1 && channels_ == 2) v = (sampleAt(x, 0) + sampleAt(x, 1)) / 2;
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

}  // namespace wave

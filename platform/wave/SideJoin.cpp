#include "platform/wave/SideJoin.h"

#include <algorithm>
#include <cmath>

namespace aurx::wave {

namespace {

std::size_t framesOf(double seconds, unsigned rate) {
    return static_cast<std::size_t>(std::llround(std::max(seconds, 0.0) * rate));
}

}  // namespace

SideJoin::SideJoin(const codecs::WaveFormat& out, double lag, double slack)
    : out_(out),
      lagFrames_(framesOf(lag, out.samplesPerSec)),
      slackFrames_(framesOf(slack, out.samplesPerSec)) {}

void SideJoin::push(Side side, const std::int16_t* samples, std::size_t count, double capturedAt) {
    // The first delivery of either side starts both sides' time; each side's first is put in
    // place exactly, later ones only when they stray beyond the slack.
    if (!next_[side]) next_ = {capturedAt, capturedAt};
    // Until a side's first sound its timing is unsure (PipeWire opens a stream with a quantum or
    // two of zeros that took no time): the first delivery with sound is put in place exactly.
    const bool sound =
        samples && std::any_of(samples, samples + count, [](std::int16_t v) { return v != 0; });
    const std::size_t slack = heard_[side] || !sound ? slackFrames_ : 0;
    heard_[side] = heard_[side] || sound;
    auto& p = pending_[side];
    const double late = capturedAt - *next_[side];
    std::size_t skip = 0;
    if (framesOf(late, out_.samplesPerSec) > slack) {
        p.insert(p.end(), framesOf(late, out_.samplesPerSec), 0);
        *next_[side] = capturedAt;
    } else if (framesOf(-late, out_.samplesPerSec) > slack) {
        skip = std::min(count, framesOf(-late, out_.samplesPerSec));
        *next_[side] = capturedAt + seconds(skip);
    }
    if (samples)
        p.insert(p.end(), samples + skip, samples + count);
    else
        p.insert(p.end(), count - skip, 0);
    *next_[side] += seconds(count - skip);
}

std::int16_t SideJoin::take(Side side) {
    return read_[side] < pending_[side].size() ? pending_[side][read_[side]++] : 0;
}

void SideJoin::compact(Side side) {
    auto& p = pending_[side];
    if (read_[side] == p.size()) {
        p.clear();
        read_[side] = 0;
    } else if (read_[side] > p.size() / 2) {
        p.erase(p.begin(), p.begin() + static_cast<std::ptrdiff_t>(read_[side]));
        read_[side] = 0;
    }
}

std::size_t SideJoin::pull(std::uint8_t* out, std::size_t room) {
    std::size_t frames = std::min(held(ThisSide), held(OtherSide));
    // A side that fell silent holds up the other no longer than the lag.
    const std::size_t most = std::max(held(ThisSide), held(OtherSide));
    if (most > frames + lagFrames_) {
        frames = most - lagFrames_;
        // The silent side's time runs on with the silence it is given.
        for (const Side s : {ThisSide, OtherSide})
            if (held(s) < frames && next_[s]) *next_[s] += seconds(frames - held(s));
    }
    const std::size_t bytesPerSample = out_.bitsPerSample == 8 ? 1 : 2;
    const std::size_t align = bytesPerSample * (out_.channels == 2 ? 2 : 1);
    frames = std::min(frames, room / align);
    std::uint8_t* at = out;
    const auto put = [&](int v) {
        if (bytesPerSample == 1) {
            *at++ = static_cast<std::uint8_t>((v >> 8) + 128);
        } else {
            *at++ = static_cast<std::uint8_t>(v & 0xFF);
            *at++ = static_cast<std::uint8_t>((v >> 8) & 0xFF);
        }
    };
    for (std::size_t i = 0; i < frames; ++i) {
        const int near = take(ThisSide);
        const int far = take(OtherSide);
        if (out_.channels == 2) {
            put(near);
            put(far);
        } else {
            // Summed, not averaged: on a call mostly one side speaks at a time.
            put(std::clamp(near + far, -32768, 32767));
        }
    }
    compact(ThisSide);
    compact(OtherSide);
    return frames * align;
}

void SideJoin::clear() {
    for (std::size_t s = 0; s < 2; ++s) {
        pending_[s].clear();
        read_[s] = 0;
        next_[s].reset();
        heard_[s] = false;
    }
}

}  // namespace aurx::wave

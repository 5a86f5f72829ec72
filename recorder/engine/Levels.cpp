#include "recorder/engine/Levels.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace aurx::engine {

Peaks measurePeaks(const std::uint8_t* data, std::size_t frames, const codecs::WaveFormat& f) {
    // The peak power belongs to the largest magnitude, so the pass only tracks magnitudes.
    int left = 0, right = 0;
    const std::size_t samples = frames * f.channels;
    const unsigned step = f.channels == 2 ? 2 : 1;
    Peaks p;
    if (f.bitsPerSample == 8) {
        for (std::size_t i = 0; i < samples; i += step) {
            left = std::max(left, std::abs(data[i] - 128));
            if (step == 2) right = std::max(right, std::abs(data[i + 1] - 128));
        }
        p.leftOverload = left > kOverRange8;
        p.rightOverload = right > kOverRange8;
        p.left = static_cast<double>(left * left) / 16384.0;
        p.right = static_cast<double>(right * right) / 16384.0;
    } else if (f.bitsPerSample == 16) {
        const auto sample = [data](std::size_t i) {
            return static_cast<std::int16_t>(data[2 * i] | data[2 * i + 1] << 8);
        };
        for (std::size_t i = 0; i < samples; i += step) {
            left = std::max(left, std::abs(static_cast<int>(sample(i))));
            if (step == 2) right = std::max(right, std::abs(static_cast<int>(sample(i + 1))));
        }
        p.leftOverload = left > kOverRange16;
        p.rightOverload = right > kOverRange16;
        p.left = static_cast<double>(left) * left / 1073741824.0;
        p.right = static_cast<double>(right) * right / 1073741824.0;
    }
    return p;
}

float levelOf(double peak) {
    return peak > 0 ? static_cast<float>(10 * std::log10(peak)) : aurx::kSilentLevel;
}

void LevelMeter::reset() {
    shared_.leftOverloadCounter.store(0);
    shared_.rightOverloadCounter.store(0);
    shared_.leftOverload.store(0);
    shared_.rightOverload.store(0);
    shared_.leftLevel.store(kStartLevel);
    shared_.rightLevel.store(kStartLevel);
}

void LevelMeter::end() {
    shared_.leftLevel.store(aurx::kSilentLevel);
    shared_.rightLevel.store(aurx::kSilentLevel);
    shared_.leftOverload.store(0);
    shared_.rightOverload.store(0);
}

LevelMeter::Outcome LevelMeter::measure(const std::uint8_t* data, std::size_t frames,
                                        const codecs::WaveFormat& format) {
    const Peaks p = measurePeaks(data, frames, format);
    auto hold = [](std::atomic<std::int16_t>& counter, std::atomic<std::int32_t>& flag, bool over) {
        std::int16_t c = over ? kOverloadHold : counter.load();
        if (c > 0) {
            flag.store(1);
            --c;
        } else {
            flag.store(0);
        }
        counter.store(c);
    };
    hold(shared_.leftOverloadCounter, shared_.leftOverload, p.leftOverload);
    hold(shared_.rightOverloadCounter, shared_.rightOverload, p.rightOverload);
    const float left = levelOf(p.left);
    const float right = levelOf(p.right);
    shared_.leftLevel.store(left);
    shared_.rightLevel.store(right);
    return Outcome{voiceSwitch(left, right, format.channels)};
}

bool LevelMeter::voiceSwitch(float left, float right, unsigned channels) {
    int c = shared_.voxChannel.load();
    if (channels == 1 && c > 1) c = 1;
    if (c == 0) return false;
    const float start = shared_.voxStartLevel.load();
    const float stop = shared_.voxStopLevel.load();
    const bool voice = (c == 1 && left >= start) || (c == 2 && right >= start) ||
                       (c == 3 && (left >= start || right >= start));
    if (voice) {
        shared_.voxCountdown.store(0);
        if (shared_.voxPaused.load() == 1) {
            shared_.voxPaused.store(0);
            return true;
        }
        return false;
    }
    const bool quiet = (c == 1 && left < stop) || (c == 2 && right < stop) ||
                       (c == 3 && left < stop && right < stop);
    if (!quiet) {
        shared_.voxCountdown.store(0);  // between the thresholds: the quiet time starts again
        return false;
    }
    if (shared_.voxPaused.load() == 1) return false;
    const std::int16_t countdown = shared_.voxCountdown.load();
    if (countdown == 0) {
        shared_.voxCountdown.store(shared_.voxTime.load());
        return false;
    }
    shared_.voxCountdown.store(static_cast<std::int16_t>(countdown - 1));
    if (countdown - 1 == 0) {
        shared_.voxPaused.store(1);
        return true;
    }
    return false;
}

}  // namespace aurx::engine

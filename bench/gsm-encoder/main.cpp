// GSM 6.10 encoding, ours against libgsm's, on the same ten seconds of a speech-like signal
// (a slow sweep with noise), each encoder carrying its state from block to block as in a
// recording. Run: build/release/bin/gsm-encoder-bench
#include <benchmark/benchmark.h>
#include <gsm.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "platform/codecs/GsmEncoder.h"

namespace {

constexpr std::size_t kSamples = 10 * 8000;

const std::vector<std::int16_t>& line() {
    static const std::vector<std::int16_t> samples = [] {
        std::vector<std::int16_t> s(kSamples);
        std::mt19937 random(1);
        std::uniform_int_distribution<int> noise(-500, 500);
        for (std::size_t i = 0; i < s.size(); ++i)
            s[i] = static_cast<std::int16_t>(9000 * std::sin(0.05 * i * (1 + i / 80000.0)) +
                                             noise(random));
        return s;
    }();
    return samples;
}

void ours(benchmark::State& state) {
    aurx::codecs::GsmEncoder encoder;
    std::uint8_t block[65];
    for (auto _ : state) {
        for (std::size_t b = 0; b + 320 <= kSamples; b += 320) {
            encoder.encodeBlock(line().data() + b, block);
            benchmark::DoNotOptimize(block);
        }
    }
    state.SetItemsProcessed(state.iterations() * kSamples);
}

void libgsm(benchmark::State& state) {
    gsm handle = gsm_create();
    int one = 1;
    gsm_option(handle, GSM_OPT_WAV49, &one);
    std::vector<gsm_signal> pcm(line().begin(), line().end());
    gsm_byte block[65];
    for (auto _ : state) {
        for (std::size_t b = 0; b + 320 <= kSamples; b += 320) {
            gsm_encode(handle, pcm.data() + b, block);
            gsm_encode(handle, pcm.data() + b + 160, block + 32);
            benchmark::DoNotOptimize(block);
        }
    }
    state.SetItemsProcessed(state.iterations() * kSamples);
    gsm_destroy(handle);
}

}  // namespace

// Ten seconds of 8 kHz audio per iteration: the time shown, times six, is a minute's cost.
BENCHMARK(ours)->Unit(benchmark::kMillisecond);
BENCHMARK(libgsm)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();

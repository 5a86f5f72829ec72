// Our GSM 06.10 encoder against libgsm, the reference every other tool (sox among them)
// agrees with: block for block, over signals that reach every corner of the fixed-point
// arithmetic, with the encoder's memory carried from one kind of signal into the next.
#include <gsm.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <random>
#include <vector>

#include "platform/codecs/GsmEncoder.h"

using aurx::codecs::GsmEncoder;

namespace {

class Reference {
  public:
    Reference() : handle_(gsm_create()) {
        int one = 1;
        gsm_option(handle_, GSM_OPT_WAV49, &one);
    }
    Reference(const Reference&) = delete;
    Reference& operator=(const Reference&) = delete;
    ~Reference() { gsm_destroy(handle_); }
    void encodeBlock(const std::int16_t* s, std::uint8_t* block) {
        gsm_signal pcm[320];
        std::copy(s, s + 320, pcm);
        gsm_encode(handle_, pcm, block);
        gsm_encode(handle_, pcm + 160, block + 32);
    }

  private:
    gsm handle_;
};

using Signal = std::function<std::int16_t(std::size_t, std::mt19937&)>;

std::int16_t clip(double v) {
    return static_cast<std::int16_t>(std::clamp(std::lround(v), -32768L, 32767L));
}

// Kinds of signal, each chosen for a part of the arithmetic it strains.
const std::vector<std::pair<const char*, Signal>>& signals() {
    static const std::vector<std::pair<const char*, Signal>> all = {
        {"silence", [](std::size_t, std::mt19937&) -> std::int16_t { return 0; }},
        {"speech-like sweep with noise",
         [](std::size_t i, std::mt19937& r) {
             return clip(9000 * std::sin(0.05 * i * (1 + i / 80000.0)) +
                         std::uniform_int_distribution<int>(-600, 600)(r));
         }},
        {"full-scale white noise",
         [](std::size_t, std::mt19937& r) {
             return static_cast<std::int16_t>(std::uniform_int_distribution<int>(-32768, 32767)(r));
         }},
        // The extremes held for a while: the offset filter and the scalings at their limits.
        {"full-scale square",
         [](std::size_t i, std::mt19937&) -> std::int16_t {
             return (i / 37) % 2 ? 32767 : -32768;
         }},
        {"the most negative sample held",
         [](std::size_t, std::mt19937&) -> std::int16_t { return -32768; }},
        {"a loud high sine",
         [](std::size_t i, std::mt19937&) { return clip(32000 * std::sin(2.9 * i)); }},
        {"the smallest steps",
         [](std::size_t, std::mt19937& r) {
             return static_cast<std::int16_t>(std::uniform_int_distribution<int>(-9, 8)(r));
         }},
        {"sparse clicks",
         [](std::size_t i, std::mt19937&) -> std::int16_t {
             return i % 211 == 0 ? 32767 : i % 307 == 0 ? -32768 : 0;
         }},
        {"a quiet low hum on an offset",
         [](std::size_t i, std::mt19937&) { return clip(-20000 + 300 * std::sin(0.02 * i)); }},
        {"bursts of loud noise in silence",
         [](std::size_t i, std::mt19937& r) -> std::int16_t {
             if ((i / 500) % 3 != 0) return 0;
             return static_cast<std::int16_t>(std::uniform_int_distribution<int>(-32768, 32767)(r));
         }},
    };
    return all;
}

}  // namespace

TEST(GsmEncoder, EveryBlockIsTheReferenceBlock) {
    // Each kind for two seconds, one after the other through the same encoder, then once more
    // in another order, so that each starts from another's memory.
    std::mt19937 random(7);
    std::vector<std::size_t> order(signals().size());
    for (std::size_t k = 0; k < order.size(); ++k)
        order[k] = k;
    order.insert(order.end(), order.rbegin(), order.rend());
    GsmEncoder ours;
    Reference theirs;
    std::vector<std::int16_t> pcm(16000);
    std::size_t at = 0;
    for (const auto kind : order) {
        for (auto& s : pcm)
            s = signals()[kind].second(at++, random);
        for (std::size_t b = 0; b + 320 <= pcm.size(); b += 320) {
            std::uint8_t expected[65];
            std::uint8_t got[65];
            theirs.encodeBlock(pcm.data() + b, expected);
            ours.encodeBlock(pcm.data() + b, got);
            ASSERT_EQ(0, std::memcmp(expected, got, 65))
                << signals()[kind].first << ", block " << b / 320;
        }
    }
}

TEST(GsmEncoder, RandomMixturesMatchTheReference) {
    // Short random stretches of random kinds and levels: changes at any sample of a frame.
    std::mt19937 random(2026);
    GsmEncoder ours;
    Reference theirs;
    std::vector<std::int16_t> pcm(320);
    std::size_t kind = 0;
    double gain = 1;
    int left = 0;
    for (int block = 0; block < 6000; ++block) {
        for (std::size_t i = 0; i < pcm.size(); ++i) {
            if (left-- <= 0) {
                kind = std::uniform_int_distribution<std::size_t>(0, signals().size() - 1)(random);
                gain = std::uniform_real_distribution<double>(0, 1.2)(random);
                left = std::uniform_int_distribution<int>(1, 900)(random);
            }
            const std::size_t n = static_cast<std::size_t>(block) * 320 + i;
            pcm[i] = clip(gain * signals()[kind].second(n, random));
        }
        std::uint8_t expected[65];
        std::uint8_t got[65];
        theirs.encodeBlock(pcm.data(), expected);
        ours.encodeBlock(pcm.data(), got);
        ASSERT_EQ(0, std::memcmp(expected, got, 65)) << "block " << block;
    }
}

TEST(GsmEncoder, ResetStartsAsIfNew) {
    std::mt19937 random(3);
    std::vector<std::int16_t> first(3200);
    std::vector<std::int16_t> second(3200);
    for (std::size_t i = 0; i < first.size(); ++i) {
        first[i] = signals()[2].second(i, random);
        second[i] = signals()[1].second(i, random);
    }
    GsmEncoder used;
    std::uint8_t block[65];
    for (std::size_t b = 0; b < first.size(); b += 320)
        used.encodeBlock(first.data() + b, block);
    used.reset();
    GsmEncoder fresh;
    for (std::size_t b = 0; b < second.size(); b += 320) {
        std::uint8_t expected[65];
        fresh.encodeBlock(second.data() + b, expected);
        used.encodeBlock(second.data() + b, block);
        ASSERT_EQ(0, std::memcmp(expected, block, 65)) << "block " << b / 320;
    }
}

TEST(GsmEncoder, BothLatticesAgree) {
    // The vector lattice and the plain one (for processors without it) on random frames,
    // extreme coefficients included, with their state carried on.
    using namespace aurx::codecs::gsm_lattice;
    if (!wideAvailable()) GTEST_SKIP() << "this processor has no SSSE3";
    std::mt19937 random(11);
    std::uniform_int_distribution<int> any(-32768, 32767);
    std::int16_t plainState[8] = {};
    std::int16_t wideState[8] = {};
    for (int frame = 0; frame < 2000; ++frame) {
        std::int16_t rp[4][8];
        for (auto& set : rp)
            for (auto& c : set)
                c = static_cast<std::int16_t>(frame % 3 == 0 ? (any(random) % 2 ? 32767 : -32767)
                                                             : std::max(any(random), -32767));
        std::int16_t plain[160];
        for (auto& s : plain)
            s = static_cast<std::int16_t>(frame % 5 == 0 ? any(random) % 2 ? 32767 : -32768
                                                         : any(random));
        std::int16_t wide[160];
        std::copy(plain, plain + 160, wide);
        run(Kind::Plain, plainState, rp, plain);
        run(Kind::Wide, wideState, rp, wide);
        ASSERT_TRUE(std::equal(plain, plain + 160, wide)) << "frame " << frame;
        ASSERT_TRUE(std::equal(plainState, plainState + 8, wideState)) << "frame " << frame;
    }
}

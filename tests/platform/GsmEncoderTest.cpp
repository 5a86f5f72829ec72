// Our GSM 06.10 encoder against the standard's integer arithmetic (libgsm's own source built
// without USE_FLOAT_MUL, run as a program beside the tests) block for block, over signals
// that reach every corner of the fixed-point arithmetic, with the encoder's memory carried
// from one kind of signal into the next, and over much random sound. Also against Debian's
// libgsm, which sox uses: built with USE_FLOAT_MUL, its long-term predictor sums its
// correlations in single-precision floats and now and then picks another lag than the
// standard's; everywhere else its blocks are the standard's, and so ours.
#include <gsm.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "platform/codecs/GsmEncoder.h"
#include "tests/support/TempDir.h"

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

// The standard's blocks for `pcm` (whole blocks of 320 samples), from one encoder run; empty
// when libgsm's source was not at hand for the build.
std::vector<std::uint8_t> standardBlocks(const std::vector<std::int16_t>& pcm) {
#ifdef GSM_STANDARD_ENCODE
    testsupport::TempDir dir;
    testsupport::writeFile(dir.file("in.raw"),
                           std::string(reinterpret_cast<const char*>(pcm.data()), pcm.size() * 2));
    const std::string command =
        std::string(GSM_STANDARD_ENCODE) + " < " + dir.file("in.raw") + " > " + dir.file("out.gsm");
    if (std::system(command.c_str()) != 0) return {};
    const std::string out = testsupport::readFile(dir.file("out.gsm"));
    return std::vector<std::uint8_t>(out.begin(), out.end());
#else
    (void)pcm;
    return {};
#endif
}

#ifdef GSM_STANDARD_ENCODE
constexpr bool kStandardAtHand = true;
#else
constexpr bool kStandardAtHand = false;
#endif

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

namespace {

// Every kind of signal one after the other and back, then stretches of random kinds and
// levels, then random sound of every loudness: what the standard's blocks are compared over.
std::vector<std::int16_t> everything(std::size_t randomBlocks) {
    std::mt19937 random(11);
    std::vector<std::int16_t> pcm;
    std::size_t at = 0;
    std::vector<std::size_t> order(signals().size());
    for (std::size_t k = 0; k < order.size(); ++k)
        order[k] = k;
    order.insert(order.end(), order.rbegin(), order.rend());
    for (const auto kind : order)
        for (int i = 0; i < 16000; ++i)
            pcm.push_back(signals()[kind].second(at++, random));
    std::size_t kind = 0;
    double gain = 1;
    int left = 0;
    for (int i = 0; i < 6000 * 320; ++i) {
        if (left-- <= 0) {
            kind = std::uniform_int_distribution<std::size_t>(0, signals().size() - 1)(random);
            gain = std::uniform_real_distribution<double>(0, 1.2)(random);
            left = std::uniform_int_distribution<int>(1, 900)(random);
        }
        pcm.push_back(clip(gain * signals()[kind].second(at++, random)));
    }
    // White noise, each block at its own level.
    for (std::size_t b = 0; b < randomBlocks; ++b) {
        const int level = 1 << std::uniform_int_distribution<int>(4, 15)(random);
        std::uniform_int_distribution<int> sample(-level, level - 1);
        for (int i = 0; i < 320; ++i)
            pcm.push_back(static_cast<std::int16_t>(sample(random)));
    }
    return pcm;
}

// Random periods of 20 to 60 samples (a few of them fit in the lags the long-term predictor
// searches, 40 to 120), each repeated exactly for one to ten blocks, as voiced speech repeats
// itself: where the correlations of two lags are all but equal, a search that sums them in
// floats picks now one, now the other. Once in about 12 000 blocks it picks otherwise than
// the standard; these seeds do early on, from a new encoder (in blocks 93, 345, 980, 1616 and
// 1832).
std::vector<std::int16_t> repeatedPeriods(unsigned seed, std::size_t blocks) {
    std::mt19937 random(seed);
    std::vector<std::int16_t> pcm;
    while (pcm.size() < blocks * 320) {
        std::vector<int> period(std::uniform_int_distribution<std::size_t>(20, 60)(random));
        const int level = std::uniform_int_distribution<int>(1000, 32000)(random);
        for (int& s : period)
            s = std::uniform_int_distribution<int>(-level, level)(random);
        const int n = std::uniform_int_distribution<int>(1, 10)(random);
        for (std::size_t i = 0; i < static_cast<std::size_t>(n) * 320 && pcm.size() < blocks * 320;
             ++i)
            pcm.push_back(static_cast<std::int16_t>(period[i % period.size()]));
    }
    return pcm;
}

constexpr unsigned kPartingSeeds[] = {31, 6, 34, 28, 27};
constexpr std::size_t kRandomBlocks = 40000;

// Each input from a new encoder, as the standard and Debian's libgsm run it.
std::vector<std::vector<std::int16_t>> inputs() {
    std::vector<std::vector<std::int16_t>> all{everything(kRandomBlocks)};
    for (const unsigned seed : kPartingSeeds)
        all.push_back(repeatedPeriods(seed, 2000));
    return all;
}

}  // namespace

TEST(GsmStandard, EveryBlockIsTheStandardsBlock) {
    if (!kStandardAtHand)
        GTEST_SKIP() << "libgsm's source was not at hand for the build (scripts/install-deps)";
    for (const auto& pcm : inputs()) {
        const auto expected = standardBlocks(pcm);
        ASSERT_EQ(expected.size(), pcm.size() / 320 * 65);
        GsmEncoder ours;
        std::uint8_t got[65];
        for (std::size_t b = 0; b < pcm.size() / 320; ++b) {
            ours.encodeBlock(pcm.data() + b * 320, got);
            ASSERT_EQ(0, std::memcmp(expected.data() + b * 65, got, 65))
                << "block " << b << " of " << pcm.size() / 320;
        }
    }
}

// sox's files are ours except where Debian's float lag search parts from the standard's (the
// standard then on our side, above): in none of the random sound, and in rare blocks of
// repeated sound.
TEST(GsmStandard, DebiansLibgsmPartsFromItOnlyInRareBlocksOfRepeatedSound) {
    if (!kStandardAtHand)
        GTEST_SKIP() << "libgsm's source was not at hand for the build (scripts/install-deps)";
    const auto all = inputs();
    for (std::size_t input = 0; input < all.size(); ++input) {
        const auto& pcm = all[input];
        const auto standard = standardBlocks(pcm);
        ASSERT_EQ(standard.size(), pcm.size() / 320 * 65);
        Reference debian;
        std::uint8_t theirs[65];
        std::optional<std::size_t> first;
        const std::size_t blocks = pcm.size() / 320;
        for (std::size_t b = 0; b < blocks && !first; ++b) {
            debian.encodeBlock(pcm.data() + b * 320, theirs);
            if (std::memcmp(standard.data() + b * 65, theirs, 65) != 0) first = b;
        }
        if (input == 0) {
            EXPECT_FALSE(first) << "block " << *first << " of the random sound";
        } else {
            // Were it none, the README could say that sox's files are ours without exception.
            EXPECT_TRUE(first) << "seed " << kPartingSeeds[input - 1];
        }
    }
}

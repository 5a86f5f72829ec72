// Level measurement and the voice-operated switch, buffer by buffer.
#include <gtest/gtest.h>

#include <cmath>

#include "recorder/engine/Levels.h"

using aurx::engine::LevelMeter;
using aurx::engine::SharedState;

namespace {

std::vector<std::uint8_t> pcm16(std::initializer_list<int> samples) {
    std::vector<std::uint8_t> out;
    for (int s : samples) {
        out.push_back(static_cast<std::uint8_t>(s & 0xFF));
        out.push_back(static_cast<std::uint8_t>((s >> 8) & 0xFF));
    }
    return out;
}

// A buffer of one 16-bit mono sample whose level is `db` (about).
std::vector<std::uint8_t> at(double db) {
    if (db <= -200) return pcm16({0});
    return pcm16({static_cast<int>(std::lround(32768 * std::pow(10, db / 20)))});
}

const auto kMono16 = aurx::codecs::WaveFormat::pcm(8000, 1, 16);

}  // namespace

TEST(Levels, PeaksAreDecibelsOfFullScale) {
    const auto mono8 = aurx::codecs::WaveFormat::pcm(8000, 1, 8);
    const auto stereo16 = aurx::codecs::WaveFormat::pcm(8000, 2, 16);
    EXPECT_EQ(
        aurx::engine::levelOf(aurx::engine::measurePeaks(pcm16({0, 0}).data(), 2, kMono16).left),
        -9999.0f);
    EXPECT_NEAR(
        aurx::engine::levelOf(aurx::engine::measurePeaks(pcm16({3277}).data(), 1, kMono16).left),
        -20.0, 0.01);
    EXPECT_NEAR(
        aurx::engine::levelOf(aurx::engine::measurePeaks(pcm16({-32768}).data(), 1, kMono16).left),
        0.0, 1e-6);
    const std::uint8_t bytes8[] = {128, 192};
    EXPECT_NEAR(aurx::engine::levelOf(aurx::engine::measurePeaks(bytes8, 2, mono8).left), -6.02,
                0.01);
    const auto stereo = pcm16({100, -16384, 0, 50});
    const auto p = aurx::engine::measurePeaks(stereo.data(), 2, stereo16);
    EXPECT_NEAR(aurx::engine::levelOf(p.right), -6.02, 0.01);
    EXPECT_NEAR(aurx::engine::levelOf(p.left), 20 * std::log10(100.0 / 32768), 0.01);
}

TEST(Levels, OverloadStartsJustBeyondTheThresholds) {
    struct Case {
        int sample;
        bool over;
    };
    for (const Case& k :
         std::vector<Case>{{30000, false}, {30001, true}, {-30000, false}, {-30001, true}}) {
        const auto b = pcm16({k.sample});
        EXPECT_EQ(aurx::engine::measurePeaks(b.data(), 1, kMono16).leftOverload, k.over)
            << k.sample;
    }
    const auto mono8 = aurx::codecs::WaveFormat::pcm(8000, 1, 8);
    for (int byte = 0; byte < 256; ++byte) {
        const std::uint8_t b = static_cast<std::uint8_t>(byte);
        EXPECT_EQ(aurx::engine::measurePeaks(&b, 1, mono8).leftOverload, byte <= 12 || byte >= 244)
            << byte;
    }
}

TEST(Levels, AnOverloadIsHeldForTenBuffersAndReportedForOne) {
    SharedState shared;
    LevelMeter meter(shared);
    meter.reset();
    EXPECT_EQ(shared.leftLevel.load(), -100.0f);
    const auto loud = pcm16({32767});
    const auto soft = pcm16({1000});
    meter.measure(loud.data(), 1, kMono16);
    int held = 0, reported = 0;
    for (int i = 0; i < 14; ++i) {
        held += shared.leftOverload.load();
        reported += shared.leftOverloadCounter.load() >= 9 ? 1 : 0;
        meter.measure(soft.data(), 1, kMono16);
    }
    EXPECT_EQ(held, 10);
    EXPECT_EQ(reported, 1);
    EXPECT_EQ(shared.rightOverload.load(), 0);
    meter.end();
    EXPECT_EQ(shared.leftLevel.load(), -9999.0f);
}

struct VoxCase {
    const char* name;
    std::int16_t channel;
    unsigned channels;
    std::vector<std::pair<double, double>> buffers;  // left and right levels in dB
    std::vector<int> paused;                         // VoxPaused after each buffer
};

TEST(Levels, TheVoiceSwitchPausesAfterTheQuietTimeAndResumesAtOnce) {
    const double loud = -10, mid = -35, quiet = -60, silent = -300;
    const std::vector<VoxCase> cases = {
        {"pauses on the fourth quiet buffer with a quiet time of 3",
         1,
         1,
         {{loud, 0}, {quiet, 0}, {quiet, 0}, {quiet, 0}, {quiet, 0}, {quiet, 0}, {loud, 0}},
         {0, 0, 0, 0, 1, 1, 0}},
        {"digital silence counts as quiet",
         1,
         1,
         {{silent, 0}, {silent, 0}, {silent, 0}, {silent, 0}},
         {0, 0, 0, 1}},
        {"between the thresholds the quiet time starts again",
         1,
         1,
         {{quiet, 0}, {quiet, 0}, {mid, 0}, {quiet, 0}, {quiet, 0}, {quiet, 0}, {quiet, 0}},
         {0, 0, 0, 0, 0, 0, 1}},
        {"mono uses the left level for both channel settings",
         3,
         1,
         {{quiet, loud}, {quiet, loud}, {quiet, loud}, {quiet, loud}},
         {0, 0, 0, 1}},
        {"stereo on both channels: either one is voice",
         3,
         2,
         {{quiet, quiet}, {quiet, quiet}, {quiet, quiet}, {quiet, quiet}, {quiet, loud}},
         {0, 0, 0, 1, 0}},
        {"stereo on both channels: quiet only when both are",
         3,
         2,
         {{quiet, mid}, {quiet, mid}, {quiet, mid}, {quiet, mid}, {quiet, mid}},
         {0, 0, 0, 0, 0}},
        {"the right channel alone",
         2,
         2,
         {{loud, quiet}, {loud, quiet}, {loud, quiet}, {loud, quiet}},
         {0, 0, 0, 1}},
        {"switched off",
         0,
         1,
         {{quiet, 0}, {quiet, 0}, {quiet, 0}, {quiet, 0}, {quiet, 0}},
         {0, 0, 0, 0, 0}},
    };
    for (const auto& k : cases) {
        SharedState shared;
        shared.voxChannel = k.channel;
        shared.voxStartLevel = -30;
        shared.voxStopLevel = -40;
        shared.voxTime = 3;
        LevelMeter meter(shared);
        const auto format =
            aurx::codecs::WaveFormat::pcm(8000, static_cast<std::uint16_t>(k.channels), 16);
        int previous = 0;
        for (std::size_t i = 0; i < k.buffers.size(); ++i) {
            std::vector<std::uint8_t> b = at(k.buffers[i].first);
            if (k.channels == 2) {
                const auto r = at(k.buffers[i].second);
                b.insert(b.end(), r.begin(), r.end());
            }
            const auto outcome = meter.measure(b.data(), 1, format);
            EXPECT_EQ(shared.voxPaused.load(), k.paused[i]) << k.name << ", buffer " << i;
            EXPECT_EQ(outcome.voxChanged, shared.voxPaused.load() != previous)
                << k.name << ", buffer " << i;
            previous = shared.voxPaused.load();
        }
    }
}

TEST(Levels, AQuietTimeOfZeroNeverPauses) {
    SharedState shared;
    shared.voxChannel = 1;
    shared.voxStopLevel = -40;
    LevelMeter meter(shared);
    const auto quiet = at(-60);
    for (int i = 0; i < 50; ++i)
        meter.measure(quiet.data(), 1, kMono16);
    EXPECT_EQ(shared.voxPaused.load(), 0);
}

TEST(Levels, ThresholdsOfMinus30AndMinus40WithTwentyTenths) {
    SharedState shared;
    shared.voxChannel = 1;
    shared.voxStartLevel = -30;
    shared.voxStopLevel = -40;
    shared.voxTime = 20;
    LevelMeter meter(shared);
    const auto around35 = at(-35), below40 = at(-45), loud = at(-10);
    for (int i = 0; i < 40; ++i)
        meter.measure(around35.data(), 1, kMono16);
    EXPECT_EQ(shared.voxPaused.load(), 0) << "levels around -35 never pause";
    for (int i = 0; i < 20; ++i)
        meter.measure(below40.data(), 1, kMono16);
    EXPECT_EQ(shared.voxPaused.load(), 0);
    meter.measure(below40.data(), 1, kMono16);
    EXPECT_EQ(shared.voxPaused.load(), 1) << "21 buffers below -40 pause";
    for (int i = 0; i < 40; ++i)
        meter.measure(around35.data(), 1, kMono16);
    EXPECT_EQ(shared.voxPaused.load(), 1) << "and levels around -35 never resume";
    meter.measure(loud.data(), 1, kMono16);
    EXPECT_EQ(shared.voxPaused.load(), 0);
}

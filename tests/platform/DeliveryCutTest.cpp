// A stop's instant cuts the first delivery that comes after it: what was captured before it is
// kept, what came after is not, and nothing is kept after the cut.
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "platform/wave/DeliveryCut.h"

using aurx::codecs::WaveFormat;
using aurx::wave::DeliveryCut;
using std::chrono::milliseconds;

TEST(DeliveryCut, TheFirstDeliveryAfterTheStopKeepsWhatCameBeforeIt) {
    const WaveFormat f = WaveFormat::pcm(8000, 1, 16);
    const std::atomic<bool> failed{false};
    struct Case {
        const char* what;
        int agoMs;       // the stop's instant, before the delivery
        double latency;  // how old the delivery's newest frame is
    };
    const Case cases[] = {
        {"a stop this instant", 0, 0},
        {"a stop 50 ms ago", 50, 0},
        {"a stop 50 ms ago, the newest frame 30 ms old", 50, 0.03},
        {"a stop before the whole delivery", 500, 0},
    };
    for (const Case& c : cases) {
        DeliveryCut cut;
        EXPECT_EQ(cut.keep(1600, f), 1600u) << "no stop asked";
        const auto until = DeliveryCut::Clock::now() - milliseconds(c.agoMs);
        std::thread owner([&] { cut.cutAt(until, milliseconds(2000), failed); });
        while (!cut.asked())
            std::this_thread::yield();
        std::this_thread::sleep_for(milliseconds(20));
        const auto before = DeliveryCut::Clock::now();
        const std::size_t frames = cut.keep(1600, f, c.latency) / 2;
        const auto after = DeliveryCut::Clock::now();
        owner.join();
        // What came after the stop, by when the delivery was taken.
        const auto keptAt = [&](DeliveryCut::Clock::time_point t) {
            const double late = std::chrono::duration<double>(t - until).count() - c.latency;
            return std::clamp(800 - std::max(late, 0.0) * 8000, 0.0, 800.0);
        };
        EXPECT_GE(static_cast<double>(frames), keptAt(after) - 1) << c.what;
        EXPECT_LE(static_cast<double>(frames), keptAt(before) + 1) << c.what;
        EXPECT_EQ(cut.keep(1600, f), 0u) << c.what << ": nothing after the cut";
        cut.clear();
        EXPECT_EQ(cut.keep(1600, f), 1600u) << c.what << ": cleared";
    }
}

TEST(DeliveryCut, AStopWaitsNoLongerThanItsBoundOrTheStreamsEnd) {
    DeliveryCut cut;
    std::atomic<bool> failed{false};
    auto start = DeliveryCut::Clock::now();
    EXPECT_FALSE(cut.cutAt(start, milliseconds(100), failed));
    EXPECT_LT(DeliveryCut::Clock::now() - start, milliseconds(400));
    failed = true;
    start = DeliveryCut::Clock::now();
    EXPECT_FALSE(cut.cutAt(start, milliseconds(5000), failed));
    EXPECT_LT(DeliveryCut::Clock::now() - start, milliseconds(400)) << "a failed stream";
}

// When a recording's input counts as stalled, and how much of the line's time it missed.
#include <gtest/gtest.h>

#include "recorder/engine/StallWatch.h"

using aurx::engine::StallWatch;
using std::chrono::milliseconds;

// Buffers of 0.1 s at 8 kHz; after `quietMs` without one, they flow again, first `burst` of
// them at once (what a server held back), then one every 0.1 s.
TEST(StallWatch, ASecondWithoutBuffersIsAStallAndWhatTheLineMissedIsReckonedOnceTheyFlow) {
    struct Case {
        const char* what;
        int quietMs;
        int burst;
        bool stalled;
        std::int64_t resumedAfter;
        std::int64_t missing;
    };
    const Case cases[] = {
        {"buffers as they come", 100, 0, false, 0, 0},
        {"a late one", 900, 0, false, 0, 0},
        {"just over a second", 1100, 0, true, 8800, 8000},
        {"a frozen server", 9340, 0, true, 74400, 73600},
        {"a frozen server that hands over what it held", 3000, 7, true, 24000, 17600},
    };
    for (const Case& c : cases) {
        const auto t0 = StallWatch::Clock::now();
        StallWatch w;
        w.start();
        EXPECT_FALSE(w.checkStalled(t0 + milliseconds(5000))) << "a device slow to start";
        EXPECT_EQ(w.arrived(t0, 800, 8000).resumedAfter, 0);
        auto now = t0 + milliseconds(c.quietMs);
        EXPECT_EQ(w.checkStalled(now), c.stalled) << c.what;
        EXPECT_FALSE(w.checkStalled(now)) << c.what << ": told once";
        std::int64_t resumedAfter = 0, missing = 0;
        const auto take = [&] {
            const auto a = w.arrived(now, 800, 8000);
            resumedAfter += a.resumedAfter;
            missing += a.missing;
        };
        for (int i = 0; i < c.burst; ++i)
            take();
        for (int i = 0; i < 15; ++i, now += milliseconds(100))
            take();
        EXPECT_EQ(resumedAfter, c.resumedAfter) << c.what;
        EXPECT_EQ(missing, c.missing) << c.what;
        EXPECT_FALSE(w.stalled()) << c.what;
    }
}

TEST(StallWatch, AStopBeforeTheBuffersHaveSettledStillReckonsWhatWasMissing) {
    const auto t0 = StallWatch::Clock::now();
    StallWatch w;
    w.start();
    w.arrived(t0, 800, 8000);
    ASSERT_TRUE(w.checkStalled(t0 + milliseconds(1500)));
    auto now = t0 + milliseconds(3000);
    for (int i = 0; i < 6; ++i, now += milliseconds(100))
        EXPECT_EQ(w.arrived(now, 800, 8000).missing, 0);
    EXPECT_EQ(w.missingAtStop(t0 + milliseconds(3500), 8000), 23200);
    EXPECT_EQ(w.missingAtStop(t0 + milliseconds(3600), 8000), 0) << "reckoned once";
}

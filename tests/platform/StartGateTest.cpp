// A recording starts when it is asked: what a device delivers before its start returned is not
// the recording's, nor, of the first delivery after it, what was captured before.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/wave/StartGate.h"

using aurx::codecs::WaveFormat;
using aurx::wave::StartGate;
using namespace std::chrono_literals;

TEST(StartGate, TheStartWaitsForTheFirstDeliveryAndKeepsWhatCameAfterIt) {
    const WaveFormat f = WaveFormat::pcm(1000, 1, 16);  // a frame a millisecond
    StartGate gate;
    std::thread device([&] {
        std::this_thread::sleep_for(50ms);
        EXPECT_EQ(gate.before(200, f), 200u) << "before the start returned: none of it";
    });
    const auto asked = std::chrono::steady_clock::now();
    EXPECT_TRUE(gate.open(2000ms));
    EXPECT_LT(std::chrono::steady_clock::now() - asked, 1000ms) << "woken by the delivery";
    device.join();
    // The first delivery after it, 60 ms later: 100 frames, the newest 20 ms old, so about the
    // first 60 were captured before the start.
    std::this_thread::sleep_for(60ms);
    const std::size_t early = gate.before(200, f, 0.020);
    EXPECT_GE(early, 2 * 55u);
    EXPECT_LT(early, 200u) << "only what came before the start";
    EXPECT_EQ(gate.before(200, f, 0.5), 0u) << "after the first: everything";

    gate.close();
    EXPECT_FALSE(gate.open(30ms)) << "nothing came: the start goes on all the same";
    std::this_thread::sleep_for(40ms);
    EXPECT_EQ(gate.before(40, f), 0u) << "20 ms captured after the start";
}

// A host's pump against a worker that never stops posting: the host's thread gets back to its
// own work between pumps, and nothing is lost or reordered meanwhile.
#include <gtest/gtest.h>

#include "tests/recorder/engine/EngineRig.h"

using namespace testsupport;

namespace {

// Each level report it is given makes the worker finish one more buffer, so there is always
// another notification waiting by the time the last one has been handled.
class Feeder : public EventLog {
  public:
    explicit Feeder(EngineRig& rig) : rig_(rig) {}
    void NewLevelValues(float l, std::int16_t lo, float r, std::int16_t ro) override {
        EventLog::NewLevelValues(l, lo, r, ro);
        if (levels.size() < kMostFed) rig_.step();
    }
    static constexpr std::size_t kMostFed = 2000;

  private:
    EngineRig& rig_;
};

}  // namespace

TEST(HostPump, APumpReturnsWhileTheWorkerKeepsPostingAndTheRestFollows) {
    EngineRig rig;
    rig.line(std::vector<std::int16_t>(8000 * 300, 3000));
    auto& c = rig.control();
    const auto feeder = std::make_shared<Feeder>(rig);
    c.Advise(feeder);
    ASSERT_EQ(rig.openNew("flood.wav", 16), 0);
    ASSERT_EQ(c.StartRecording(), 0);
    ASSERT_TRUE(rig.step());
    ASSERT_TRUE(c.waitForNotification(2000));

    const int first = c.processNotifications();
    EXPECT_GT(first, 0);
    EXPECT_LT(static_cast<std::size_t>(first), Feeder::kMostFed / 2)
        << "one pump handled the whole flood: the host's thread was held all that time";
    EXPECT_TRUE(c.waitForNotification(0)) << "what is left must wake the host again";

    // Later pumps take the rest, one report per buffer and in order.
    int pumps = 1;
    while (feeder->levels.size() < Feeder::kMostFed && pumps < 100) {
        if (c.waitForNotification(2000)) c.processNotifications();
        ++pumps;
    }
    EXPECT_EQ(feeder->levels.size(), Feeder::kMostFed);
    EXPECT_GT(pumps, 2);
    c.Stop();
    ASSERT_TRUE(rig.waitFor("RecordingStopped"));
    EXPECT_EQ(c.get_NumSamples(), static_cast<std::int32_t>(Feeder::kMostFed * 800));
}

// A device that goes away in the middle (its sound server ended): the recording or playback
// ends with its error code, and nothing is lost that had already been captured.
#include <gtest/gtest.h>

#include "tests/recorder/engine/EngineRig.h"

#include <algorithm>
#include <chrono>
#include <thread>

using namespace testsupport;
using aurx::Status;
using aurx::wave::Direction;

namespace {

// The stop event is posted just before the worker puts Status back to FileOpen.
Status settledStatus(aurx::AURX300Ctrl& c) {
    const auto running = [&] {
        return c.status() == Status::Recording || c.status() == Status::Playing;
    };
    for (int i = 0; i < 200 && running(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return c.status();
}

}  // namespace

TEST(LostDevice, ALostInputEndsTheRecordingWithNineAndKeepsWhatWasCaptured) {
    EngineRig rig;
    rig.line(ramp(8000));
    auto& c = rig.control();
    ASSERT_EQ(rig.openNew("rec.wav", 16), 0);
    ASSERT_EQ(c.StartRecording(), 0);
    ASSERT_EQ(rig.steps(3), 3);
    ASSERT_TRUE(rig.clock->unplug(Direction::Input));
    ASSERT_TRUE(rig.waitFor("RecordingStopped"));
    EXPECT_EQ(rig.log->changes(), std::vector<std::string>{"RecordingStopped 9"});
    EXPECT_EQ(settledStatus(c), Status::FileOpen);
    EXPECT_EQ(c.get_LastError(), 9);
    EXPECT_EQ(rig.log->levels.back().left, -9999.0f) << "a dead line does not look live";
    EXPECT_EQ(c.get_NumSamples(), 2400);
    ASSERT_EQ(c.Reset(), 0);
    EXPECT_EQ(pcm16(chunkData(readFile(rig.dir.file("rec.wav")), "data")), ramp(2400));
}

TEST(LostDevice, ALostOutputEndsPlaybackWithTenAndTheFileStaysAsItWas) {
    EngineRig rig;
    writePcm16Wav(rig.dir.file("f.wav"), ramp(40000), 8000, 1);
    const std::string before = readFile(rig.dir.file("f.wav"));
    auto& c = rig.control();
    ASSERT_EQ(c.OpenExistingOrNewFile(rig.dir.file("f.wav")), 0);
    c.put_CurrentSamplePosition(0);
    ASSERT_EQ(c.StartPlayback(), 0);
    ASSERT_EQ(rig.steps(3, Direction::Output), 3);
    ASSERT_TRUE(rig.clock->unplug(Direction::Output));
    ASSERT_TRUE(rig.waitFor("PlaybackStopped"));
    EXPECT_EQ(rig.log->changes(), std::vector<std::string>{"PlaybackStopped 10"});
    EXPECT_EQ(settledStatus(c), Status::FileOpen);
    EXPECT_EQ(c.get_LastError(), 10);
    // A new device plays the file again.
    c.put_CurrentSamplePosition(0);
    ASSERT_EQ(c.StartPlayback(), 0);
    while (rig.step(Direction::Output)) {
    }
    ASSERT_TRUE(rig.waitFor("PlaybackStopped 0"));
    ASSERT_EQ(c.Reset(), 0);
    EXPECT_EQ(readFile(rig.dir.file("f.wav")), before);
}

TEST(LostDevice, ALossAfterStopIsNotReported) {
    EngineRig rig;
    auto& c = rig.control();
    ASSERT_EQ(rig.openNew("rec.wav", 16), 0);
    ASSERT_EQ(c.StartRecording(), 0);
    ASSERT_EQ(rig.steps(2), 2);
    c.Stop();
    EXPECT_FALSE(rig.clock->unplug(Direction::Input)) << "the stream is closed";
    ASSERT_TRUE(rig.waitFor("RecordingStopped"));
    EXPECT_EQ(rig.log->changes(), std::vector<std::string>{"RecordingStopped 0"});
    EXPECT_EQ(c.get_LastError(), 0);
}

// A device that stalls (a frozen sound server) and comes back: the host hears of it while it
// lasts, and the file holds silence for the time that never came, so that what follows is where
// it was on the line.
TEST(LostDevice, AStalledInputIsToldAndItsMissingTimeFilledWithSilence) {
    EngineRig rig;
    rig.config.manualInputKeepsTime = true;
    rig.line(ramp(8000 * 4));
    auto& c = rig.control();
    ASSERT_EQ(rig.openNew("rec.wav", 16), 0);
    ASSERT_EQ(c.StartRecording(), 0);
    ASSERT_EQ(rig.steps(5), 5);
    const auto lastBuffer = std::chrono::steady_clock::now();
    ASSERT_TRUE(rig.waitFor("InputStalled", 3000));
    EXPECT_EQ(rig.log->changes(), std::vector<std::string>{"InputStalled 4000"});
    EXPECT_EQ(rig.log->levels.back().left, -9999.0f) << "a stalled line does not look live";
    std::this_thread::sleep_for(std::chrono::milliseconds(800));
    const double gap =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - lastBuffer).count();
    ASSERT_TRUE(rig.step());
    ASSERT_TRUE(rig.waitFor("InputResumed", 3000));
    const std::string resumed = rig.log->changes().at(1);
    EXPECT_EQ(resumed.rfind("InputResumed 4000 ", 0), 0u) << resumed;
    EXPECT_NEAR(std::stol(resumed.substr(resumed.rfind(' ') + 1)), gap * 8000, 800) << resumed;
    // The missing time is reckoned, and filled, once the sound has flowed for a second.
    for (int i = 0; i < 10; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        ASSERT_TRUE(rig.step());
    }
    c.Stop();
    ASSERT_TRUE(rig.waitFor("RecordingStopped"));
    ASSERT_EQ(c.Reset(), 0);

    const auto got = pcm16(chunkData(readFile(rig.dir.file("rec.wav")), "data"));
    const auto line = ramp(16000);
    ASSERT_GT(got.size(), 12800u);
    const std::size_t silence = got.size() - 12800;
    EXPECT_NEAR(static_cast<double>(silence), gap * 8000 - 800, 1600);
    EXPECT_TRUE(std::equal(line.begin(), line.begin() + 12000, got.begin()));
    EXPECT_TRUE(
        std::all_of(got.begin() + 12000, got.end() - 800, [](std::int16_t v) { return v == 0; }));
    EXPECT_TRUE(std::equal(line.begin() + 12000, line.begin() + 12800, got.end() - 800))
        << "the line runs on after the silence";
}

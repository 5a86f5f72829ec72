// Playing through a real sound server: every sample of the file reaches the sink, in order,
// from the first to the last, also on a busy machine.
#include <thread>

#include "tests/realserver/RealServerRig.h"

using namespace testsupport;
using aurx::Status;

namespace {

// Plays four seconds of marked noise in the sink's own format (so the server passes it on
// unchanged) while the sink's monitor is recorded, and looks for every sample there from
// 20 ms in: the monitor, not the playback, may miss the first milliseconds. When a stream starts
// on a sink that is running with a long latency, the server rewinds the sink to play it sooner,
// and the monitor does not carry what was rewritten: seen to cost it the first 2 to 10 ms, most
// often on a busy machine.
void playAndFindEverySample(aurx::AURX300Ctrl& c, SoundServer& server, const TempDir& dir,
                            std::shared_ptr<EventLog> log) {
    constexpr std::size_t tolerated = 20 * 48;
    const unsigned rate = 48000, channels = 2;
    const auto samples = markedNoise(4 * rate * channels);
    writePcm16Wav(dir.file("play.wav"), samples, rate, channels);
    ASSERT_TRUE(c.put_PlayOnly(1));
    ASSERT_EQ(c.OpenExistingOrNewFile(dir.file("play.wav")), 0);
    c.put_CurrentSamplePosition(0);
    auto monitor = server.recordMonitor(dir.file("heard.raw"), rate, channels);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ASSERT_EQ(c.StartPlayback(), 0);
    const auto start = std::chrono::steady_clock::now();
    while (c.status() == Status::Playing &&
           std::chrono::steady_clock::now() - start < std::chrono::seconds(15))
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, std::chrono::milliseconds(3900)) << "the playback ended before its sound had";
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    monitor.stop();
    c.processNotifications();
    EXPECT_EQ(log->changes(), std::vector<std::string>{"PlaybackStopped 0"});

    const auto heard = pcm16(readFile(dir.file("heard.raw")));
    // The first frame of the file the monitor carried, looked for frame by frame.
    long long at = -1;
    std::size_t first = 0;
    for (; first <= tolerated && at < 0; ++first)
        at = find(heard, std::vector<std::int16_t>(samples.begin() + first * channels,
                                                   samples.begin() + first * channels + 64));
    --first;
    ASSERT_GE(at, 0) << "the file's first " << tolerated << " frames never reached the sink";
    std::size_t same = 0;
    const std::size_t from = first * channels;
    while (from + same < samples.size() && static_cast<std::size_t>(at) + same < heard.size() &&
           heard[static_cast<std::size_t>(at) + same] == samples[from + same])
        ++same;
    EXPECT_EQ((from + same) / channels, samples.size() / channels)
        << "frames that reached the sink unchanged and in order, to the last; heard "
        << heard.size() / channels << " frames, the file's frame " << first << " at "
        << at / channels;
}

}  // namespace

TEST_F(RealServer, PlaybackDeliversEverySampleFromHeadToTail) {
    playAndFindEverySample(control(), *server_, dir_, log_);
}

TEST_F(RealServer, PlaybackDeliversEverySampleOnABusyMachine) {
    std::vector<Child> busy;
    for (int i = 0; i < 2; ++i)
        busy.emplace_back(std::vector<std::string>{"sh", "-c", "while :; do :; done"});
    playAndFindEverySample(control(), *server_, dir_, log_);
}

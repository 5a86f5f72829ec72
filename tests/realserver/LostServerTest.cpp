// A sound server that dies or freezes under the control: the recording or playback ends with
// its error code, and no call of the control waits for the server.
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <thread>

#include "tests/realserver/RealServerRig.h"

using namespace testsupport;
using aurx::Status;

namespace {

constexpr long long kBound = 2000;  // milliseconds any call may take, whatever the server does

// What this process writes to stderr while it lives, kept in a file.
class StderrCapture {
  public:
    explicit StderrCapture(const std::string& file) : file_(file), saved_(::dup(2)) {
        const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(fd, 2);
        ::close(fd);
    }
    ~StderrCapture() {
        ::dup2(saved_, 2);
        ::close(saved_);
    }
    StderrCapture(const StderrCapture&) = delete;
    StderrCapture& operator=(const StderrCapture&) = delete;
    std::string text() const { return readFile(file_); }

  private:
    std::string file_;
    int saved_;
};

double processCpuSeconds() {
    rusage use{};
    ::getrusage(RUSAGE_SELF, &use);
    const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(use.ru_utime) + seconds(use.ru_stime);
}

void recordGsm(aurx::AURX300Ctrl& c, const std::string& file) {
    ASSERT_TRUE(c.put_SampleRate(8000));
    ASSERT_TRUE(c.put_NumChannels(1));
    ASSERT_TRUE(c.put_BitsPerSample(100));
    ASSERT_TRUE(c.put_AcmFormat(aurx::Variant("31000100401f0000590600004100000002004001")));
    ASSERT_EQ(c.OpenNewFile(file), 0);
    ASSERT_EQ(c.StartRecording(), 0);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (c.get_NumSamples() < 8000 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_GE(c.get_NumSamples(), 8000) << "nothing is being recorded";
}

void startPlaying(aurx::AURX300Ctrl& c, const std::string& file) {
    writePcm16Wav(file, markedNoise(10 * 8000), 8000, 1);
    ASSERT_TRUE(c.put_PlayOnly(1));
    ASSERT_EQ(c.OpenExistingOrNewFile(file), 0);
    c.put_CurrentSamplePosition(0);
    ASSERT_EQ(c.StartPlayback(), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    ASSERT_EQ(c.status(), Status::Playing);
}

void recordingEndsWithNineWhenTheServerDies(RealServer& t) {
    auto& c = t.control();
    recordGsm(c, t.dir_.file("call.wav"));
    if (::testing::Test::HasFatalFailure()) return;
    StderrCapture err(t.dir_.file("stderr.txt"));
    t.server_->kill(SIGKILL);
    EXPECT_TRUE(t.waitFor("RecordingStopped", static_cast<int>(kBound)));
    EXPECT_EQ(t.log_->changes(), std::vector<std::string>{"RecordingStopped 9"});
    EXPECT_EQ(c.status(), Status::FileOpen);
    EXPECT_EQ(c.get_LastError(), 9);
    EXPECT_EQ(t.log_->levels.back().left, -9999.0f) << "the meter falls silent";
    const auto samples = c.get_NumSamples();
    EXPECT_GE(samples, 8000);
    EXPECT_LE(millisecondsOf([&] { EXPECT_EQ(c.Reset(), 0); }), kBound);
    EXPECT_EQ(err.text().find("Expression '"), std::string::npos) << err.text();
    // The file is finished: its header holds what was recorded, and it plays.
    std::string length;
    ASSERT_EQ(run("soxi", "-s " + t.dir_.file("call.wav"), &length), 0);
    EXPECT_GE(std::stol(length), samples - 320);
}

void aFrozenServerHoldsUpNoCallWhileRecording(RealServer& t) {
    auto& c = t.control();
    recordGsm(c, t.dir_.file("call.wav"));
    if (::testing::Test::HasFatalFailure()) return;
    t.server_->freeze();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_LE(millisecondsOf([&] { c.Stop(); }), kBound);
    EXPECT_EQ(c.status(), Status::FileOpen);
    EXPECT_TRUE(t.waitFor("RecordingStopped", 1000));
    EXPECT_LE(millisecondsOf([&] { EXPECT_EQ(c.Reset(), 0); }), kBound);
    EXPECT_LE(millisecondsOf([&] { t.control_.reset(); }), kBound);
}

// A server frozen for three seconds under a recording: the host hears of the stall while it
// lasts and of the missing time when the sound comes back, and the file keeps the line's
// timeline.
void aFrozenServerIsToldAndTheTimelineKept(RealServer& t) {
    auto& c = t.control();
    recordGsm(c, t.dir_.file("call.wav"));
    if (::testing::Test::HasFatalFailure()) return;
    // From here on the file must keep pace with the clock (a server slow to start is another
    // matter).
    const auto running = std::chrono::steady_clock::now();
    const double before = c.get_NumSamples() / 8000.0;
    t.server_->freeze();
    const auto frozen = std::chrono::steady_clock::now();
    EXPECT_TRUE(t.waitFor("InputStalled", 2500));
    EXPECT_LE(std::chrono::steady_clock::now() - frozen, std::chrono::milliseconds(2000));
    std::this_thread::sleep_for(frozen + std::chrono::seconds(3) -
                                std::chrono::steady_clock::now());
    t.server_->thaw();
    EXPECT_TRUE(t.waitFor("InputResumed", 3000));
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    c.Stop();
    const double asked =
        before + std::chrono::duration<double>(std::chrono::steady_clock::now() - running).count();
    ASSERT_TRUE(t.waitFor("RecordingStopped", 2000));
    const auto changes = t.log_->changes();
    ASSERT_EQ(changes.size(), 3u) << ::testing::PrintToString(changes);
    EXPECT_EQ(changes[0].rfind("InputStalled ", 0), 0u) << changes[0];
    const long stalled = std::stol(changes[1].substr(changes[1].rfind(' ') + 1));
    EXPECT_NEAR(stalled / 8000.0, 3.0, 0.6) << changes[1];
    EXPECT_EQ(changes[2], "RecordingStopped 0");
    EXPECT_NEAR(c.get_NumSamples() / 8000.0, asked, 0.4) << "the file keeps the line's time";
    EXPECT_EQ(c.Reset(), 0);
}

}  // namespace

TEST_F(RealServer, AFrozenServerUnderARecordingIsToldAndTheTimelineKept) {
    aFrozenServerIsToldAndTheTimelineKept(*this);
}

TEST_F(PulseDefaultInput, AFrozenServerUnderARecordingIsToldAndTheTimelineKept) {
    aFrozenServerIsToldAndTheTimelineKept(*this);
}

TEST_F(RealServer, AServerThatDiesEndsThePlaybackWithTenAndLeavesTheFile) {
    auto& c = control();
    startPlaying(c, dir_.file("play.wav"));
    if (HasFatalFailure()) return;
    const std::string before = readFile(dir_.file("play.wav"));
    StderrCapture err(dir_.file("stderr.txt"));
    server_->kill(SIGTERM);
    EXPECT_TRUE(waitFor("PlaybackStopped", static_cast<int>(kBound)));
    EXPECT_EQ(log_->changes(), std::vector<std::string>{"PlaybackStopped 10"});
    EXPECT_EQ(c.status(), Status::FileOpen);
    EXPECT_EQ(c.get_LastError(), 10);
    EXPECT_LE(millisecondsOf([&] { c.Stop(); }), kBound);
    EXPECT_LE(millisecondsOf([&] { EXPECT_EQ(c.Reset(), 0); }), kBound);
    EXPECT_LE(millisecondsOf([&] { control_.reset(); }), kBound);
    EXPECT_EQ(readFile(dir_.file("play.wav")), before);
    EXPECT_EQ(err.text().find("Expression '"), std::string::npos) << err.text();
}

// Killed outright, PipeWire leaves its ALSA plugin failing every poll at once, and PortAudio's
// thread looping on it: the playback still ends with 10 in time, the process does not spin and
// its standard error stays clean.
TEST_F(RealServer, AServerKilledOutrightEndsThePlaybackQuietlyAndWithoutSpinning) {
    auto& c = control();
    startPlaying(c, dir_.file("play.wav"));
    if (HasFatalFailure()) return;
    StderrCapture err(dir_.file("stderr.txt"));
    const double cpuBefore = processCpuSeconds();
    server_->kill(SIGKILL);
    EXPECT_TRUE(waitFor("PlaybackStopped", static_cast<int>(kBound)));
    EXPECT_EQ(log_->changes(), std::vector<std::string>{"PlaybackStopped 10"});
    std::this_thread::sleep_for(std::chrono::milliseconds(2000));
    EXPECT_LT(processCpuSeconds() - cpuBefore, 0.5) << "in about 2.5 s after the kill";
    EXPECT_LE(millisecondsOf([&] { c.Stop(); }), kBound);
    EXPECT_LE(millisecondsOf([&] { control_.reset(); }), kBound);
    EXPECT_EQ(err.text().find("Expression '"), std::string::npos) << err.text().substr(0, 400);
}

// The sink goes away under the playback, the server itself going on (on PipeWire, only
// pipewire-pulse, which made the sink, ends): the playback ends with 10 in time.
TEST_F(RealServer, APlaybackWhoseSinkGoesAwayEndsWithTen) {
    auto& c = control();
    startPlaying(c, dir_.file("play.wav"));
    if (HasFatalFailure()) return;
    server_->killSinkOwner(SIGKILL);
    EXPECT_TRUE(waitFor("PlaybackStopped", static_cast<int>(kBound)));
    EXPECT_EQ(log_->changes(), std::vector<std::string>{"PlaybackStopped 10"});
    EXPECT_LE(millisecondsOf([&] { c.Stop(); }), kBound);
    EXPECT_LE(millisecondsOf([&] { control_.reset(); }), kBound);
}

TEST_F(RealServer, AFrozenServerHoldsUpNoCallWhilePlaying) {
    auto& c = control();
    startPlaying(c, dir_.file("play.wav"));
    if (HasFatalFailure()) return;
    server_->freeze();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_LE(millisecondsOf([&] { c.Stop(); }), kBound);
    EXPECT_EQ(c.status(), Status::FileOpen);
    EXPECT_TRUE(waitFor("PlaybackStopped", 1000));
    EXPECT_LE(millisecondsOf([&] { EXPECT_EQ(c.Reset(), 0); }), kBound);
    EXPECT_LE(millisecondsOf([&] { control_.reset(); }), kBound);
}

TEST_F(RealServer, AServerThatDiesEndsTheRecordingWithNineAndAFinishedFile) {
    recordingEndsWithNineWhenTheServerDies(*this);
}

TEST_F(PulseDefaultInput, AServerThatDiesEndsTheRecordingWithNineAndAFinishedFile) {
    recordingEndsWithNineWhenTheServerDies(*this);
}

TEST_F(RealServer, AFrozenServerHoldsUpNoCallWhileRecording) {
    aFrozenServerHoldsUpNoCallWhileRecording(*this);
}

TEST_F(PulseDefaultInput, AFrozenServerHoldsUpNoCallWhileRecording) {
    aFrozenServerHoldsUpNoCallWhileRecording(*this);
}

// A server that stopped answering before the recording starts: the start fails in time, and the
// control is ready for the next try.
TEST_F(PulseDefaultInput, AFrozenServerFailsTheStartInTime) {
    auto& c = control();
    openPcmFile(c, dir_.file("call.wav"), 8000, 1);
    if (HasFatalFailure()) return;
    server_->freeze();
    int result = 0;
    EXPECT_LE(millisecondsOf([&] { result = c.StartRecording(); }), kBound + 500);
    EXPECT_NE(result, 0);
    EXPECT_EQ(c.status(), Status::FileOpen);
    server_->thaw();
    EXPECT_LE(millisecondsOf([&] { EXPECT_EQ(c.Reset(), 0); }), kBound);
    EXPECT_LE(millisecondsOf([&] { control_.reset(); }), kBound);
}

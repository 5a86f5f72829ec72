// The events a recording raises, stopping and resetting while it runs, and failing writes.
#include <gtest/gtest.h>
#include <sys/mount.h>

#include <cmath>
#include <filesystem>
#include <mutex>
#include <thread>

#include "platform/codecs/CodecManager.h"
#include "recorder/engine/EngineContext.h"
#include "tests/recorder/engine/EngineRig.h"

using namespace testsupport;
using aurx::Status;

namespace {

// `buffers` buffers of 800 frames: a loud sine where `loud` says so, else silence.
std::vector<std::int16_t> pattern(const std::string& loud) {
    std::vector<std::int16_t> out;
    const auto tone = sine(440, 0.5, 800, 8000);
    for (char c : loud) {
        if (c == 'L')
            out.insert(out.end(), tone.begin(), tone.end());
        else
            out.insert(out.end(), 800, 0);
    }
    return out;
}

}  // namespace

TEST(EngineEvents, TheVoiceSwitchPausesAndResumesTheRecording) {
    EngineRig rig;
    rig.line(pattern("LLQQQQQQLLL"));
    auto& c = rig.control();
    ASSERT_TRUE(c.put_VoxChannel(1));
    ASSERT_TRUE(c.put_VoxStartLevel(-20));
    ASSERT_TRUE(c.put_VoxStopLevel(-30));
    ASSERT_TRUE(c.put_VoxTime(3));
    ASSERT_EQ(rig.openNew("vox.wav", 16), 0);
    ASSERT_EQ(c.StartRecording(), 0);
    const auto refused = c.put_VoxChannel(2);
    EXPECT_EQ(refused.error().description, "VoxChannel cannot be changed during recording");
    // Events read VoxPaused when they are handled: handle them after each buffer.
    const auto step = [&] {
        rig.step();
        c.processNotifications();
    };
    for (int i = 0; i < 5; ++i)
        step();
    EXPECT_EQ(c.get_VoxPaused(), 0);
    EXPECT_EQ(c.get_NumSamples(), 5 * 800);
    step();  // the fourth quiet buffer pauses and is not written
    EXPECT_EQ(c.get_VoxPaused(), 1);
    EXPECT_EQ(c.get_NumSamples(), 5 * 800);
    step();
    step();
    step();  // the first loud buffer resumes and is written
    EXPECT_EQ(c.get_VoxPaused(), 0);
    EXPECT_EQ(c.get_NumSamples(), 6 * 800);
    EXPECT_EQ(rig.log->changes(), (std::vector<std::string>{"NewVoxState 1", "NewVoxState 0"}));
    // Each vox change is reported before that buffer's levels.
    std::size_t levelsBeforeFirst = 0;
    for (const auto& e : rig.log->events) {
        if (e == "NewVoxState 1") break;
        ++levelsBeforeFirst;
    }
    EXPECT_EQ(levelsBeforeFirst, 5u);
    c.Stop();
}

TEST(EngineEvents, AnOverloadIsReportedByOneEventAndHeldForTenBuffers) {
    EngineRig rig;
    auto line = pattern("LLLLLLLLLLLLLLLL");
    line[900] = 32767;  // in the second buffer
    rig.line(line);
    auto& c = rig.control();
    ASSERT_EQ(rig.openNew("over.wav", 16), 0);
    ASSERT_EQ(c.StartRecording(), 0);
    int held = 0;
    for (int i = 0; i < 14; ++i) {
        rig.step();
        held += c.GetLevels().leftOverload;
        EXPECT_EQ(c.GetLevels().rightOverload, c.GetLevels().leftOverload)
            << "mono repeats the left";
        c.processNotifications();  // one event per buffer, handled before the next
    }
    EXPECT_EQ(held, 10);
    int reported = 0;
    for (const auto& l : rig.log->levels)
        reported += l.leftOverload;
    EXPECT_EQ(reported, 1);
    EXPECT_EQ(rig.log->levels.size(), 14u);
    EXPECT_EQ(rig.log->levels[0].right, -9999.0f) << "mono: the right level is silence";
    EXPECT_NEAR(rig.log->levels[0].left, -6.0, 0.1);
    c.Stop();
}

TEST(EngineEvents, ResetWhileRecordingStopsClosesAndReportsLater) {
    EngineRig rig;
    rig.line(pattern("LLLLLLLLLL"));
    auto& c = rig.control();
    ASSERT_EQ(rig.openNew("r.wav", 16), 0);
    ASSERT_EQ(c.StartRecording(), 0);
    rig.steps(3);
    EXPECT_EQ(c.Reset(), 0);
    EXPECT_EQ(c.status(), Status::Ready);
    EXPECT_TRUE(rig.log->changes().empty());
    // A new file opened before the old notice is handled must not be touched by it.
    ASSERT_EQ(c.OpenNewFile(rig.dir.file("new.wav")), 0);
    ASSERT_TRUE(rig.waitFor("RecordingStopped"));
    EXPECT_EQ(rig.log->changes(), std::vector<std::string>{"RecordingStopped 0"});
    EXPECT_EQ(c.get_NumSamples(), 0);
    EXPECT_EQ(c.status(), Status::FileOpen);
    EXPECT_EQ(c.Reset(), 0);
    std::string info;
    ASSERT_EQ(run("sox", "--i " + rig.dir.file("r.wav"), &info), 0);
    EXPECT_NE(info.find("2400 samples"), std::string::npos) << info;
    EXPECT_EQ(readFile(rig.dir.file("new.wav")).size(), 46u);
}

TEST(EngineEvents, ADestroyedRecorderLeavesAFinishedFile) {
    EngineRig rig;
    rig.line(pattern("LLLL"));
    auto& c = rig.control();
    ASSERT_EQ(rig.openNew("d.wav", 107), 0);
    ASSERT_EQ(c.StartRecording(), 0);
    rig.steps(2);
    rig.destroyControl();  // while it records
    std::string info;
    ASSERT_EQ(run("sox", "--i " + rig.dir.file("d.wav"), &info), 0);
    EXPECT_NE(info.find("1600 samples"), std::string::npos) << info;
    EXPECT_NE(info.find("u-law"), std::string::npos) << info;
}

// A genuinely full file system: a small tmpfs mounted for the test (needs root).
class FullDisk : public ::testing::Test {
  protected:
    void SetUp() override {
        mountPoint_ = dir_.file("small");
        std::filesystem::create_directory(mountPoint_);
        if (::mount("tmpfs", mountPoint_.c_str(), "tmpfs", 0, "size=64k") != 0)
            GTEST_SKIP() << "cannot mount a small tmpfs here (needs root)";
        mounted_ = true;
    }
    void TearDown() override {
        if (mounted_) ::umount2(mountPoint_.c_str(), MNT_DETACH);
    }
    TempDir dir_;
    std::string mountPoint_;
    bool mounted_ = false;
};

TEST_F(FullDisk, AWriteFailureStopsTheRecordingAndKeepsWhatWasWritten) {
    for (std::int16_t bits : {16, 100}) {
        EngineRig rig;
        rig.line(pattern(std::string(200, 'L')));
        auto& c = rig.control();
        ASSERT_TRUE(c.put_AcmFormat(aurx::Variant("31000100401f0000590600004100000002004001")));
        c.put_SampleRate(8000);
        c.put_NumChannels(1);
        c.put_BitsPerSample(bits);
        const std::string path = mountPoint_ + "/full" + std::to_string(bits) + ".wav";
        ASSERT_EQ(c.OpenNewFile(path), 0);
        ASSERT_EQ(c.StartRecording(), 0);
        int steps = 0;
        while (c.status() == Status::Recording && steps < 2000 && rig.step())
            ++steps;
        ASSERT_TRUE(rig.waitFor("RecordingStopped"));
        EXPECT_EQ(rig.log->changes().back(), "RecordingStopped 8") << bits;
        EXPECT_EQ(c.get_LastError(), 8);
        const std::int32_t kept = c.get_NumSamples();
        EXPECT_GT(kept, 8000) << "the audio before the failure stays";
        ASSERT_EQ(c.Reset(), 0);
        // The file is finalised: its header describes exactly the audio it holds.
        std::string info;
        ASSERT_EQ(run("sox", "--i " + path, &info), 0) << info;
        EXPECT_NE(info.find(std::to_string(kept) + " samples"), std::string::npos) << info;
        ASSERT_EQ(run("sox", path + " -n stat"), 0);
        std::filesystem::remove(path);
    }
}

TEST(EngineEvents, ARecordingCutOffByACrashOpensWithWhatReachedTheDisk) {
    for (std::int16_t bits : {16, 100}) {
        EngineRig rig;
        rig.line(pattern(std::string(40, 'L')));
        auto& c = rig.control();
        ASSERT_TRUE(c.put_AcmFormat(aurx::Variant("31000100401f0000590600004100000002004001")));
        ASSERT_EQ(rig.openNew("call.wav", bits), 0);
        ASSERT_EQ(c.StartRecording(), 0);
        rig.steps(30);
        // What the disk holds at this moment, as a power cut would leave it: the header has
        // not been finished yet.
        const std::string snapshot = rig.dir.file("after-the-crash.wav");
        writeFile(snapshot, readFile(rig.dir.file("call.wav")));
        const std::int32_t recorded = c.get_NumSamples();
        c.Stop();

        aurx::AURX300Ctrl other;
        ASSERT_EQ(other.OpenExistingOrNewFile(snapshot), 0) << bits;
        // At most the last second waited in memory, and the encoder's unfinished block.
        EXPECT_LE(other.get_NumSamples(), recorded) << bits;
        EXPECT_GE(other.get_NumSamples(), recorded - 8000 - 320) << bits;
        EXPECT_GT(other.get_NumSamples(), 0) << bits;

        // Closing it finishes the header, so other programs read all of it too; a file opened
        // only for playing is left as it is.
        const std::string untouched = rig.dir.file("played.wav");
        writeFile(untouched, readFile(snapshot));
        const std::string before = readFile(untouched);
        const std::int32_t kept = other.get_NumSamples();
        ASSERT_EQ(other.Reset(), 0);
        std::string info;
        ASSERT_EQ(run("sox", "--i " + snapshot, &info), 0) << info;
        EXPECT_NE(info.find(std::to_string(kept) + " samples"), std::string::npos) << info;
        aurx::AURX300Ctrl player;
        ASSERT_TRUE(player.put_PlayOnly(1));
        ASSERT_EQ(player.OpenExistingOrNewFile(untouched), 0);
        ASSERT_EQ(player.Reset(), 0);
        EXPECT_EQ(readFile(untouched), before) << bits;
    }
}

// While a recording runs the header keeps up with the data, so that a copy of the file taken
// at any moment (what a crash or a power cut leaves) reads whole in sox but for the last
// second, both for a new file and for one that is appended to.
TEST(EngineEvents, WhileRecordingOtherProgramsReadAllButTheLastSecond) {
    for (const bool append : {false, true}) {
        for (const std::int16_t bits : {16, 100}) {
            const std::string what =
                std::string(append ? "appended " : "new ") + (bits == 100 ? "GSM" : "PCM");
            EngineRig rig;
            rig.line(pattern(std::string(80, 'L')));
            const std::string path = rig.dir.file("call.wav");
            std::int32_t before = 0;
            if (append) {
                writePcm16Wav(rig.dir.file("first.wav"), sine(300, 0.5, 16000, 8000), 8000, 1);
                const std::string encoding = bits == 100 ? "-e gsm-full-rate" : "";
                ASSERT_EQ(run("sox", rig.dir.file("first.wav") + " " + encoding + " " + path), 0);
            }
            auto& c = rig.control();
            ASSERT_TRUE(c.put_AcmFormat(aurx::Variant("31000100401f0000590600004100000002004001")));
            c.put_SampleRate(8000);
            c.put_NumChannels(1);
            c.put_BitsPerSample(bits);
            ASSERT_EQ(c.OpenExistingOrNewFile(path), 0) << what;
            before = c.get_NumSamples();
            ASSERT_EQ(c.StartRecording(), 0);
            for (int second = 1; second <= 4; ++second) {
                rig.steps(10);
                const std::string snapshot = rig.dir.file("snapshot.wav");
                writeFile(snapshot, readFile(path));
                const std::int32_t total = c.get_NumSamples();
                std::string info;
                ASSERT_EQ(run("soxi", "-s " + snapshot, &info), 0) << info;
                const long read = std::stol(info);
                EXPECT_LE(read, total) << what << " after " << second << " s";
                EXPECT_GE(read, total - 8000 - 320) << what << " after " << second << " s";
                EXPECT_GT(read, before) << what << " after " << second << " s";
            }
            c.Stop();
            ASSERT_EQ(c.Reset(), 0);
        }
    }
}

namespace {

// What the control would see at each notice, taken at the moment the engine posts it.
class SeenAtNotice : public aurx::engine::Notifier {
  public:
    explicit SeenAtNotice(const aurx::engine::SharedState& shared) : shared_(shared) {}
    struct Seen {
        aurx::engine::Notice notice;
        Status status;
        float left;
    };
    void notify(aurx::engine::Notice notice, std::uint64_t, aurx::StopCause) override {
        std::lock_guard lock(mutex_);
        seen_.push_back({notice, shared_.status.load(), shared_.leftLevel.load()});
    }
    std::vector<Seen> seen() const {
        std::lock_guard lock(mutex_);
        return seen_;
    }

  private:
    const aurx::engine::SharedState& shared_;
    mutable std::mutex mutex_;
    std::vector<Seen> seen_;
};

}  // namespace

// A host that reads Status on a stop event must find the file open again, and Stop, waiting
// for that status, must return only once both the stop and the silent levels wait for it.
TEST(EngineEvents, AStopIsReportedWithTheFileOpenAgainAndStopWaitsForBothReports) {
    using aurx::engine::Notice;
    for (const auto& [notice, running] : {std::pair{Notice::RecordingStopped, Status::Recording},
                                          std::pair{Notice::PlaybackStopped, Status::Playing}}) {
        aurx::engine::SharedState shared;
        shared.status.store(running);
        shared.leftLevel.store(-6);
        aurx::engine::StateSignal signal;
        aurx::engine::Worker worker([](const aurx::engine::Message&) {}, signal);
        SeenAtNotice notifier(shared);
        aurx::engine::LevelMeter levels(shared);
        const auto devices = aurx::wave::makeVirtualDevices({});
        const auto codecs = aurx::codecs::Manager::standard();
        aurx::engine::EngineContext context{shared,   worker,  signal, notifier,
                                            *devices, *codecs, levels};

        std::size_t reportsWhenStopReturned = 0;
        std::thread host([&] {
            signal.waitUntil([&] { return shared.status.load() == Status::FileOpen; });
            reportsWhenStopReturned = notifier.seen().size();
        });
        context.finished(notice, 1, aurx::StopCause::Requested);
        host.join();

        const auto seen = notifier.seen();
        ASSERT_EQ(seen.size(), 2u);
        EXPECT_EQ(seen[0].notice, notice);
        EXPECT_EQ(seen[0].status, Status::FileOpen) << "the stop is reported with the file open";
        EXPECT_EQ(seen[1].notice, Notice::NewLevels);
        EXPECT_EQ(seen[1].left, aurx::kSilentLevel) << "then the silent levels";
        EXPECT_EQ(reportsWhenStopReturned, 2u);
    }
}

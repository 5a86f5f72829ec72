// Recording from the virtual line: what reaches the file, buffer by buffer.
#include <gtest/gtest.h>

#include <cmath>

#include "recorder/engine/Tone.h"
#include "tests/recorder/engine/EngineRig.h"

using namespace testsupport;
using aurx::Status;
using aurx::WorkerState;

namespace {

std::vector<std::int16_t> recorded(const EngineRig& rig, const std::string& name) {
    return pcm16(chunkData(readFile(rig.dir.file(name)), "data"));
}

std::vector<std::int16_t> slice(const std::vector<std::int16_t>& v, std::size_t from,
                                std::size_t n) {
    return std::vector<std::int16_t>(
        v.begin() + static_cast<std::ptrdiff_t>(from),
        v.begin() + static_cast<std::ptrdiff_t>(std::min(from + n, v.size())));
}

std::vector<std::int16_t> tone(std::size_t frames) {
    const auto bytes = aurx::engine::markerTone(static_cast<std::int64_t>(frames),
                                                aurx::codecs::WaveFormat::pcm(8000, 1, 16),
                                                aurx::engine::ToneCoding::Linear);
    return pcm16(std::string(bytes.begin(), bytes.end()));
}

}  // namespace

TEST(Capture, APcmRecordingHoldsExactlyTheLinesSamples) {
    EngineRig rig;
    const auto line = ramp(8000);
    rig.line(line);
    auto& c = rig.control();
    ASSERT_EQ(rig.openNew("rec.wav", 16), 0);
    ASSERT_EQ(c.StartRecording(), 0);
    EXPECT_EQ(c.status(), Status::Recording);
    EXPECT_EQ(rig.steps(10), 10);
    EXPECT_EQ(c.get_NumSamples(), 8000);
    c.Stop();
    EXPECT_EQ(c.status(), Status::FileOpen) << "Stop returns once the last buffer is written";
    EXPECT_EQ(aurx::ControlAccess::of(c).workerState(), WorkerState::Idle);
    EXPECT_TRUE(rig.log->changes().empty()) << "events come only when the host handles them";
    ASSERT_TRUE(rig.waitFor("RecordingStopped"));
    EXPECT_EQ(rig.log->changes(), std::vector<std::string>{"RecordingStopped 0"});
    EXPECT_EQ(rig.log->levels.back().left, -9999.0f) << "a final level report follows the stop";
    ASSERT_EQ(c.Reset(), 0);
    EXPECT_EQ(recorded(rig, "rec.wav"), line);
}

TEST(Capture, EightBitAndCompandedRecordingsConvertEachSample) {
    struct Case {
        std::int16_t bits;
        std::string soxEncoding;
    };
    for (const Case& k : std::vector<Case>{{8, "Unsigned"}, {106, "A-law"}, {107, "u-law"}}) {
        EngineRig rig;
        const auto line = ramp(1600);
        rig.line(line);
        auto& c = rig.control();
        ASSERT_EQ(rig.openNew("rec.wav", k.bits), 0);
        ASSERT_EQ(c.StartRecording(), 0);
        EXPECT_EQ(rig.steps(2), 2);
        c.Stop();
        ASSERT_EQ(c.Reset(), 0);
        // sox reads our file back to nearly the line's samples: within the coding's step.
        std::string info;
        ASSERT_EQ(run("sox", "--i " + rig.dir.file("rec.wav"), &info), 0);
        EXPECT_NE(info.find(k.soxEncoding), std::string::npos) << info;
        EXPECT_NE(info.find("1600 samples"), std::string::npos) << info;
        ASSERT_EQ(run("sox", rig.dir.file("rec.wav") + " -e signed-integer -b 16 " +
                                 rig.dir.file("back.wav")),
                  0);
        const auto back = pcm16(chunkData(readFile(rig.dir.file("back.wav")), "data"));
        ASSERT_EQ(back.size(), line.size());
        for (std::size_t i = 0; i < line.size(); ++i)
            ASSERT_LE(std::abs(back[i] - line[i]), k.bits == 8 ? 256 : 700)
                << k.bits << " at " << i;
    }
}

TEST(Capture, AGsmRecordingMatchesSoxByteForByte) {
    EngineRig rig;
    const auto line = sine(440, 0.6, 16000, 8000);  // 50 whole GSM blocks
    rig.line(line);
    auto& c = rig.control();
    ASSERT_TRUE(c.put_AcmFormat(aurx::Variant("31000100401f0000590600004100000002004001")));
    ASSERT_EQ(rig.openNew("gsm.wav", 100), 0);
    ASSERT_EQ(c.StartRecording(), 0);
    EXPECT_EQ(rig.steps(20), 20);
    c.Stop();
    ASSERT_TRUE(rig.waitFor("RecordingStopped"));
    EXPECT_EQ(c.get_NumSamples(), 16000);
    ASSERT_EQ(c.Reset(), 0);
    ASSERT_EQ(run("sox", rig.config.lineIn + " -e gsm-full-rate " + rig.dir.file("sox.wav")), 0);
    const std::string ours = chunkData(readFile(rig.dir.file("gsm.wav")), "data");
    const std::string theirs = chunkData(readFile(rig.dir.file("sox.wav")), "data");
    ASSERT_EQ(ours.size(), 50u * 65);
    ASSERT_GE(theirs.size(), ours.size());
    EXPECT_TRUE(ours == theirs.substr(0, ours.size())) << "the codec state carries across buffers";
    EXPECT_EQ(le32(chunkData(readFile(rig.dir.file("gsm.wav")), "fact"), 0), 16000u);
}

TEST(Capture, TonesFrameEveryWrittenStretch) {
    EngineRig rig;
    rig.line(ramp(80000));
    auto& c = rig.control();
    ASSERT_TRUE(c.put_PreToneDuration(0.1f));
    ASSERT_TRUE(c.put_PostToneDuration(0.1f));
    ASSERT_EQ(rig.openNew("tones.wav", 16), 0);
    ASSERT_EQ(c.StartRecording(), 0);
    rig.steps(2);
    c.put_Paused(1);
    rig.steps(2);
    c.put_Paused(0);
    rig.steps(2);
    c.put_Paused(1);
    rig.steps(1);
    c.put_Paused(0);
    rig.steps(2);
    c.Stop();
    ASSERT_EQ(c.Reset(), 0);
    const auto got = recorded(rig, "tones.wav");
    ASSERT_EQ(got.size(), 3u * (800 + 1600 + 800));
    const auto t = tone(800);
    // Line frames: buffers 0-1, then 4-5, then 7-8 were written; the rest was paused.
    const std::size_t written[3] = {0, 3200, 5600};
    for (int s = 0; s < 3; ++s) {
        const std::size_t at = static_cast<std::size_t>(s) * 3200;
        EXPECT_EQ(slice(got, at, 800), t) << "pre-tone " << s;
        EXPECT_EQ(slice(got, at + 800, 1600), ramp(1600, static_cast<int>(written[s])))
            << "audio " << s;
        EXPECT_EQ(slice(got, at + 2400, 800), t) << "post-tone " << s;
    }
}

TEST(Capture, LongTonesAreWrittenInPiecesThatJoinWithoutASeam) {
    for (const std::int16_t bits : {16, 8, 107}) {
        EngineRig rig;
        rig.line(ramp(8000));
        auto& c = rig.control();
        ASSERT_TRUE(c.put_PreToneDuration(0.375f));  // three and three quarter pieces
        ASSERT_TRUE(c.put_PostToneDuration(0.25f));
        ASSERT_EQ(rig.openNew("long.wav", bits), 0);
        ASSERT_EQ(c.StartRecording(), 0);
        rig.steps(1);
        c.Stop();
        ASSERT_EQ(c.Reset(), 0);
        const std::string data = chunkData(readFile(rig.dir.file("long.wav")), "data");
        const auto coding =
            bits == 107 ? aurx::engine::ToneCoding::MuLaw : aurx::engine::ToneCoding::Linear;
        const auto format = aurx::codecs::WaveFormat::pcm(8000, 1, bits == 107 ? 16 : bits);
        const auto pre = aurx::engine::markerTone(3000, format, coding);
        const auto post = aurx::engine::markerTone(2000, format, coding);
        const std::size_t frameBytes = pre.size() / 3000;
        ASSERT_EQ(data.size(), pre.size() + 800 * frameBytes + post.size()) << bits;
        EXPECT_EQ(data.substr(0, pre.size()), std::string(pre.begin(), pre.end())) << bits;
        EXPECT_EQ(data.substr(data.size() - post.size()), std::string(post.begin(), post.end()))
            << bits;
    }
}

TEST(Capture, ARecordingStartedPausedWritesNothingUntilResumed) {
    EngineRig rig;
    rig.line(ramp(16000));
    auto& c = rig.control();
    ASSERT_TRUE(c.put_PreToneDuration(0.5f));
    ASSERT_TRUE(c.put_PostToneDuration(0.5f));
    ASSERT_TRUE(c.put_Paused(1));
    ASSERT_EQ(rig.openNew("p.wav", 16), 0);
    ASSERT_EQ(c.StartRecording(), 0);
    rig.steps(3);
    EXPECT_EQ(c.get_NumSamples(), 0) << "no audio and no post-tone while paused from the start";
    c.put_Paused(0);
    rig.step();
    EXPECT_EQ(c.get_NumSamples(), 4000 + 800) << "the pre-tone, 4000 frames of 880 Hz, comes first";
    c.Stop();
    EXPECT_EQ(c.get_NumSamples(), 4000 + 800 + 4000);
    ASSERT_EQ(c.Reset(), 0);
    const auto got = recorded(rig, "p.wav");
    EXPECT_EQ(slice(got, 0, 4000), tone(4000));
    // An 880 Hz sine at half of full scale.
    int peak = 0;
    for (std::size_t i = 0; i < 4000; ++i)
        peak = std::max(peak, std::abs(static_cast<int>(got[i])));
    EXPECT_GE(peak, 16300);
    EXPECT_LE(peak, 16384);
}

TEST(Capture, TheLimitStopsBeforeTheBufferThatWouldExceedIt) {
    EngineRig rig;
    rig.line(ramp(16000));
    auto& c = rig.control();
    ASSERT_TRUE(c.put_PostToneDuration(0.1f));
    ASSERT_EQ(rig.openNew("limit.wav", 16), 0);
    ASSERT_TRUE(c.put_RecordLimit(7900));
    ASSERT_EQ(c.StartRecording(), 0);
    EXPECT_EQ(rig.steps(11), 11);
    ASSERT_TRUE(rig.waitFor("RecordingStopped"));
    EXPECT_EQ(rig.log->changes(), std::vector<std::string>{"RecordingStopped 13"});
    EXPECT_EQ(c.status(), Status::FileOpen);
    EXPECT_EQ(c.get_NumSamples(), 8000 + 800) << "ten buffers, then the post-tone";
    EXPECT_EQ(c.get_LastError(), 13);
    EXPECT_EQ(c.StartRecording(), 13) << "the limit counts per file, across starts";
    EXPECT_EQ(c.status(), Status::FileOpen);
    // A new file starts a new count.
    ASSERT_EQ(c.OpenNewFile(rig.dir.file("next.wav")), 0);
    EXPECT_EQ(c.StartRecording(), 0);
    c.Stop();
}

TEST(Capture, MovingThePositionWhileRecordingOverwritesFromThere) {
    EngineRig rig;
    rig.line(ramp(16000));
    auto& c = rig.control();
    ASSERT_EQ(rig.openNew("o.wav", 16), 0);
    ASSERT_EQ(c.StartRecording(), 0);
    rig.steps(3);
    c.put_CurrentSamplePosition(800);
    rig.steps(1);
    c.Stop();
    EXPECT_EQ(c.get_NumSamples(), 2400);
    ASSERT_EQ(c.Reset(), 0);
    const auto got = recorded(rig, "o.wav");
    ASSERT_EQ(got.size(), 2400u);
    EXPECT_EQ(slice(got, 800, 800), ramp(800, 2400)) << "the fourth buffer replaced the second";
    EXPECT_EQ(slice(got, 1600, 800), ramp(800, 1600));
}

TEST(Capture, AnExistingFileIsAppendedTo) {
    EngineRig rig;
    rig.line(ramp(16000));
    auto& c = rig.control();
    ASSERT_EQ(rig.openNew("a.wav", 16), 0);
    ASSERT_EQ(c.StartRecording(), 0);
    rig.steps(2);
    c.Stop();
    ASSERT_EQ(c.OpenExistingOrNewFile(rig.dir.file("a.wav")), 0);
    EXPECT_EQ(c.get_CurrentSamplePosition(), 1600);
    ASSERT_EQ(c.StartRecording(), 0);
    rig.steps(1);
    c.Stop();
    ASSERT_EQ(c.Reset(), 0);
    EXPECT_EQ(recorded(rig, "a.wav"), ramp(2400));
}

TEST(Capture, WithoutAnInputDeviceTheStartReportsNine) {
    EngineRig rig;
    auto& c = rig.control();
    ASSERT_TRUE(c.put_RecordDevice(3));
    ASSERT_EQ(rig.openNew("x.wav", 16), 0);
    EXPECT_EQ(c.StartRecording(), 9);
    EXPECT_EQ(c.status(), Status::FileOpen);
    EXPECT_EQ(aurx::ControlAccess::of(c).workerState(), WorkerState::Idle);
    ASSERT_TRUE(c.put_RecordDevice(0));
    EXPECT_EQ(c.StartRecording(), 0);
    c.Stop();
}

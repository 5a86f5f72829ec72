// A call file that begins with the audio heard while the host listened with Paused set: the
// listening recording is stopped and the call recorded into a new file right after, or the
// listening recording goes on into the call file.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>

#include "recorder/engine/Tone.h"
#include "tests/recorder/engine/EngineRig.h"

using namespace testsupport;

namespace {

constexpr std::size_t kBuffer = 800;  // frames of one 0.1 s buffer at 8 kHz

// A line whose samples all differ, so that any frame out of place shows: frame i holds
// 3 i − 24000 (16000 frames).
std::vector<std::int16_t> counting(std::size_t frames = 16000, std::size_t from = 0) {
    std::vector<std::int16_t> out(frames);
    for (std::size_t i = 0; i < frames; ++i)
        out[i] = static_cast<std::int16_t>(3 * static_cast<int>(from + i) - 24000);
    return out;
}

std::vector<std::int16_t> recorded(const EngineRig& rig, const std::string& name) {
    return pcm16(chunkData(readFile(rig.dir.file(name)), "data"));
}

std::vector<std::int16_t> joined(std::vector<std::int16_t> a, const std::vector<std::int16_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The recording format; a file still open is closed first when it has another.
void useFormat(EngineRig& rig, std::int16_t bits, std::int32_t rate, std::int16_t channels) {
    auto& c = rig.control();
    if (c.get_BitsPerSample() == bits && c.get_SampleRate() == rate &&
        c.get_NumChannels() == channels)
        return;
    ASSERT_EQ(c.Reset(), 0);
    ASSERT_TRUE(c.put_SampleRate(rate));
    ASSERT_TRUE(c.put_NumChannels(channels));
    ASSERT_TRUE(c.put_BitsPerSample(bits));
}

// The host's voice detection: a paused recording into a temporary file, `buffers` long.
void listen(EngineRig& rig, int buffers, std::int16_t bits = 16, std::int32_t rate = 8000,
            std::int16_t channels = 1) {
    auto& c = rig.control();
    useFormat(rig, bits, rate, channels);
    ASSERT_TRUE(c.put_Paused(1));
    ASSERT_EQ(c.OpenTemporaryFile(), 0);
    ASSERT_EQ(c.StartRecording(), 0);
    ASSERT_EQ(rig.steps(buffers), buffers);
    c.Stop();
}

// The call, in the host's order after the trigger (Stop, Paused 0, OpenNewFile,
// StartRecording), then `buffers` of recording.
void recordCall(EngineRig& rig, const std::string& name, int buffers, std::int16_t bits = 16,
                std::int32_t rate = 8000, std::int16_t channels = 1) {
    auto& c = rig.control();
    c.Stop();
    useFormat(rig, bits, rate, channels);
    ASSERT_TRUE(c.put_Paused(0));
    ASSERT_EQ(c.OpenNewFile(rig.dir.file(name)), 0);
    ASSERT_EQ(c.StartRecording(), 0);
    ASSERT_EQ(rig.steps(buffers), buffers);
    c.Stop();
}

}  // namespace

TEST(PreRoll, TheCallFileBeginsWithTheLastSecondsHeardWhilePaused) {
    enum class Between { Nothing, Reset, ResetAndStop };
    struct Case {
        float seconds;
        int listened;  // buffers
        std::size_t carried;
        Between between;
        bool openExistingOrNew;
    };
    const std::vector<Case> cases = {
        {0.5f, 10, 4000, Between::Nothing, false},
        {0.05f, 5, 400, Between::Nothing, false},   // less than one buffer
        {0.25f, 7, 2000, Between::Nothing, false},  // the ring wraps mid-buffer
        {1.0f, 6, 4800, Between::Nothing, false},   // only 0.6 s were heard
        {0.3f, 8, 2400, Between::Reset, false},
        {0.3f, 8, 2400, Between::ResetAndStop, true},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(testing::Message() << k.seconds << " s after " << k.listened << " buffers");
        EngineRig rig;
        rig.line(counting());
        auto& c = rig.control();
        ASSERT_TRUE(c.put_PreRollTime(k.seconds));
        listen(rig, k.listened);
        if (k.between != Between::Nothing) {
            EXPECT_EQ(c.Reset(), 0);
        }
        if (k.between == Between::ResetAndStop) c.Stop();
        ASSERT_TRUE(c.put_Paused(0));
        ASSERT_EQ(k.openExistingOrNew ? c.OpenExistingOrNewFile(rig.dir.file("call.wav"))
                                      : c.OpenNewFile(rig.dir.file("call.wav")),
                  0);
        ASSERT_EQ(c.StartRecording(), 0);
        rig.steps(3);
        const auto total = static_cast<std::int32_t>(k.carried + 3 * kBuffer);
        EXPECT_EQ(c.get_NumSamples(), total);
        EXPECT_EQ(c.get_CurrentSamplePosition(), total);
        EXPECT_DOUBLE_EQ(c.get_CurrentTimePosition(), total / 8000.0);
        c.Stop();
        ASSERT_EQ(c.Reset(), 0);
        const std::size_t heard = static_cast<std::size_t>(k.listened) * kBuffer;
        EXPECT_EQ(recorded(rig, "call.wav"), counting(k.carried + 3 * kBuffer, heard - k.carried));
        const std::string file = readFile(rig.dir.file("call.wav"));
        EXPECT_EQ(le32(file, 4), file.size() - 8) << "the RIFF size counts the carried audio";
    }
}

TEST(PreRoll, CarriedAudioGoesThroughTheFilesFormatLikeCapturedAudio) {
    // 0.1 s carried after 5 buffers, then 3 buffers, must give the very data that recording
    // the same 0.4 s of line straight would: for GSM that is 2.5 blocks carried, the half
    // block waiting in the codec for the first captured buffer.
    struct Case {
        std::int16_t bits;
        const char* acmFormat;
    };
    const char* gsm = "31000100401f0000590600004100000002004001";
    for (const Case& k : std::vector<Case>{{16, ""}, {8, ""}, {106, ""}, {107, ""}, {100, gsm}}) {
        SCOPED_TRACE(k.bits);
        auto make = [&](EngineRig& rig, float seconds, int listened, int buffers) {
            rig.line(counting());
            auto& c = rig.control();
            if (*k.acmFormat) {
                ASSERT_TRUE(c.put_AcmFormat(aurx::Variant(k.acmFormat)));
            }
            ASSERT_TRUE(c.put_PreRollTime(seconds));
            listen(rig, listened, k.bits);
            recordCall(rig, "call.wav", buffers, k.bits);
            ASSERT_EQ(c.get_NumSamples(), 3200);
            ASSERT_EQ(c.Reset(), 0);
        };
        EngineRig carried;
        make(carried, 0.1f, 5, 3);
        EngineRig straight;
        make(straight, 0, 4, 4);
        const std::string ours = readFile(carried.dir.file("call.wav"));
        EXPECT_EQ(ours, readFile(straight.dir.file("call.wav")));
        if (k.bits == 100) {
            std::string info;
            ASSERT_EQ(run("sox", "--i " + carried.dir.file("call.wav"), &info), 0);
            EXPECT_NE(info.find("GSM"), std::string::npos) << info;
            EXPECT_NE(info.find("3200 samples"), std::string::npos) << info;
            EXPECT_EQ(le32(chunkData(ours, "fact"), 0), 3200u);
        }
    }
}

TEST(PreRoll, AGsmCallFileHoldsCarriedAndRecordedSamplesForSox) {
    EngineRig rig;
    const auto line = sine(440, 0.5, 32000, 8000);
    rig.line(line);
    auto& c = rig.control();
    ASSERT_TRUE(c.put_AcmFormat(aurx::Variant("31000100401f0000590600004100000002004001")));
    ASSERT_TRUE(c.put_PreRollTime(1.5f));
    listen(rig, 19, 100);
    recordCall(rig, "gsm.wav", 5, 100);
    ASSERT_EQ(c.Reset(), 0);
    // 12000 frames carried (37.5 GSM blocks) and 4000 recorded.
    std::string info;
    ASSERT_EQ(run("sox", "--i " + rig.dir.file("gsm.wav"), &info), 0);
    EXPECT_NE(info.find("16000 samples"), std::string::npos) << info;
    // sox encodes those 2 s of the line, from 1.5 s before the stop, into the same blocks.
    writePcm16Wav(rig.dir.file("heard.wav"),
                  std::vector<std::int16_t>(line.begin() + 3200, line.begin() + 19200), 8000, 1);
    ASSERT_EQ(
        run("sox", rig.dir.file("heard.wav") + " -e gsm-full-rate " + rig.dir.file("sox.wav")), 0);
    const std::string ours = chunkData(readFile(rig.dir.file("gsm.wav")), "data");
    ASSERT_EQ(ours.size(), 50u * 65);
    EXPECT_TRUE(ours ==
                chunkData(readFile(rig.dir.file("sox.wav")), "data").substr(0, ours.size()));
}

TEST(PreRoll, ThePreToneComesFirstThenTheCarriedAudioThenTheCall) {
    EngineRig rig;
    rig.line(counting());
    auto& c = rig.control();
    ASSERT_TRUE(c.put_PreToneDuration(0.1f));
    ASSERT_TRUE(c.put_PostToneDuration(0.1f));
    ASSERT_TRUE(c.put_PreRollTime(0.2f));
    listen(rig, 4);
    recordCall(rig, "call.wav", 2);
    ASSERT_EQ(c.Reset(), 0);
    const auto toneBytes = aurx::engine::markerTone(800, aurx::codecs::WaveFormat::pcm(8000, 1, 16),
                                                    aurx::engine::ToneCoding::Linear);
    const auto tone = pcm16(std::string(toneBytes.begin(), toneBytes.end()));
    EXPECT_EQ(recorded(rig, "call.wav"), joined(joined(tone, counting(1600 + 1600, 1600)), tone));
}

TEST(PreRoll, AudioPausedByTheVoiceSwitchIsCarriedToo) {
    EngineRig rig;
    // Two loud buffers (about −4 dB), then a line below −10 dB whose frames still all differ.
    std::vector<std::int16_t> line = counting(1600);
    for (int i = 0; i < 6400; ++i)
        line.push_back(static_cast<std::int16_t>(3 * i - 9000));
    rig.line(line);
    auto& c = rig.control();
    ASSERT_TRUE(c.put_VoxChannel(1));
    ASSERT_TRUE(c.put_VoxStartLevel(-6));
    ASSERT_TRUE(c.put_VoxStopLevel(-10));
    ASSERT_TRUE(c.put_VoxTime(3));
    ASSERT_TRUE(c.put_PreRollTime(0.2f));
    ASSERT_EQ(rig.openNew("first.wav", 16), 0);
    ASSERT_EQ(c.StartRecording(), 0);
    rig.steps(8);
    EXPECT_EQ(c.get_VoxPaused(), 1);
    EXPECT_EQ(c.get_NumSamples(), 4000) << "buffers 5 to 7 were not written";
    c.Stop();
    ASSERT_TRUE(c.put_VoxChannel(0));
    recordCall(rig, "call.wav", 2);
    ASSERT_EQ(c.Reset(), 0);
    const auto got = recorded(rig, "call.wav");
    EXPECT_EQ(got, std::vector<std::int16_t>(line.begin() + 4800, line.begin() + 4800 + 3200));
}

TEST(PreRoll, HeldAudioIsDroppedUnlessTheNextRecordingBeginsANewFileSoonInTheSameFormat) {
    struct Case {
        const char* what;
        std::function<void(EngineRig&)> between;  // after the listening stop
        std::int32_t rate;
        std::int16_t channels;
        std::int16_t insert;
    };
    const std::vector<Case> cases = {
        {"more than half a second later",
         [](EngineRig&) { std::this_thread::sleep_for(std::chrono::milliseconds(600)); }, 8000, 1,
         0},
        {"PreRollTime set to 0 before the start",
         [](EngineRig& rig) { ASSERT_TRUE(rig.control().put_PreRollTime(0)); }, 8000, 1, 0},
        {"another sampling rate", [](EngineRig&) {}, 16000, 1, 0},
        {"another channel count", [](EngineRig&) {}, 8000, 2, 0},
        {"an insert recording", [](EngineRig&) {}, 8000, 1, 1},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        EngineRig rig;
        rig.line(counting());
        auto& c = rig.control();
        ASSERT_TRUE(c.put_PreRollTime(0.5f));
        listen(rig, 6);
        k.between(rig);
        ASSERT_TRUE(c.put_Insert(k.insert));
        recordCall(rig, "call.wav", 2, 16, k.rate, k.channels);
        EXPECT_EQ(c.get_NumSamples(), static_cast<std::int32_t>(2 * kBuffer * k.rate / 8000));
        ASSERT_EQ(c.Reset(), 0);
        if (k.rate == 8000 && k.channels == 1) {
            EXPECT_EQ(recorded(rig, "call.wav"), counting(1600, 4800));
        }
    }
}

TEST(PreRoll, AFileThatHoldsSamplesOrAWrittenRecordingGetsNothing) {
    EngineRig rig;
    rig.line(counting());
    auto& c = rig.control();
    ASSERT_EQ(rig.openNew("old.wav", 16), 0);
    ASSERT_EQ(c.StartRecording(), 0);
    ASSERT_TRUE(c.put_PreRollTime(0.5f)) << "it may be set while recording";
    rig.steps(1);
    c.Stop();
    listen(rig, 6);
    ASSERT_TRUE(c.put_Paused(0));
    ASSERT_EQ(c.OpenExistingOrNewFile(rig.dir.file("old.wav")), 0);
    ASSERT_EQ(c.StartRecording(), 0);
    rig.steps(1);
    c.Stop();
    EXPECT_EQ(c.get_NumSamples(), 1600) << "appending to a file adds only what is captured";
    // A call that was written up to its stop leaves nothing for the next one.
    listen(rig, 6);
    recordCall(rig, "first.wav", 2);
    EXPECT_EQ(c.get_NumSamples(), 4000 + 1600);
    recordCall(rig, "second.wav", 2);
    EXPECT_EQ(c.get_NumSamples(), 1600);
    ASSERT_EQ(c.Reset(), 0);
    EXPECT_EQ(recorded(rig, "old.wav"), joined(counting(800), counting(800, 5600)));
}

TEST(PreRoll, EightAndSixteenBitCapturesConvertIntoEachOther) {
    // 16-bit after an 8-bit capture: the carried samples are the 8-bit ones widened.
    EngineRig widened;
    widened.line(counting());
    ASSERT_TRUE(widened.control().put_PreRollTime(0.2f));
    listen(widened, 4, 8);
    recordCall(widened, "call.wav", 2, 16);
    ASSERT_EQ(widened.control().Reset(), 0);
    auto expected = counting(1600, 1600);
    for (auto& s : expected)
        s = static_cast<std::int16_t>((s >> 8) * 256);
    EXPECT_EQ(recorded(widened, "call.wav"), joined(expected, counting(1600, 3200)));

    // 8-bit after a 16-bit capture: the same bytes as an 8-bit capture of that audio.
    EngineRig narrowed;
    narrowed.line(counting());
    ASSERT_TRUE(narrowed.control().put_PreRollTime(0.2f));
    listen(narrowed, 4, 16);
    recordCall(narrowed, "call.wav", 2, 8);
    ASSERT_EQ(narrowed.control().Reset(), 0);
    EngineRig straight;
    straight.line(counting());
    listen(straight, 2, 8);
    recordCall(straight, "call.wav", 4, 8);
    ASSERT_EQ(straight.control().Reset(), 0);
    EXPECT_EQ(readFile(narrowed.dir.file("call.wav")), readFile(straight.dir.file("call.wav")));
}

TEST(PreRoll, TheRecordLimitCountsTheCarriedFrames) {
    struct Case {
        std::int32_t limit;
        std::int32_t samples;
    };
    // 4000 frames carried; each buffer is written while the count is below the limit.
    for (const Case& k : std::vector<Case>{{5000, 4000 + 1600}, {3000, 4000}}) {
        SCOPED_TRACE(k.limit);
        EngineRig rig;
        rig.line(counting());
        auto& c = rig.control();
        ASSERT_TRUE(c.put_PreRollTime(0.5f));
        listen(rig, 6);
        ASSERT_TRUE(rig.waitFor("RecordingStopped"));
        rig.log->events.clear();
        ASSERT_TRUE(c.put_Paused(0));
        ASSERT_EQ(c.OpenNewFile(rig.dir.file("call.wav")), 0);
        ASSERT_TRUE(c.put_RecordLimit(k.limit));
        ASSERT_EQ(c.StartRecording(), 0);
        rig.steps(3);
        ASSERT_TRUE(rig.waitFor("RecordingStopped"));
        EXPECT_EQ(rig.log->changes(), std::vector<std::string>{"RecordingStopped 13"});
        EXPECT_EQ(c.get_NumSamples(), k.samples);
        c.Stop();
    }
}

TEST(PreRoll, WithPreRollTimeZeroTheCallFileIsAsBefore) {
    // A control that listened first writes the same file as one that never did.
    EngineRig listened;
    listened.line(counting());
    ASSERT_TRUE(listened.control().put_PreToneDuration(0.1f));
    listen(listened, 6);
    recordCall(listened, "call.wav", 3);
    EXPECT_EQ(listened.control().get_NumSamples(), 800 + 2400);
    ASSERT_EQ(listened.control().Reset(), 0);

    EngineRig fresh;
    fresh.line(counting(16000 - 4800, 4800));
    ASSERT_TRUE(fresh.control().put_PreToneDuration(0.1f));
    recordCall(fresh, "call.wav", 3);
    ASSERT_EQ(fresh.control().Reset(), 0);
    EXPECT_EQ(readFile(listened.dir.file("call.wav")), readFile(fresh.dir.file("call.wav")));
}

TEST(ContinueInNewFile, TheCallGoesOnFromTheListeningWithoutAGapAndWithTheLeadInAskedFor) {
    // Listening 6 buffers, then 0.2 s of lead-in and 3 buffers: the same file as recording
    // the line straight from buffer 4 on, in every kind of file.
    const char* gsm = "31000100401f0000590600004100000002004001";
    struct Case {
        std::int16_t bits;
        const char* acmFormat;
    };
    for (const Case& k : std::vector<Case>{{16, ""}, {8, ""}, {106, ""}, {100, gsm}}) {
        SCOPED_TRACE(k.bits);
        EngineRig moved;
        moved.line(counting());
        auto& c = moved.control();
        if (*k.acmFormat) {
            ASSERT_TRUE(c.put_AcmFormat(aurx::Variant(k.acmFormat)));
        }
        ASSERT_TRUE(c.put_PreRollTime(10));
        useFormat(moved, k.bits, 8000, 1);
        ASSERT_TRUE(c.put_Paused(1));
        ASSERT_EQ(c.OpenTemporaryFile(), 0);
        const std::string temporary = c.get_Filename();
        ASSERT_EQ(c.StartRecording(), 0);
        ASSERT_EQ(moved.steps(6), 6);
        ASSERT_EQ(c.ContinueInNewFile(moved.dir.file("call.wav"), 0.2f), 0);
        EXPECT_EQ(c.get_Status(), 3);
        EXPECT_EQ(c.get_Paused(), 0);
        EXPECT_EQ(c.get_Filename(), moved.dir.file("call.wav"));
        EXPECT_FALSE(std::filesystem::exists(temporary)) << "the listening file is gone";
        ASSERT_EQ(moved.steps(3), 3);
        c.Stop();
        EXPECT_EQ(c.get_NumSamples(), k.bits == 100 ? 13 * 320 : 4000) << "whole GSM blocks";
        ASSERT_TRUE(moved.waitFor("RecordingStopped"));
        EXPECT_EQ(moved.log->changes(), std::vector<std::string>{"RecordingStopped 0"})
            << "one stop, for the call";
        ASSERT_EQ(c.Reset(), 0);

        EngineRig straight;
        straight.line(counting());
        if (*k.acmFormat) {
            ASSERT_TRUE(straight.control().put_AcmFormat(aurx::Variant(k.acmFormat)));
        }
        listen(straight, 4, k.bits);
        recordCall(straight, "call.wav", 5, k.bits);
        ASSERT_EQ(straight.control().Reset(), 0);
        EXPECT_EQ(readFile(moved.dir.file("call.wav")), readFile(straight.dir.file("call.wav")));
    }
}

TEST(ContinueInNewFile, TheLeadInIsWhatWasHeldAndAFailureLeavesTheRecordingWhereItWas) {
    struct Case {
        float preRoll, leadIn;
        std::size_t carried;  // of the 6 buffers (4800 frames) heard
    };
    for (const Case& k : std::vector<Case>{
             {10, 0, 0}, {10, 9.5f, 4800}, {0.25f, 1, 2000}, {0, 1, 0}, {10, -3, 0}}) {
        SCOPED_TRACE(testing::Message() << k.preRoll << " " << k.leadIn);
        EngineRig rig;
        rig.line(counting());
        auto& c = rig.control();
        ASSERT_TRUE(c.put_PreRollTime(k.preRoll));
        useFormat(rig, 16, 8000, 1);
        ASSERT_EQ(c.ContinueInNewFile(rig.dir.file("call.wav"), 1), 7) << "not recording";
        ASSERT_TRUE(c.put_Paused(1));
        ASSERT_EQ(c.OpenTemporaryFile(), 0);
        ASSERT_EQ(c.StartRecording(), 0);
        ASSERT_EQ(rig.steps(6), 6);
        ASSERT_EQ(c.ContinueInNewFile(rig.dir.file("no/such/folder/call.wav"), 1), 2);
        EXPECT_EQ(c.get_Status(), 3);
        EXPECT_EQ(c.get_Paused(), 1) << "still listening into the temporary file";
        ASSERT_EQ(c.ContinueInNewFile(rig.dir.file("call.wav"), k.leadIn), 0);
        ASSERT_EQ(rig.steps(1), 1);
        c.Stop();
        ASSERT_EQ(c.Reset(), 0);
        EXPECT_EQ(recorded(rig, "call.wav"), counting(k.carried + 800, 4800 - k.carried));
    }
}

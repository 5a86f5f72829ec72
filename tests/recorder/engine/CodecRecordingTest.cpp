// Recording through the MPEG Layer-3 codec, appending to a stream at a frame start, and a
// file that shrinks under a playback.
#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "tests/recorder/engine/EngineRig.h"

using namespace testsupport;
using aurx::Status;

namespace {

// 16 kbit/s mono at 8 kHz.
const char* kMp3 = "55000100401f0000d00700000100000000000c0001000200000090000100710500";

}  // namespace

TEST(CodecRecording, AnMp3FileDecodesToWhatWasRecorded) {
    EngineRig rig;
    rig.line(sine(440, 0.5, 16000, 8000));
    auto& c = rig.control();
    ASSERT_TRUE(c.put_AcmFormat(aurx::Variant(std::string(kMp3).substr(0, 60))));
    ASSERT_EQ(rig.openNew("mp3.wav", 100), 0);
    ASSERT_EQ(c.StartRecording(), 0);
    rig.steps(20);
    c.Stop();
    ASSERT_EQ(c.Reset(), 0);
    // mpg123 reads the Layer III frames we wrote: about two seconds of a 440 Hz tone.
    const std::string data = chunkData(readFile(rig.dir.file("mp3.wav")), "data");
    ASSERT_GT(data.size(), 3000u);
    writeFile(rig.dir.file("stream.mp3"), data);
    std::string decoded;
    ASSERT_EQ(run("mpg123", "-q -s " + rig.dir.file("stream.mp3") + " > " + rig.dir.file("d.raw")),
              0);
    const auto samples = pcm16(readFile(rig.dir.file("d.raw")));
    EXPECT_NEAR(static_cast<double>(samples.size()), 16000, 2000);
}

TEST(CodecRecording, AppendingToAnMp3StreamStartsAtAFrameHeader) {
    EngineRig rig;
    rig.line(sine(300, 0.5, 16000, 8000));
    writePcm16Wav(rig.dir.file("src.wav"), sine(500, 0.5, 16000, 8000), 8000, 1);
    const std::string stream = rig.dir.file("s.mp3");
    ASSERT_EQ(
        run("lame", "--quiet -m m -b 16 --resample 8 " + rig.dir.file("src.wav") + " " + stream),
        0);
    const std::string before = readFile(stream);
    auto& c = rig.control();
    ASSERT_TRUE(c.put_DataOnly(2));
    ASSERT_EQ(c.OpenExistingOrNewFile(stream), 0);
    // A position inside the stream: recording must not start in the middle of a frame.
    c.put_CurrentSamplePosition(c.get_NumSamples() / 2 + 3);
    const std::int32_t asked = c.get_CurrentSamplePosition();
    ASSERT_EQ(c.StartRecording(), 0);
    const std::int32_t started = c.get_CurrentSamplePosition();
    EXPECT_GE(started, asked);
    rig.steps(10);
    c.Stop();
    ASSERT_EQ(c.Reset(), 0);
    const std::string after = readFile(stream);
    // Writing began at the first 0xFF at or after the asked position's byte (4 frames a byte
    // at 16 kbit/s and 8 kHz), and the position moved there; what lies before is untouched.
    const std::size_t askedByte = static_cast<std::size_t>(asked) / 4;
    const std::size_t frameStart = before.find('\xff', askedByte);
    ASSERT_NE(frameStart, std::string::npos);
    EXPECT_EQ(static_cast<std::size_t>(started) / 4, frameStart);
    EXPECT_EQ(after.substr(0, frameStart), before.substr(0, frameStart));
    EXPECT_EQ(static_cast<unsigned char>(after[frameStart]), 0xFF);
    std::string out;
    EXPECT_EQ(run("mpg123", "-q -t " + stream, &out), 0) << out;
}

TEST(CodecRecording, AFileThatShrinksDuringPlaybackEndsItWithElevenAfterTheQueue) {
    EngineRig rig;
    const std::string path = rig.dir.file("f.wav");
    writePcm16Wav(path, ramp(40000), 8000, 1);
    auto& c = rig.control();
    ASSERT_TRUE(c.put_PlayOnly(1));
    ASSERT_EQ(c.OpenExistingOrNewFile(path), 0);
    c.put_CurrentSamplePosition(0);
    ASSERT_EQ(c.StartPlayback(), 0);
    rig.steps(2, aurx::wave::Direction::Output);
    std::filesystem::resize_file(path, 44 + 2 * 12000);  // 1.5 s remain of 5
    int buffers = 0;
    while (rig.step(aurx::wave::Direction::Output))
        ++buffers;
    ASSERT_TRUE(rig.waitFor("PlaybackStopped"));
    EXPECT_EQ(rig.log->changes(), std::vector<std::string>{"PlaybackStopped 11"});
    EXPECT_EQ(c.get_LastError(), 11);
    EXPECT_EQ(c.status(), Status::FileOpen);
    // Queued: eight first buffers and two refills; then three more fills found data.
    EXPECT_EQ(buffers, 13) << "the buffers already queued still play";
}

TEST(CodecRecording, ShowMixerStartsTheMixerProgramWithoutWaiting) {
    TempDir dir;
    const std::string script = dir.file("mixer.sh");
    writeFile(script, "#!/bin/sh\necho \"$@\" > " + dir.file("args") + "\nsleep 5\n");
    ASSERT_EQ(run("chmod", "+x " + script), 0);
    ::setenv("AURX_MIXER_COMMAND", script.c_str(), 1);
    aurx::AURX300Ctrl c;
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(c.ShowMixer(1), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(3))
        << "not waited for";
    for (int i = 0; i < 200 && readFile(dir.file("args")).empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(readFile(dir.file("args")), "record\n");
    ::setenv("AURX_MIXER_COMMAND", dir.file("no-such-mixer").c_str(), 1);
    EXPECT_EQ(c.ShowMixer(0), 12);
    ::unsetenv("AURX_MIXER_COMMAND");
}

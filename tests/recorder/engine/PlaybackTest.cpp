// Playing files to the virtual speaker: what is heard, the position, pause and stop.
#include <gtest/gtest.h>

#include <cmath>

#include "tests/recorder/engine/EngineRig.h"

using namespace testsupport;
using aurx::Status;
using aurx::WorkerState;
using aurx::wave::Direction;

namespace {

// Plays the open file to its end, a buffer at a time.
int playToEnd(EngineRig& rig) {
    int buffers = 0;
    while (rig.step(Direction::Output))
        ++buffers;
    return buffers;
}

std::vector<std::int16_t> decodedBySox(EngineRig& rig, const std::string& file) {
    const std::string out = rig.dir.file("sox-decoded.wav");
    EXPECT_EQ(run("sox", file + " -e signed-integer -b 16 " + out), 0);
    return pcm16(chunkData(readFile(out), "data"));
}

std::vector<std::int16_t> slice(const std::vector<std::int16_t>& v, std::size_t from,
                                std::size_t n) {
    return std::vector<std::int16_t>(
        v.begin() + static_cast<std::ptrdiff_t>(from),
        v.begin() + static_cast<std::ptrdiff_t>(std::min(from + n, v.size())));
}

// Writes the samples as f.wav and plays it from its start.
aurx::AURX300Ctrl& startPlaying(EngineRig& rig, const std::vector<std::int16_t>& samples,
                                unsigned channels) {
    writePcm16Wav(rig.dir.file("f.wav"), samples, 8000, channels);
    auto& c = rig.control();
    EXPECT_EQ(c.OpenExistingOrNewFile(rig.dir.file("f.wav")), 0);
    c.put_CurrentSamplePosition(0);
    EXPECT_EQ(c.StartPlayback(), 0);
    EXPECT_EQ(c.status(), Status::Playing);
    return c;
}

}  // namespace

TEST(Playback, PcmAndCompandedFilesPlayExactlyTheirSamples) {
    for (const std::string encoding : {"pcm16", "pcm8", "u-law", "a-law", "stereo"}) {
        EngineRig rig;
        const std::string source = rig.dir.file("source.wav");
        const bool stereo = encoding == "stereo";
        writePcm16Wav(source, sine(440, 0.7, 12345, 8000, stereo ? 2 : 1), 8000, stereo ? 2 : 1);
        std::string file = source;
        if (encoding != "pcm16" && encoding != "stereo") {
            file = rig.dir.file("coded.wav");
            const std::string args =
                encoding == "pcm8" ? "-b 8 -e unsigned-integer" : "-e " + encoding;
            ASSERT_EQ(run("sox", source + " " + args + " " + file), 0);
        }
        auto& c = rig.control();
        ASSERT_TRUE(c.put_PlayOnly(1));
        ASSERT_EQ(c.OpenExistingOrNewFile(file), 0);
        c.put_CurrentSamplePosition(0);
        ASSERT_EQ(c.StartPlayback(), 0) << encoding;
        EXPECT_EQ(c.status(), Status::Playing);
        EXPECT_EQ(playToEnd(rig), 16) << "12345 frames in buffers of 800";
        ASSERT_TRUE(rig.waitFor("PlaybackStopped"));
        EXPECT_EQ(rig.log->changes(), std::vector<std::string>{"PlaybackStopped 0"});
        EXPECT_EQ(rig.log->events.back(), "NewLevelValues");
        EXPECT_EQ(rig.log->levels.back().left, -9999.0f);
        EXPECT_EQ(c.get_CurrentSamplePosition(), 12345);
        EXPECT_EQ(c.status(), Status::FileOpen);
        const auto heard = rig.speaker();
        if (encoding == "pcm8") {
            // 8-bit files play as 8-bit: compare through sox's 16-bit reading of both.
            EXPECT_EQ(decodedBySox(rig, rig.config.speakerOut), decodedBySox(rig, file));
        } else {
            EXPECT_EQ(heard, decodedBySox(rig, file)) << encoding;
        }
        EXPECT_EQ(c.StartPlayback(), 10) << "at the end there is nothing to play";
    }
}

TEST(Playback, AGsmFilePlaysWhatSoxDecodes) {
    EngineRig rig;
    const std::string source = rig.dir.file("source.wav");
    writePcm16Wav(source, sine(300, 0.6, 16000, 8000), 8000, 1);
    const std::string gsm = rig.dir.file("gsm.wav");
    ASSERT_EQ(run("sox", source + " -e gsm-full-rate " + gsm), 0);
    auto& c = rig.control();
    ASSERT_TRUE(c.put_PlayOnly(1));
    ASSERT_EQ(c.OpenExistingOrNewFile(gsm), 0);
    EXPECT_EQ(c.get_NumSamples(), 16000);
    c.put_CurrentSamplePosition(0);
    ASSERT_EQ(c.StartPlayback(), 0);
    playToEnd(rig);
    ASSERT_TRUE(rig.waitFor("PlaybackStopped"));
    EXPECT_EQ(c.get_CurrentSamplePosition(), 16000);
    const auto theirs = decodedBySox(rig, gsm);
    const auto ours = rig.speaker();
    ASSERT_GE(ours.size(), 16000u);
    EXPECT_EQ(slice(ours, 0, 16000), slice(theirs, 0, 16000));
}

TEST(Playback, AnMp3StreamPlaysWhatMpg123Decodes) {
    EngineRig rig;
    const std::string source = rig.dir.file("source.wav");
    writePcm16Wav(source, sine(500, 0.5, 24000, 8000), 8000, 1);
    const std::string mp3 = rig.dir.file("stream.mp3");
    ASSERT_EQ(run("lame", "--quiet -m m -b 16 --resample 8 " + source + " " + mp3), 0);
    const std::string raw = rig.dir.file("mpg123.raw");
    ASSERT_EQ(run("mpg123", "-q -s " + mp3 + " > " + raw), 0);
    const std::string rawBytes = readFile(raw);
    const auto theirs = pcm16(rawBytes);
    auto& c = rig.control();
    ASSERT_TRUE(c.put_PlayOnly(1));
    ASSERT_TRUE(c.put_DataOnly(2));
    ASSERT_EQ(c.OpenExistingOrNewFile(mp3), 0);
    c.put_CurrentSamplePosition(0);
    ASSERT_EQ(c.StartPlayback(), 0);
    playToEnd(rig);
    ASSERT_TRUE(rig.waitFor("PlaybackStopped"));
    const auto ours = rig.speaker();
    ASSERT_FALSE(ours.empty());
    // The same decoder library: sample for sample over what both produced.
    const std::size_t n = std::min(ours.size(), theirs.size());
    EXPECT_GE(n, 24000u);
    EXPECT_EQ(slice(ours, 0, n), slice(theirs, 0, n));
}

// Zeros or noise inside a stream decode to nothing for a while; playback reads on past them
// and plays the rest, ending only at the end of the data.
TEST(Playback, AnMp3StreamPlaysToItsEndPastADamagedStretch) {
    const struct {
        const char* name;
        std::string bytes;
    } damage[] = {
        {"8 KiB of zeros", std::string(8192, '\0')},
        {"64 KiB of zeros", std::string(65536, '\0')},
        {"noise",
         [] {
             std::string noise(8192, '\0');
             std::uint32_t x = 12345;
             for (auto& ch : noise) {
                 x = x * 1103515245 + 12345;
                 ch = static_cast<char>(x >> 24);
             }
             return noise;
         }()},
    };
    for (const auto& d : damage) {
        EngineRig rig;
        const std::string source = rig.dir.file("source.wav");
        writePcm16Wav(source, sine(500, 0.5, 48000, 16000), 16000, 1);
        const std::string mp3 = rig.dir.file("stream.mp3");
        ASSERT_EQ(run("lame", "--quiet -m m -b 32 " + source + " " + mp3), 0);
        const std::string raw = rig.dir.file("mpg123.raw");
        ASSERT_EQ(run("mpg123", "-q -s " + mp3 + " > " + raw), 0);
        const auto intact = pcm16(readFile(raw));
        const std::string stream = readFile(mp3);
        const std::size_t third = stream.size() / 3;
        writeFile(mp3, stream.substr(0, third) + d.bytes + stream.substr(third));

        auto& c = rig.control();
        ASSERT_TRUE(c.put_PlayOnly(1));
        ASSERT_TRUE(c.put_DataOnly(2));
        ASSERT_EQ(c.OpenExistingOrNewFile(mp3), 0) << d.name;
        c.put_CurrentSamplePosition(0);
        ASSERT_EQ(c.StartPlayback(), 0) << d.name;
        playToEnd(rig);
        ASSERT_TRUE(rig.waitFor("PlaybackStopped"));
        EXPECT_EQ(rig.log->changes(), std::vector<std::string>{"PlaybackStopped 0"}) << d.name;
        const auto heard = rig.speaker();
        // The frames lost to the damage are the only difference: the last second is the
        // stream's own last second.
        ASSERT_GE(heard.size(), intact.size() - 16000) << d.name;
        EXPECT_EQ(slice(heard, heard.size() - 16000, 16000),
                  slice(intact, intact.size() - 16000, 16000))
            << d.name;
    }
}

TEST(Playback, ResumingAfterAPauseGoesOnFromWhereReadingHadGot) {
    EngineRig rig;
    const auto samples = ramp(24000);
    auto& c = startPlaying(rig, samples, 1);
    EXPECT_EQ(rig.steps(5, Direction::Output), 5);
    c.put_Paused(1);
    EXPECT_FALSE(rig.step(Direction::Output)) << "nothing plays while paused";
    c.put_Paused(0);
    playToEnd(rig);
    ASSERT_TRUE(rig.waitFor("PlaybackStopped"));
    // What was queued at the pause (a second) is skipped; the refilled buffers really play,
    // from where reading had got to: ten buffers at the start and five refills.
    const auto heard = rig.speaker();
    ASSERT_EQ(heard.size(), 4000u + 12000u);
    EXPECT_EQ(slice(heard, 0, 4000), slice(samples, 0, 4000));
    EXPECT_EQ(slice(heard, 4000, 12000), slice(samples, 12000, 12000));
    EXPECT_EQ(c.get_CurrentSamplePosition(), 24000);
}

TEST(Playback, APlaybackStartedPausedStaysSilentUntilResumed) {
    EngineRig rig;
    writePcm16Wav(rig.dir.file("f.wav"), ramp(24000), 8000, 1);
    auto& c = rig.control();
    ASSERT_TRUE(c.put_Paused(1));
    ASSERT_EQ(c.OpenExistingOrNewFile(rig.dir.file("f.wav")), 0);
    c.put_CurrentSamplePosition(0);
    ASSERT_EQ(c.StartPlayback(), 0);
    EXPECT_FALSE(rig.step(Direction::Output));
    EXPECT_EQ(c.get_CurrentSamplePosition(), 0);
    // Resuming plays on from where reading had got: the second queued at the start is skipped.
    c.put_Paused(0);
    EXPECT_EQ(playToEnd(rig), 20);
    EXPECT_EQ(rig.speaker(), ramp(16000, 8000));
}

TEST(Playback, StopReturnsAfterEveryBufferCameBackAndThePositionTrailsBarely) {
    EngineRig rig;
    auto& c = startPlaying(rig, ramp(40000), 1);
    rig.steps(3, Direction::Output);
    EXPECT_EQ(c.get_CurrentSamplePosition(), 2400) << "the position counts the buffers played";
    c.Stop();
    EXPECT_EQ(c.status(), Status::FileOpen);
    EXPECT_EQ(aurx::ControlAccess::of(c).workerState(), WorkerState::Idle);
    EXPECT_EQ(c.get_CurrentSamplePosition(), 2400 + 800)
        << "at most one buffer beyond what was heard";
    EXPECT_TRUE(rig.log->changes().empty());
    ASSERT_TRUE(rig.waitFor("PlaybackStopped"));
    // Moving the position and playing again starts there.
    c.put_CurrentSamplePosition(32000);
    ASSERT_EQ(c.StartPlayback(), 0);
    EXPECT_EQ(playToEnd(rig), 10);
    EXPECT_EQ(slice(rig.speaker(), 0, 8000), ramp(8000, 32000));
}

TEST(Playback, MovingThePositionWhilePlayingMovesTheReading) {
    EngineRig rig;
    auto& c = startPlaying(rig, ramp(80000), 1);
    rig.steps(2, Direction::Output);
    c.put_CurrentSamplePosition(60000);  // forwards by 58400 frames
    EXPECT_EQ(c.get_CurrentSamplePosition(), 60000);
    playToEnd(rig);
    const auto heard = rig.speaker();
    // Ten buffers queued at the start and the two refilled before the move, then the reading
    // goes on 58400 frames further.
    ASSERT_GE(heard.size(), 9600u + 800u);
    EXPECT_EQ(slice(heard, 0, 9600), ramp(9600));
    EXPECT_EQ(slice(heard, 9600, 800), ramp(800, 9600 + 58400));
    EXPECT_EQ(c.get_CurrentSamplePosition(), 80000);
}

TEST(Playback, ResetWhilePlayingStopsAndReportsLater) {
    EngineRig rig;
    auto& c = startPlaying(rig, ramp(40000), 1);
    rig.steps(2, Direction::Output);
    EXPECT_EQ(c.Reset(), 0);
    EXPECT_EQ(c.status(), Status::Ready);
    ASSERT_TRUE(rig.waitFor("PlaybackStopped"));
    EXPECT_EQ(rig.log->changes(), std::vector<std::string>{"PlaybackStopped 0"});
}

TEST(Playback, LevelsAreReportedForEachBufferAsItFinishes) {
    EngineRig rig;
    auto& c = startPlaying(rig, sine(440, 0.5, 4000, 8000, 2), 2);
    EXPECT_EQ(c.GetLevels().leftLevel, -100.0f) << "right after a start";
    rig.step(Direction::Output);
    const auto l = c.GetLevels();
    EXPECT_NEAR(l.leftLevel, -6.0, 0.1);
    EXPECT_NEAR(l.rightLevel, -6.0, 0.1);
    playToEnd(rig);
    ASSERT_TRUE(rig.waitFor("PlaybackStopped"));
    EXPECT_EQ(rig.log->levels.size(), 5u + 1u);
    EXPECT_EQ(c.GetLevels().leftLevel, 0.0f) << "no levels outside recording and playback";
}

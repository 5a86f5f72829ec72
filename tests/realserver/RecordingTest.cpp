// Recording through a real sound server: what the control records is what the server carried.
#include <algorithm>
#include <cmath>
#include <thread>

#include "tests/realserver/RealServerRig.h"

using namespace testsupport;

namespace {

std::vector<std::int16_t> chirp(double seconds, unsigned rate, unsigned channels) {
    const auto frames = static_cast<std::size_t>(seconds * rate);
    std::vector<std::int16_t> out;
    for (std::size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / rate;
        // 200 Hz rising to 4 kHz.
        const double phase = 2 * M_PI * (200 * t + (3800 / seconds) * t * t / 2);
        for (unsigned c = 0; c < channels; ++c)
            out.push_back(static_cast<std::int16_t>(std::lround(12000 * std::sin(phase))));
    }
    return out;
}

double correlation(const std::int16_t* a, const std::int16_t* b, std::size_t n) {
    double ab = 0, aa = 0, bb = 0;
    for (std::size_t i = 0; i < n; ++i) {
        ab += double(a[i]) * b[i];
        aa += double(a[i]) * a[i];
        bb += double(b[i]) * b[i];
    }
    return aa > 0 && bb > 0 ? ab / std::sqrt(aa * bb) : 0;
}

// Records a chirp played into the sink, and parecord records it beside; the two must match
// block by block.
void chirpIsRecordedAsCarried(RealServer& t) {
    auto& c = t.control();
    const unsigned rate = 48000, channels = 2;  // the sink's own format: nothing resampled
    const auto signal = chirp(2.0, rate, channels);
    // The sink's monitor runs only while something plays: the file opens with half a second
    // of silence, so that the chirp finds both recordings running.
    std::vector<std::int16_t> file(rate / 2 * channels, 0);
    file.insert(file.end(), signal.begin(), signal.end());
    writePcm16Wav(t.dir_.file("chirp.wav"), file, rate, channels);
    openPcmFile(c, t.dir_.file("rec.wav"), rate, channels);
    if (::testing::Test::HasFatalFailure()) return;
    auto reference = t.server_->recordMonitor(t.dir_.file("ref.raw"), rate, channels);
    ASSERT_EQ(c.StartRecording(), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    ASSERT_EQ(t.server_->play(t.dir_.file("chirp.wav")), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    c.Stop();
    reference.stop();
    ASSERT_TRUE(t.waitFor("RecordingStopped", 2000));
    EXPECT_EQ(t.log_->changes(), std::vector<std::string>{"RecordingStopped 0"});
    ASSERT_EQ(c.Reset(), 0);

    const auto got = pcm16(chunkData(readFile(t.dir_.file("rec.wav")), "data"));
    const auto heard = pcm16(readFile(t.dir_.file("ref.raw")));
    const std::vector<std::int16_t> probe(signal.begin() + 200, signal.end());
    const auto at = find(got, probe);
    const auto refAt = find(heard, probe);
    ASSERT_GE(at, 0) << "the chirp is not in the recording";
    ASSERT_GE(refAt, 0) << "the chirp is not in parecord's recording";
    const std::size_t block = rate / 10 * channels;
    const std::size_t length = probe.size() / block * block;
    ASSERT_LE(static_cast<std::size_t>(at) + length, got.size()) << "the recording ends early";
    ASSERT_LE(static_cast<std::size_t>(refAt) + length, heard.size());
    for (std::size_t b = 0; b < length; b += block)
        EXPECT_GE(correlation(&got[static_cast<std::size_t>(at) + b],
                              &heard[static_cast<std::size_t>(refAt) + b], block),
                  0.999)
            << "block at " << b / channels << " frames";
}

// Listens (paused, into a temporary file) while marked noise plays, then goes on into the call
// file with a second of lead-in: the call file must be one unbroken stretch of what the server
// carried, from a second before the move to the stop.
void theCallGoesOnWithoutAHole(RealServer& t) {
    auto& c = t.control();
    const unsigned rate = 48000, channels = 2;  // the sink's own format: nothing resampled
    std::vector<std::int16_t> file(rate / 2 * channels, 0);
    const auto noise = markedNoise(4 * rate * channels);
    file.insert(file.end(), noise.begin(), noise.end());
    writePcm16Wav(t.dir_.file("noise.wav"), file, rate, channels);
    ASSERT_TRUE(c.put_SampleRate(static_cast<std::int32_t>(rate)));
    ASSERT_TRUE(c.put_NumChannels(static_cast<std::int16_t>(channels)));
    ASSERT_TRUE(c.put_PreRollTime(10));
    ASSERT_TRUE(c.put_Paused(1));
    ASSERT_EQ(c.OpenTemporaryFile(), 0);
    auto reference = t.server_->recordMonitor(t.dir_.file("ref.raw"), rate, channels);
    ASSERT_EQ(c.StartRecording(), 0);
    std::thread player([&] { t.server_->play(t.dir_.file("noise.wav")); });
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    EXPECT_EQ(c.ContinueInNewFile(t.dir_.file("call.wav"), 1.0F), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    c.Stop();
    player.join();
    reference.stop();
    ASSERT_TRUE(t.waitFor("RecordingStopped", 2000));
    EXPECT_EQ(t.log_->changes(), std::vector<std::string>{"RecordingStopped 0"});
    ASSERT_EQ(c.Reset(), 0);

    const auto got = pcm16(chunkData(readFile(t.dir_.file("call.wav")), "data"));
    const auto heard = pcm16(readFile(t.dir_.file("ref.raw")));
    ASSERT_GE(got.size(), static_cast<std::size_t>(2.2 * rate * channels))
        << "a second of lead-in and more than a second after the move";
    const std::vector<std::int16_t> head(got.begin(), got.begin() + 2048);
    const auto at = find(heard, head);
    ASSERT_GE(at, 0) << "the call's first samples are not what the server carried";
    const std::size_t block = rate / 10 * channels;
    const std::size_t length =
        std::min(got.size(), heard.size() - static_cast<std::size_t>(at)) / block * block;
    ASSERT_GE(length, static_cast<std::size_t>(2 * rate * channels));
    for (std::size_t b = 0; b < length; b += block)
        EXPECT_GE(correlation(&got[b], &heard[static_cast<std::size_t>(at) + b], block), 0.999)
            << "block at " << b / channels << " frames: the line jumps there";
}

// While noise plays, records from StartRecording's return to the call of Stop: the file holds
// that stretch, within 50 ms, and does not open with silence the line never had (a private
// PulseAudio server takes most of a second to deliver a new capture, and PipeWire opens every
// stream with about 40 ms of zeros).
void theRecordingHoldsWhatWasAskedFor(RealServer& t) {
    auto& c = t.control();
    const unsigned rate = 48000, channels = 2;  // the sink's own format: nothing resampled
    const auto noise = markedNoise(6 * rate * channels);
    writePcm16Wav(t.dir_.file("noise.wav"), noise, rate, channels);
    std::thread player([&] { t.server_->play(t.dir_.file("noise.wav")); });
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    openPcmFile(c, t.dir_.file("rec.wav"), rate, channels);
    if (::testing::Test::HasFatalFailure()) return player.join();
    ASSERT_EQ(c.StartRecording(), 0);
    const auto started = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::milliseconds(3000));
    const auto asked = std::chrono::duration<double>(std::chrono::steady_clock::now() - started);
    c.Stop();
    player.join();
    ASSERT_TRUE(t.waitFor("RecordingStopped", 2000));
    ASSERT_EQ(c.Reset(), 0);

    const auto got = pcm16(chunkData(readFile(t.dir_.file("rec.wav")), "data"));
    const double seconds = static_cast<double>(got.size()) / (rate * channels);
    const auto sound = std::find_if(got.begin(), got.end(), [](std::int16_t v) { return v != 0; });
    const auto zeros = (sound - got.begin()) / channels;
    EXPECT_NEAR(seconds, asked.count(), 0.05)
        << "recorded " << seconds << " s of " << asked.count();
    EXPECT_LE(zeros, static_cast<long>(rate / 100))
        << "the file opens with " << zeros * 1000 / rate << " ms of zeros";
}

}  // namespace

TEST_F(RealServer, TheRecordingHoldsTheStretchItWasAskedFor) {
    theRecordingHoldsWhatWasAskedFor(*this);
}

TEST_F(PulseDefaultInput, TheRecordingHoldsTheStretchItWasAskedFor) {
    theRecordingHoldsWhatWasAskedFor(*this);
}

TEST_F(RealServer, TheCallGoesOnFromTheListeningWithoutAHole) {
    theCallGoesOnWithoutAHole(*this);
}

TEST_F(PulseDefaultInput, TheCallGoesOnFromTheListeningWithoutAHole) {
    theCallGoesOnWithoutAHole(*this);
}

TEST_F(RealServer, AChirpIsRecordedAsTheServerCarriedIt) {
    chirpIsRecordedAsCarried(*this);
}

TEST_F(PulseDefaultInput, AChirpIsRecordedAsTheServerCarriedIt) {
    chirpIsRecordedAsCarried(*this);
}

// The server lists the recording as this program's own stream, not as one of ALSA's plugin.
TEST_F(PulseDefaultInput, TheDefaultInputIsRecordedFromTheServerItself) {
    auto& c = control();
    openPcmFile(c, dir_.file("rec.wav"), 8000, 1);
    if (HasFatalFailure()) return;
    ASSERT_EQ(c.StartRecording(), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    std::string streams;
    ASSERT_EQ(run("pactl", "list source-outputs", &streams), 0);
    c.Stop();
    EXPECT_NE(streams.find("application.process.binary = \"realserver-tests\""), std::string::npos)
        << streams;
    EXPECT_EQ(streams.find("ALSA plug-in"), std::string::npos) << streams;
    ASSERT_TRUE(waitFor("RecordingStopped", 2000));
    EXPECT_EQ(log_->changes(), std::vector<std::string>{"RecordingStopped 0"});
}

// What the control records from the virtual line, finalised when the recording stops and
// closed by Reset, is read by sox as the line's own sound, in every kind of file we make.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "aurx/AURX300Ctrl.h"
#include "platform/wave/VirtualDevices.h"
#include "recorder/control/ControlEnvironment.h"
#include "tests/interop/Peers.h"
#include "tests/interop/RowName.h"
#include "tests/interop/Streams.h"
#include "tests/support/Sound.h"
#include "tests/support/TempDir.h"

namespace interop {
namespace {

struct Recording {
    const char* name;
    std::int16_t bitsPerSample;
    unsigned rate;
    unsigned channels;
    const char* soxEncoding;
    double snrDb;  // how close sox's decoding comes to the line; 0: exact
};

const Recording kRecordings[] = {
    {"Pcm16Stereo", 16, 22050, 2, "16-bit Signed Integer PCM", 0},
    {"Pcm8Mono", 8, 8000, 1, "8-bit Unsigned Integer PCM", 35},
    {"ALawMono", 106, 8000, 1, "8-bit A-law", 35},
    {"MuLawStereo", 107, 16000, 2, "8-bit u-law", 35},
    {"Gsm", 100, 8000, 1, "GSM", 20},
};

class RecordedFiles : public ::testing::TestWithParam<Recording> {};

TEST_P(RecordedFiles, SoxReadsWhatTheControlRecorded) {
    const Recording& r = GetParam();
    testsupport::TempDir dir;
    // A looping line, so that whatever the recording catches is the line's sound.
    const auto line = testsupport::sine(440, 0.5, r.rate, r.rate, r.channels);
    aurx::wave::VirtualConfig config;
    config.lineIn = dir.file("line.wav");
    config.loop = true;
    config.pacing = aurx::wave::Pacing::Fast;
    testsupport::writePcm16Wav(config.lineIn, line, r.rate, r.channels);
    auto environment = aurx::ControlEnvironment::standard();
    environment.devices = aurx::wave::makeVirtualDevices(config);
    aurx::AURX300Ctrl control(environment);

    ASSERT_EQ(control.Reset(), 0);
    if (r.bitsPerSample == 100) {
        ASSERT_TRUE(
            control.put_AcmFormat(aurx::Variant("31000100401f0000590600004100000002004001")).ok());
    }
    ASSERT_TRUE(control.put_SampleRate(static_cast<std::int32_t>(r.rate)).ok());
    ASSERT_TRUE(control.put_NumChannels(static_cast<std::int16_t>(r.channels)).ok());
    ASSERT_TRUE(control.put_BitsPerSample(r.bitsPerSample).ok());
    const auto path = dir.file("recorded.wav");
    ASSERT_EQ(control.OpenNewFile(path), 0);
    ASSERT_EQ(control.StartRecording(), 0);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (control.get_NumSamples() < static_cast<std::int32_t>(r.rate / 2) &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    control.Stop();
    control.processNotifications();
    const auto frames = static_cast<std::size_t>(control.get_NumSamples());
    ASSERT_GE(frames, r.rate / 2);
    ASSERT_EQ(control.Reset(), 0);

    const SoxInfo info = soxInfo(path);
    EXPECT_EQ(info.encoding, r.soxEncoding);
    EXPECT_EQ(info.channels, r.channels);
    EXPECT_EQ(info.rate, r.rate);
    EXPECT_EQ(info.samples, frames);

    const auto decoded = soxDecode(path);
    ASSERT_EQ(decoded.size(), frames * r.channels);
    std::vector<std::int16_t> expected(decoded.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        expected[i] = line[i % line.size()];
    if (r.snrDb == 0) {
        EXPECT_EQ(decoded, expected);
    } else {
        // GSM settles during its first block.
        const std::size_t settle = r.bitsPerSample == 100 ? 320 : 0;
        EXPECT_GT(snrDb(std::vector<std::int16_t>(expected.begin() + settle, expected.end()),
                        std::vector<std::int16_t>(decoded.begin() + settle, decoded.end())),
                  r.snrDb);
    }
}

INSTANTIATE_TEST_SUITE_P(Line, RecordedFiles, ::testing::ValuesIn(kRecordings), RowName());

}  // namespace
}  // namespace interop

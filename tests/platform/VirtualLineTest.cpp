// The virtual line delivers its file in whatever format the input is opened with.
#include <gtest/gtest.h>

#include "platform/wave/VirtualLine.h"
#include "tests/support/Sound.h"
#include "tests/support/TempDir.h"

using aurx::codecs::WaveFormat;
using aurx::wave::VirtualLine;

namespace {

std::vector<std::int16_t> render16(const VirtualLine& line, double at, const WaveFormat& f,
                                   std::size_t frames) {
    std::vector<std::uint8_t> out(frames * f.blockAlign);
    line.render(at, f, out.data(), frames);
    return testsupport::pcm16(std::string(out.begin(), out.end()));
}

}  // namespace

TEST(VirtualLine, ConvertsRateChannelsAndSampleSize) {
    const VirtualLine line({0, 100, 200, 300, 400, 500, 600, 700}, 16000, 1, false);
    EXPECT_EQ(render16(line, 0, WaveFormat::pcm(16000, 1, 16), 4),
              (std::vector<std::int16_t>{0, 100, 200, 300}));
    EXPECT_EQ(render16(line, 0, WaveFormat::pcm(8000, 1, 16), 4),
              (std::vector<std::int16_t>{0, 200, 400, 600}))
        << "half the rate takes every other sample";
    EXPECT_EQ(render16(line, 0, WaveFormat::pcm(32000, 1, 16), 4),
              (std::vector<std::int16_t>{0, 50, 100, 150}))
        << "twice the rate interpolates";
    EXPECT_EQ(render16(line, 2, WaveFormat::pcm(16000, 2, 16), 2),
              (std::vector<std::int16_t>{200, 200, 300, 300}));
    EXPECT_EQ(render16(line, 6, WaveFormat::pcm(16000, 1, 16), 4),
              (std::vector<std::int16_t>{600, 700, 0, 0}))
        << "after its end the line is silent";

    const VirtualLine stereo({1000, 3000, -1000, -3000}, 8000, 2, false);
    EXPECT_EQ(render16(stereo, 0, WaveFormat::pcm(8000, 1, 16), 2),
              (std::vector<std::int16_t>{2000, -2000}));

    const VirtualLine loud({-32768, 0, 32767}, 8000, 1, true);
    std::uint8_t bytes[4];
    loud.render(0, WaveFormat::pcm(8000, 1, 8), bytes, 4);
    EXPECT_EQ((std::vector<int>{bytes[0], bytes[1], bytes[2], bytes[3]}),
              (std::vector<int>{0, 128, 255, 0}))
        << "8 bits, and looping starts again";
}

TEST(VirtualLine, ReadsEightAndSixteenBitFilesAndRefusesOthers) {
    testsupport::TempDir dir;
    testsupport::writePcm16Wav(dir.file("l.wav"), {1, 2, 3, 4}, 8000, 2);
    const auto line = VirtualLine::fromFile(dir.file("l.wav"), false);
    ASSERT_TRUE(line);
    EXPECT_EQ(render16(*line, 0, WaveFormat::pcm(8000, 2, 16), 2),
              (std::vector<std::int16_t>{1, 2, 3, 4}));
    ASSERT_EQ(testsupport::run(
                  "sox", dir.file("l.wav") + " -b 8 -e unsigned-integer " + dir.file("l8.wav")),
              0);
    EXPECT_TRUE(VirtualLine::fromFile(dir.file("l8.wav"), false));
    ASSERT_EQ(testsupport::run("sox", dir.file("l.wav") + " -e u-law " + dir.file("u.wav")), 0);
    EXPECT_FALSE(VirtualLine::fromFile(dir.file("u.wav"), false));
    EXPECT_FALSE(VirtualLine::fromFile(dir.file("missing.wav"), false));
    testsupport::writeFile(dir.file("junk.wav"), "RIFF\x04\x00\x00\x00WAVE");
    EXPECT_FALSE(VirtualLine::fromFile(dir.file("junk.wav"), false));
}

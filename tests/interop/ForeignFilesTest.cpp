// Files that other programs write open with their true length and format: WAV files from sox
// in every encoding we read, and MP3 streams from lame, also behind junk.
#include <gtest/gtest.h>

#include <cmath>

#include "tests/interop/Controls.h"
#include "tests/interop/Peers.h"
#include "tests/interop/RowName.h"
#include "tests/interop/StoreHost.h"
#include "tests/support/Sound.h"
#include "tests/support/TempDir.h"

namespace interop {
namespace {

using testsupport::chunkData;
using testsupport::readFile;

struct SoxWav {
    const char* name;
    const char* soxEncoding;  // sox output options
    unsigned rate;
    unsigned channels;
    std::size_t frames;
    std::int16_t bitsPerSample;  // the code the control reports
    std::uint16_t tag;
    bool dropFact = false;         // remove sox's fact chunk, leaving the length to the data size
    std::int32_t numSamples = -1;  // when not `frames`
};

constexpr const char* kGsm = "-e gsm-full-rate";

const SoxWav kSoxWavs[] = {
    {"Pcm8Mono", "-b 8 -e unsigned-integer", 8000, 1, 800, 8, 1},
    {"Pcm8StereoOddLength", "-b 8 -e unsigned-integer", 11025, 2, 1001, 8, 1},
    {"Pcm16Mono", "-b 16 -e signed-integer", 8000, 1, 800, 16, 1},
    {"Pcm16Stereo", "-b 16 -e signed-integer", 44100, 2, 4410, 16, 1},
    {"Pcm8MonoSixKilohertz", "-b 8 -e unsigned-integer", 6000, 1, 600, 8, 1},
    {"ALawMono", "-e a-law", 8000, 1, 801, 106, 6},
    {"ALawStereo", "-e a-law", 22050, 2, 2205, 106, 6},
    {"MuLawMono", "-e u-law", 8000, 1, 800, 107, 7},
    {"MuLawStereo", "-e u-law", 16000, 2, 1600, 107, 7},
    {"GsmWholeBlocks", kGsm, 8000, 1, 3200, 100, 49},
    {"GsmPartialLastBlock", kGsm, 8000, 1, 800, 100, 49},
    {"GsmWithoutFactCountsWholeBlocks", kGsm, 8000, 1, 800, 100, 49, true, 960},
};

// sox's file without its fact chunk (the RIFF size follows).
std::string withoutFact(const std::string& wav) {
    const auto at = wav.find("fact");
    if (at == std::string::npos) return wav;
    std::string out = wav.substr(0, at) + wav.substr(at + 12);
    const std::uint32_t riffSize = static_cast<std::uint32_t>(out.size() - 8);
    for (int i = 0; i < 4; ++i)
        out[4 + i] = static_cast<char>(riffSize >> (8 * i));
    return out;
}

std::string makeSoxWav(const testsupport::TempDir& dir, const SoxWav& w) {
    const auto source = dir.file("source.wav");
    testsupport::writePcm16Wav(source, testsupport::sine(440, 0.5, w.frames, w.rate, w.channels),
                               w.rate, w.channels);
    const auto path = dir.file(std::string(w.name) + ".wav");
    mustRun("sox", source + " " + w.soxEncoding + " " + path);
    if (w.dropFact) testsupport::writeFile(path, withoutFact(readFile(path)));
    return path;
}

class SoxWavFiles : public ::testing::TestWithParam<SoxWav> {};

TEST_P(SoxWavFiles, OpenWithTheirLengthAndFormat) {
    const SoxWav& w = GetParam();
    testsupport::TempDir dir;
    const auto path = makeSoxWav(dir, w);
    const std::string before = readFile(path);
    const std::int32_t expected =
        w.numSamples >= 0 ? w.numSamples : static_cast<std::int32_t>(w.frames);

    for (std::int16_t playOnly : {0, 1}) {
        SCOPED_TRACE(playOnly ? "play only" : "read/write");
        auto control = makeControl();
        ASSERT_EQ(openExisting(*control, path, 0, playOnly), 0);
        EXPECT_EQ(control->status(), aurx::Status::FileOpen);
        EXPECT_EQ(control->get_NumSamples(), expected);
        if (w.tag != 49 || expected % 320 == 0) {  // partial GSM blocks: see below
            EXPECT_EQ(control->get_CurrentSamplePosition(), expected);  // the end, to append
        }
        EXPECT_EQ(control->get_BitsPerSample(), w.bitsPerSample);
        EXPECT_EQ(openFormatTag(*control), w.tag);
        EXPECT_EQ(control->get_SampleRate(), static_cast<std::int32_t>(w.rate));
        EXPECT_EQ(control->get_NumChannels(), static_cast<std::int16_t>(w.channels));
        EXPECT_NEAR(control->get_TotalTime(), static_cast<double>(expected) / w.rate, 1e-9);
        std::string description;
        std::int16_t code = -1;
        control->GetCurrentFormatAsString(&description, &code);
        EXPECT_EQ(code, 0) << description;
        EXPECT_EQ(control->Reset(), 0);
        EXPECT_EQ(readFile(path), before) << "opening and closing changed the file";
    }
}

// The store gives back exactly the bytes of sox's data chunk.
TEST_P(SoxWavFiles, DataReadsBackAsSoxWroteIt) {
    const SoxWav& w = GetParam();
    testsupport::TempDir dir;
    const auto path = makeSoxWav(dir, w);
    const std::string bytes = readFile(path);
    const std::string data = chunkData(bytes, "data");

    StoreHost host(true);
    auto opened = aurx::store::openFile(request(path, 0, 16, 8000, 1, true), host);
    ASSERT_EQ(opened.code, aurx::ErrorCode::Ok);
    EXPECT_EQ(opened.file->dataOffset(), bytes.find("data") + 8);
    std::string got(data.size() + 100, '\0');
    const auto n =
        opened.file->read(0, std::span(reinterpret_cast<std::uint8_t*>(got.data()), got.size()));
    ASSERT_EQ(n, static_cast<std::int64_t>(data.size()));
    got.resize(static_cast<std::size_t>(n));
    EXPECT_EQ(got, data);
}

INSTANTIATE_TEST_SUITE_P(Sox, SoxWavFiles, ::testing::ValuesIn(kSoxWavs), RowName());

// sox writes a GSM data chunk whose size counts the pad byte after an odd number of blocks.
TEST(SoxGsmFiles, DataSizeCountsThePadByteYetOpensWithTheFactCount) {
    testsupport::TempDir dir;
    for (std::size_t frames : {320u, 800u, 3200u, 3201u}) {
        SCOPED_TRACE(frames);
        const auto path = makeSoxWav(dir, SoxWav{"gsm", kGsm, 8000, 1, frames, 100, 49});
        const std::size_t blocks = (frames + 319) / 320;
        ASSERT_EQ(chunkData(readFile(path), "data").size(), 65 * blocks + blocks % 2);
        auto control = makeControl();
        ASSERT_EQ(openExisting(*control, path), 0);
        EXPECT_EQ(control->get_NumSamples(), static_cast<std::int32_t>(frames));
        // Positions fall on whole blocks.
        control->put_CurrentSamplePosition(330);
        EXPECT_EQ(control->get_CurrentSamplePosition(), 320);
    }
}

// A file whose length ends inside its last block opens at its end (800), not at the last
// whole block (640).
TEST(SoxGsmFiles, OpenAtTheirEndWhenTheLastBlockIsPartial) {
    testsupport::TempDir dir;
    const auto path = makeSoxWav(dir, SoxWav{"gsm", kGsm, 8000, 1, 800, 100, 49});
    auto control = makeControl();
    ASSERT_EQ(openExisting(*control, path), 0);
    EXPECT_EQ(control->get_CurrentSamplePosition(), 800);
}

struct LameStream {
    const char* name;
    unsigned rate;
    unsigned channels;
    unsigned kbps;
    std::string junk;  // bytes before the first frame
    const char* lameOptions = "";
};

// Bytes that start like frame headers but are not: a bad bit rate, a reserved version,
// a missing layer, a zero-rate index.
const std::string kNearMisses =
    std::string("\xFF\xFB\xF0\x00", 4) + std::string("\xFF\xEB\x90\x00", 4) +
    std::string("\xFF\xF9\x90\x00", 4) + std::string("\xFF\xFB\x9C\x00", 4);

const LameStream kLameStreams[] = {
    {"Mono16k", 16000, 1, 32, ""},
    {"Mono8k", 8000, 1, 16, ""},
    {"Stereo44k", 44100, 2, 128, ""},
    {"Mono22kVbr", 22050, 1, 0, "", "-V 5"},
    {"Mono16kAfterText", 16000, 1, 32, std::string(300, 'j') + std::string(20, '\0')},
    {"Mono16kAfterNearMisses", 16000, 1, 32, std::string(7, '\xFF') + kNearMisses},
    {"Stereo44kAfterJunk", 44100, 2, 128, "RIFF-looking junk, not audio"},
};

class LameStreams : public ::testing::TestWithParam<LameStream> {};

std::string makeLameStream(const testsupport::TempDir& dir, const LameStream& s,
                           std::size_t frames) {
    const auto source = dir.file("source.wav");
    testsupport::writePcm16Wav(source, testsupport::sine(440, 0.5, frames, s.rate, s.channels),
                               s.rate, s.channels);
    const auto encoded = dir.file("lame.mp3");
    const std::string rate = s.kbps ? "--cbr -b " + std::to_string(s.kbps) : "";
    mustRun("lame",
            std::string("--quiet ") + rate + " " + s.lameOptions + " " + source + " " + encoded);
    const auto path = dir.file(std::string(s.name) + ".mp3");
    testsupport::writeFile(path, s.junk + readFile(encoded));
    return path;
}

TEST_P(LameStreams, OpenAsLayerThreeStreamsAtTheFirstFrame) {
    const LameStream& s = GetParam();
    testsupport::TempDir dir;
    const std::size_t frames = s.rate;  // one second
    const auto path = makeLameStream(dir, s, frames);

    auto control = makeControl();
    ASSERT_EQ(openExisting(*control, path, 2), 0);
    EXPECT_EQ(control->get_BitsPerSample(), 100);
    const auto format = aurx::codecs::WaveFormat::parse(acmFormatOf(*control));
    EXPECT_EQ(format.tag, 85);
    EXPECT_EQ(format.samplesPerSec, s.rate);
    EXPECT_EQ(format.channels, s.channels);
    if (s.kbps) {
        EXPECT_EQ(format.avgBytesPerSec, s.kbps * 1000 / 8);
    }
    EXPECT_EQ(control->get_SampleRate(), static_cast<std::int32_t>(s.rate));
    EXPECT_EQ(control->get_NumChannels(), static_cast<std::int16_t>(s.channels));
    // The length follows from the bytes and the first frame's bit rate, so a constant bit
    // rate stream measures its own duration: the input plus the encoder's padding, which is
    // less than three frames.
    const double samplesPerFrame = s.rate >= 32000 ? 1152 : 576;
    if (s.kbps) {
        EXPECT_GE(control->get_NumSamples(), static_cast<std::int32_t>(frames));
        EXPECT_LE(control->get_NumSamples(), frames + 3 * samplesPerFrame);
    }
    std::string description;
    std::int16_t code = -1;
    control->GetCurrentFormatAsString(&description, &code);
    EXPECT_EQ(code, 0) << description;
    EXPECT_EQ(control->Reset(), 0);

    StoreHost host(true);
    auto opened = aurx::store::openFile(request(path, 2, 16, 8000, 1, true), host);
    ASSERT_EQ(opened.code, aurx::ErrorCode::Ok);
    EXPECT_EQ(opened.file->dataOffset(), s.junk.size());
    EXPECT_EQ(opened.file->dataSize(), readFile(path).size() - s.junk.size());
}

INSTANTIATE_TEST_SUITE_P(Lame, LameStreams, ::testing::ValuesIn(kLameStreams), RowName());

}  // namespace
}  // namespace interop

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
    unsigned kbps;     // 0: a variable bit rate
    std::string junk;  // bytes before lame's stream
    const char* lameOptions = "";
    std::size_t tagAfter = 0;  // bytes of tags after the last frame
};

// Bytes that start like frame headers but are not: a bad bit rate, a reserved version,
// a missing layer, a zero-rate index.
const std::string kNearMisses =
    std::string("\xFF\xFB\xF0\x00", 4) + std::string("\xFF\xEB\x90\x00", 4) +
    std::string("\xFF\xF9\x90\x00", 4) + std::string("\xFF\xFB\x9C\x00", 4);

// An ID3v2.3 tag of `payload` (its size written as the tag's four 7-bit bytes).
std::string id3v2(const std::string& payload) {
    const std::size_t n = payload.size();
    std::string tag("ID3\x03\x00\x00", 6);
    for (int shift : {21, 14, 7, 0})
        tag += static_cast<char>((n >> shift) & 0x7F);
    return tag + payload;
}

// A tag larger than the first frame is looked for in, full of what looks like frames of the
// stream itself (a cover picture can hold anything): only its stated size passes it.
const std::string kFalseFrames = [] {
    std::string frames;
    for (int i = 0; i < 2500; ++i)  // MPEG-2 Layer III, 8 kbit/s, 16 kHz, one channel: 36 bytes
        frames += std::string("\xFF\xF3\x18\xC4", 4) + std::string(32, char(i % 0x7F));
    return id3v2("APIC" + frames);
}();

const LameStream kLameStreams[] = {
    {"Mono16k", 16000, 1, 32, ""},
    {"Mono8k", 8000, 1, 16, ""},
    {"Stereo44k", 44100, 2, 128, ""},
    {"Mono22kVbr", 22050, 1, 0, "", "-V 5"},
    {"Mono8kVbr", 8000, 1, 0, "", "-V 5"},
    {"Mono16kVbr", 16000, 1, 0, "", "-V 5"},
    {"Mono16kAfterText", 16000, 1, 32, std::string(300, 'j') + std::string(20, '\0')},
    {"Mono16kAfterNearMisses", 16000, 1, 32, std::string(7, '\xFF') + kNearMisses},
    {"Stereo44kAfterJunk", 44100, 2, 128, "RIFF-looking junk, not audio"},
    // Tags other programs add: lame's own, both kinds, and one of our making.
    {"Mono16kId3v2", 16000, 1, 32, "", "--add-id3v2 --id3v2-only --tt Title --ta Artist"},
    {"Mono8kId3v2AndId3v1", 8000, 1, 16, "", "--add-id3v2 --tt Title --tc Comment", 128},
    {"Mono8kId3v1", 8000, 1, 16, "", "--id3v1-only --tt Title", 128},
    {"Stereo44kId3v2AndId3v1", 44100, 2, 128, "", "--add-id3v2 --tt T", 128},
    {"Mono8kVbrId3v2AndId3v1", 8000, 1, 0, "", "-V 5 --add-id3v2 --tt Title", 128},
    {"Mono16kVbrAfterATagOfFalseFrames", 16000, 1, 0, kFalseFrames, "-V 5"},
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

// The size an ID3v2 tag at the start of `bytes` states, with its header; 0 without one.
std::size_t id3v2Size(const std::string& bytes) {
    if (bytes.compare(0, 3, "ID3") != 0) return 0;
    std::size_t n = 0;
    for (int i = 6; i < 10; ++i)
        n = n << 7 | (static_cast<unsigned char>(bytes[static_cast<std::size_t>(i)]) & 0x7F);
    return 10 + n;
}

TEST_P(LameStreams, OpenAsLayerThreeStreamsAtTheFirstFrameWithMpg123sLength) {
    const LameStream& s = GetParam();
    testsupport::TempDir dir;
    const std::size_t frames = s.rate;  // one second
    const auto path = makeLameStream(dir, s, frames);
    const std::string bytes = readFile(path);
    // The junk (or our tag) and lame's own ID3v2 tag come before the first frame.
    const std::size_t before = s.junk.size() + id3v2Size(bytes.substr(s.junk.size()));
    ASSERT_EQ(s.tagAfter != 0, bytes.compare(bytes.size() - 128, 3, "TAG") == 0);

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
    // Every frame's samples, as mpg123 decodes them without cutting the encoder's delay and
    // padding: for a constant bit rate the input plus less than three frames. mpg123 is given
    // what lame wrote, tags and all, without the junk (it takes "RIFF" for a WAV header).
    const auto decoded = mpg123Decode(dir.file("lame.mp3"));
    ASSERT_FALSE(decoded.empty());
    EXPECT_EQ(control->get_NumSamples(), static_cast<std::int32_t>(decoded.size() / s.channels));
    const double samplesPerFrame = s.rate >= 32000 ? 1152 : 576;
    EXPECT_GE(control->get_NumSamples(), static_cast<std::int32_t>(frames));
    EXPECT_LE(control->get_NumSamples(), frames + 3 * samplesPerFrame);
    std::string description;
    std::int16_t code = -1;
    control->GetCurrentFormatAsString(&description, &code);
    EXPECT_EQ(code, 0) << description;
    EXPECT_EQ(control->Reset(), 0);

    // The data is the frames, without the tags around them.
    StoreHost host(true);
    auto opened = aurx::store::openFile(request(path, 2, 16, 8000, 1, true), host);
    ASSERT_EQ(opened.code, aurx::ErrorCode::Ok);
    EXPECT_EQ(opened.file->dataOffset(), before);
    EXPECT_EQ(opened.file->dataSize(), bytes.size() - before - s.tagAfter);
    // A variable bit rate is described by its average, so that the data's bytes give its
    // samples.
    const auto& c = *opened.file->compressed();
    EXPECT_NEAR(static_cast<double>(opened.file->dataSize()) * c.samplesPerBlock,
                opened.file->numSamples(), samplesPerFrame);
}

INSTANTIATE_TEST_SUITE_P(Lame, LameStreams, ::testing::ValuesIn(kLameStreams), RowName());

}  // namespace
}  // namespace interop

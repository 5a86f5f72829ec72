// Shareable copies of calls: each kind of call file converted to Opus and to MP3, decoded again
// by the reference tools (opusdec, mpg123) and compared with the call's own sound; and the
// failures that must be told rather than written.
#include <gtest/gtest.h>

#include "services/share/SoundConversion.h"
#include "services/share/SoundReader.h"
#include "tests/support/Sound.h"
#include "tests/support/TempDir.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>

using namespace parlaro::share;
using testsupport::TempDir;

namespace {

bool have(const std::string& program) {
    return testsupport::run("command", "-v " + program + " >/dev/null") == 0;
}

// The encoded bytes into a file, as the application's writer puts them.
class FileWriter final : public ByteWriter {
  public:
    explicit FileWriter(const std::string& path) : out_(path, std::ios::binary) {}
    bool write(std::span<const std::uint8_t> bytes) override {
        out_.write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return static_cast<bool>(out_);
    }
    bool rewriteStart(std::span<const std::uint8_t> bytes) override {
        const auto end = out_.tellp();
        out_.seekp(0);
        write(bytes);
        out_.seekp(end);
        return static_cast<bool>(out_);
    }

  private:
    std::ofstream out_;
};

struct Decoded {
    unsigned rate = 0;
    unsigned channels = 0;
    std::vector<std::int16_t> samples;
};

Decoded readPcmWav(const std::string& path) {
    const std::string bytes = testsupport::readFile(path);
    const std::string fmt = testsupport::chunkData(bytes, "fmt ");
    if (fmt.size() < 16) return {};
    return {testsupport::le32(fmt, 4), testsupport::le16(fmt, 2),
            testsupport::pcm16(testsupport::chunkData(bytes, "data"))};
}

// The best normalised correlation of `b` against `a` within a small shift, and that shift.
std::pair<double, int> bestCorrelation(const std::vector<std::int16_t>& a,
                                       const std::vector<std::int16_t>& b, int maxShift) {
    std::pair<double, int> best{-1, 0};
    for (int shift = -maxShift; shift <= maxShift; ++shift) {
        double ab = 0, aa = 0, bb = 0;
        for (std::size_t i = 0; i < a.size(); ++i) {
            const auto j = static_cast<std::ptrdiff_t>(i) + shift;
            if (j < 0 || j >= static_cast<std::ptrdiff_t>(b.size())) continue;
            const double x = a[i];
            const double y = b[static_cast<std::size_t>(j)];
            ab += x * y;
            aa += x * x;
            bb += y * y;
        }
        const double c = aa > 0 && bb > 0 ? ab / std::sqrt(aa * bb) : 0;
        if (c > best.first) best = {c, shift};
    }
    return best;
}

// A spoken phrase, the nearest thing to a call the tests can make.
class ShareCodecs : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        speechDir_ = new TempDir;
        if (!have("espeak-ng") || !have("sox") || !have("opusdec") || !have("mpg123") ||
            !have("lame"))
            return;
        ready_ = testsupport::run("espeak-ng", "-w " + speech() +
                                                   " 'Please call me back tomorrow about the "
                                                   "invoice, number four two seven.'") == 0;
    }
    static void TearDownTestSuite() {
        delete speechDir_;
        speechDir_ = nullptr;
    }
    void SetUp() override {
        if (!ready_) GTEST_SKIP() << "needs espeak-ng, sox, lame, opusdec and mpg123";
    }
    static std::string speech() { return speechDir_->file("speech.wav"); }

    TempDir dir;

  private:
    static inline TempDir* speechDir_ = nullptr;
    static inline bool ready_ = false;
};

}  // namespace

TEST_F(ShareCodecs, EveryKindOfCallFileBecomesOpusAndMp3ThatSoundLikeIt) {
    struct Source {
        const char* name;
        const char* file;
        std::string make;       // how the call file is made from the speech
        std::string reference;  // how its sound is decoded independently, to 16-bit mono
    };
    const std::string in = speech();
    const Source sources[] = {
        {"GSM 6.10 WAV", "gsm.wav", "sox " + in + " -r 8000 -c 1 -e gsm-full-rate gsm.wav",
         "sox gsm.wav -b 16 -e signed ref.wav"},
        {"8-bit PCM WAV", "pcm8.wav", "sox " + in + " -r 8000 -c 1 -b 8 -e unsigned pcm8.wav",
         "sox pcm8.wav -b 16 -e signed ref.wav"},
        {"16-bit stereo PCM WAV at 16 kHz", "stereo.wav",
         "sox " + in + " -r 16000 -c 2 -b 16 -e signed stereo.wav",
         "sox stereo.wav -c 1 -b 16 -e signed ref.wav"},
        {"MP3 file", "call.mp3",
         "sox " + in + " -r 8000 -c 1 in8.wav && lame --quiet -b 32 -m m in8.wav call.mp3",
         "mpg123 -q -w ref.wav call.mp3"},
    };
    struct Target {
        ShareCodec codec;
        const char* file;
        const char* decode;       // to dec.wav at the reference's rate (%d)
        std::size_t lengthSlack;  // samples at 8 kHz: one 20 ms Opus frame, one MP3 frame
    };
    const Target targets[] = {
        {ShareCodec::Opus, "copy.opus", "opusdec --quiet --rate %d copy.opus dec.wav", 160},
        {ShareCodec::Mp3, "copy.mp3", "mpg123 -q -w dec.wav copy.mp3", 1152},
    };
    const std::string cd = "cd " + dir.path() + " && ";
    for (const Source& s : sources) {
        ASSERT_EQ(testsupport::run(cd + s.make, ""), 0) << s.name;
        ASSERT_EQ(testsupport::run(cd + s.reference, ""), 0) << s.name;
        const Decoded ref = readPcmWav(dir.file("ref.wav"));
        ASSERT_EQ(ref.channels, 1u) << s.name;
        ASSERT_GT(ref.samples.size(), ref.rate) << s.name;
        for (const Target& t : targets) {
            const std::string label = std::string(s.name) + " -> " + t.file;
            {
                FileWriter writer(dir.file(t.file));
                ASSERT_EQ(convertSound(dir.file(s.file), t.codec, writer), "") << label;
            }
            char decode[160];
            std::snprintf(decode, sizeof decode, t.decode, static_cast<int>(ref.rate));
            ASSERT_EQ(testsupport::run(cd + decode, ""), 0) << label;
            const Decoded copy = readPcmWav(dir.file("dec.wav"));
            ASSERT_EQ(copy.rate, ref.rate) << label;
            ASSERT_EQ(copy.channels, 1u) << label;
            const std::size_t slack = t.lengthSlack * ref.rate / 8000;
            const auto difference = static_cast<std::size_t>(std::abs(
                static_cast<long>(copy.samples.size()) - static_cast<long>(ref.samples.size())));
            EXPECT_LE(difference, slack)
                << label << ": " << copy.samples.size() << " against " << ref.samples.size();
            const auto [correlation, shift] = bestCorrelation(ref.samples, copy.samples, 64);
            EXPECT_GT(correlation, 0.9) << label;
            EXPECT_LE(std::abs(shift), 16) << label << ": the copy is out of step";
        }
    }
}

TEST_F(ShareCodecs, TheReaderDecodesAsTheReferenceToolsDo) {
    ASSERT_EQ(testsupport::run("cd " + dir.path() + " && sox " + speech() +
                                   " -r 8000 -c 1 -e gsm-full-rate gsm.wav && sox gsm.wav -b "
                                   "16 -e signed ref.wav",
                               ""),
              0);
    struct Collect final : PcmSink {
        SoundShape shape;
        std::vector<std::int16_t> samples;
        std::string begin(const SoundShape& s) override {
            shape = s;
            return {};
        }
        std::string write(std::span<const std::int16_t> s) override {
            samples.insert(samples.end(), s.begin(), s.end());
            return {};
        }
    } sink;
    ASSERT_EQ(readSound(dir.file("gsm.wav"), sink), "");
    EXPECT_EQ(sink.shape.rate, 8000u);
    EXPECT_EQ(sink.shape.channels, 1u);
    const Decoded ref = readPcmWav(dir.file("ref.wav"));
    // Both are libgsm: the same samples, but for the final block's padding.
    ASSERT_GE(sink.samples.size(), ref.samples.size());
    EXPECT_LT(sink.samples.size() - ref.samples.size(), 320u);
    EXPECT_TRUE(std::equal(ref.samples.begin(), ref.samples.end(), sink.samples.begin()));
}

TEST(ShareConversion, WhatCannotBeConvertedIsToldAndNothingIsWritten) {
    TempDir dir;
    // An ADPCM WAV: a header the codecs have no decoder for.
    const char adpcmBytes[] =
        "RIFF\x2c\0\0\0WAVEfmt \x14\0\0\0"
        "\x02\0\x01\0\x40\x1f\0\0\x00\x10\0\0\x00\x01\x04\0\x02\0\xf4\x01"
        "data\x04\0\0\0abcd";
    const std::string adpcm(adpcmBytes, sizeof adpcmBytes - 1);
    struct Case {
        const char* name;
        std::string bytes;
        std::string reason;
    } cases[] = {
        {"a text file", "call me back\n", "it is not a WAV or MP3 file"},
        {"an empty file", "", "it is not a WAV or MP3 file"},
        {"a RIFF file that is not a WAV file", std::string("RIFF\4\0\0\0AVI ", 12),
         "it is not a WAV file"},
        {"a WAV file without sound data", std::string("RIFF\4\0\0\0WAVE", 12),
         "it has no usable format chunk"},
        {"a WAV file in ADPCM", adpcm, "its format (format 2) cannot be decoded"},
        {"an MPEG frame header and nothing after it", std::string("\xff\xfb\x10\x00", 4),
         "it holds no MPEG audio"},
    };
    for (const Case& c : cases) {
        testsupport::writeFile(dir.file("call.wav"), c.bytes);
        for (const ShareCodec codec : {ShareCodec::Opus, ShareCodec::Mp3}) {
            struct Counting final : ByteWriter {
                std::size_t bytes = 0;
                bool write(std::span<const std::uint8_t> b) override {
                    bytes += b.size();
                    return true;
                }
                bool rewriteStart(std::span<const std::uint8_t>) override { return true; }
            } writer;
            EXPECT_EQ(convertSound(dir.file("call.wav"), codec, writer), c.reason) << c.name;
            EXPECT_EQ(writer.bytes, 0u) << c.name;
        }
    }
    struct Collect final : PcmSink {
        std::string begin(const SoundShape&) override { return {}; }
        std::string write(std::span<const std::int16_t>) override { return {}; }
    } sink;
    EXPECT_EQ(readSound(dir.file("missing.wav"), sink), "it cannot be opened");
    EXPECT_EQ(readSound(dir.path(), sink), "it cannot be opened");
}

TEST(ShareConversion, AWriterThatFailsStopsTheEncoderWithItsReason) {
    TempDir dir;
    testsupport::writePcm16Wav(dir.file("call.wav"), testsupport::sine(440, 8000, 16000, 8000),
                               8000, 1);
    for (const ShareCodec codec : {ShareCodec::Opus, ShareCodec::Mp3}) {
        struct Full final : ByteWriter {
            bool write(std::span<const std::uint8_t>) override { return false; }
            bool rewriteStart(std::span<const std::uint8_t>) override { return false; }
        } writer;
        EXPECT_EQ(convertSound(dir.file("call.wav"), codec, writer),
                  "the file could not be written");
    }
}

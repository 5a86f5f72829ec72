// Damaged and hostile files get the one error code that says what is wrong with them, and
// nothing else: the control is left without a file, the file on disk is untouched, and the
// odd but valid ones open with the right length.
#include <gtest/gtest.h>

#include "tests/interop/Controls.h"
#include "tests/interop/RowName.h"
#include "tests/interop/WavBytes.h"
#include "tests/support/TempDir.h"

namespace interop {
namespace {

constexpr std::int16_t kNotWave = 4;
constexpr std::int16_t kUnsupported = 5;

struct BadFile {
    const char* name;
    std::string bytes;
    std::int16_t code;
    std::int32_t numSamples = 0;  // when it opens
    std::int16_t dataOnly = 0;
    std::int16_t bitsPerSample = 8;  // for header-less files; 100 is GSM 6.10
    std::int16_t playOnly = 0;       // opened only to play: no device or codec checks on the format
};

const std::string kMono8 = pcmFmt(1, 8000, 8);
const std::string kFiveSamples = chunk("data", "abcde");
const std::string kGsmFmt =
    chunk("fmt ", fmtFields(49, 1, 8000, 1625, 65, 0) + le16(2) + le16(320));
// An MPEG-2 Layer III header: 32 kbit/s, 16000 Hz, mono (4 bytes of data per frame).
const std::string kLayer3 = std::string("\xFF\xF3\x48\xC4", 4);
const std::string kLayer2 = std::string("\xFF\xFD\x90\x00", 4);
const std::string kBadBitRate = std::string("\xFF\xFB\xF0\x00", 4);
const std::string kReservedVersion = std::string("\xFF\xEB\x90\x00", 4);
const std::string kFreeFormat = std::string("\xFF\xFB\x00\xC4", 4);

std::string zeros(std::size_t n) {
    return std::string(n, '\0');
}

// A GSM 6.10 file of two blocks whose header claims `rate`.
std::string gsmAt(std::uint32_t rate) {
    return riff(chunk("fmt ", fmtFields(49, 1, rate, 1625, 65, 0) + le16(2) + le16(320)) +
                chunk("fact", le32(640)) + chunk("data", zeros(130)));
}

// MPEGLAYER3WAVEFORMAT's extra bytes for 8 kbit/s at 8 kHz.
const std::string kMp3Extra = le16(1) + le32(2) + le16(72) + le16(1) + le16(1393);

std::string manyEmptyChunks() {
    std::string s;
    for (int i = 0; i < 2000; ++i)
        s += chunk("junk", "");
    return s;
}

const BadFile kWavFiles[] = {
    {"Empty", "", kNotWave},
    {"OnlyTheRiffId", "RIFF", kNotWave},
    {"CutInsideTheRiffHeader", "RIFF" + le32(100) + "WA", kNotWave},
    {"NotAWaveForm", riff(kMono8 + kFiveSamples, "AVI "), kNotWave},
    {"CutInsideFmt", "RIFF" + le32(100) + "WAVEfmt " + le32(16) + zeros(6), kNotWave},
    {"CutInsideTheDataHeader", riff(kMono8) + "da", kNotWave},
    {"NoFmt", riff(kFiveSamples), kNotWave},
    {"NoData", riff(kMono8), kNotWave},
    {"DataBeforeFmt", riff(kFiveSamples + kMono8), kNotWave},
    {"FmtBeyondTheRiffChunk", "RIFF" + le32(4) + "WAVE" + kMono8 + kFiveSamples, kNotWave},
    {"ChunkRunningPastTheEnd", riff(kMono8 + chunkWithSize("LIST", 0x7FFFFFF0, "x") + kFiveSamples),
     kNotWave},
    {"AbsurdFmtSize", riff(chunkWithSize("fmt ", 0xFFFFFFF0, kMono8.substr(8)) + kFiveSamples),
     kNotWave},
    {"RateOffTheList", riff(pcmFmt(1, 12000, 8) + kFiveSamples), kUnsupported},
    {"RateZero", riff(pcmFmt(1, 0, 8) + kFiveSamples), kUnsupported},
    {"BlockAlignZero", riff(chunk("fmt ", fmtFields(1, 1, 8000, 8000, 0, 8)) + kFiveSamples),
     kUnsupported},
    {"GsmBlockAlignZero",
     riff(chunk("fmt ", fmtFields(49, 1, 8000, 1625, 0, 0) + le16(2) + le16(320)) +
          chunk("data", zeros(130))),
     kUnsupported},
    {"NoChannels", riff(chunk("fmt ", fmtFields(1, 0, 8000, 0, 0, 8)) + kFiveSamples),
     kUnsupported},
    {"ThreeChannels", riff(pcmFmt(3, 8000, 8) + kFiveSamples), kUnsupported},
    {"TwentyFourBits", riff(pcmFmt(1, 8000, 24) + chunk("data", zeros(6))), kUnsupported},
    {"FmtShorterThanItsFields", riff(chunk("fmt ", le16(1) + le16(1) + le32(8000)) + kFiveSamples),
     kUnsupported},
    {"UnknownFormatTag", riff(chunk("fmt ", fmtFields(0x1234, 1, 8000, 8000, 1, 8)) + kFiveSamples),
     kUnsupported},
    {"GsmWithTheWrongBlockLength",
     riff(chunk("fmt ", fmtFields(49, 1, 8000, 1625, 65, 0) + le16(2) + le16(160)) +
          chunk("data", zeros(130))),
     kUnsupported},
    // Played without device checks, only the codec and the set-up stand between an absurd
    // header and the control's properties and buffers.
    {"PlayedGsmAtTheLargestRate", gsmAt(0x7FFFFFFF), kUnsupported, 0, 0, 8, 1},
    {"PlayedGsmAtAllRateBitsSet", gsmAt(0xFFFFFFFF), kUnsupported, 0, 0, 8, 1},
    {"PlayedGsmAtTwelveKilohertz", gsmAt(12000), kUnsupported, 0, 0, 8, 1},
    {"PlayedGsmAtOneMegahertz", gsmAt(1000000), kUnsupported, 0, 0, 8, 1},
    {"PlayedGsmAtOneHertz", gsmAt(1), kUnsupported, 0, 0, 8, 1},
    {"PlayedGsmWithAllChannelBitsSet",
     riff(chunk("fmt ", fmtFields(49, 0xFFFF, 8000, 1625, 65, 0) + le16(2) + le16(320)) +
          chunk("data", zeros(130))),
     kUnsupported, 0, 0, 8, 1},
    {"PlayedMp3WhoseByteRateWrapsToEightKilobits",
     riff(chunk("fmt ", fmtFields(85, 1, 8000, 0x200003E8, 1, 0) + le16(12) + kMp3Extra) +
          chunk("data", zeros(144))),
     kUnsupported, 0, 0, 8, 1},
    // Odd but valid: these open.
    {"SixKilohertz", riff(pcmFmt(1, 6000, 8) + kFiveSamples), 0, 5},
    {"OddDataSizeWithItsPadByte", riff(kMono8 + kFiveSamples + chunk("LIST", "x")), 0, 5},
    {"OddChunkBeforeData", riff(kMono8 + chunk("LIST", "abc") + kFiveSamples), 0, 5},
    {"OddFmtSize", riff(chunk("fmt ", kMono8.substr(8) + "x") + kFiveSamples), 0, 5},
    {"ThousandsOfEmptyChunks", riff(kMono8 + manyEmptyChunks() + kFiveSamples), 0, 5},
    {"AbsurdRiffSize", "RIFF" + le32(0xFFFFFFFF) + "WAVE" + kMono8 + kFiveSamples, 0, 5},
    {"DataSizeBeyondTheFile", riff(kMono8 + chunkWithSize("data", 0xFFFFFFF0, "abcdefghij")), 0,
     10},
};

const BadFile kHeaderlessFiles[] = {
    {"SkippedHeaderLongerThanTheFile", zeros(20), 0, 0, -44},
    {"SkippedHeader", zeros(44 + 100), 0, 100, -44},
    {"EmptyDataFile", "", 0, 0, 1},
    {"HalfASample", zeros(7), 0, 3, 1, 16},
    {"GsmBlocksAndABit", zeros(3 * 65 + 10), 0, 960, 1, 100},
    {"EmptyStream", "", kUnsupported, 0, 2},
    {"TextStream", std::string(1000, 'T'), kUnsupported, 0, 2},
    {"OnlyNearMissHeaders", kBadBitRate + kReservedVersion + kBadBitRate + zeros(100), kUnsupported,
     0, 2},
    {"LayerTwoBeforeLayerThree", kLayer2 + kLayer3 + zeros(100), kUnsupported, 0, 2},
    {"HeaderCutByTheEndOfTheFile", zeros(1000) + kLayer3.substr(0, 3), kUnsupported, 0, 2},
    {"HeaderBeyondTheScannedStart", zeros(32768) + kLayer3 + zeros(1000), kUnsupported, 0, 2},
    {"FreeFormatHeader", kFreeFormat + zeros(1000), kUnsupported, 0, 2},
    // One frame (576 samples) and nothing after it that chains on.
    {"HeaderInTheLastScannedBytes", zeros(32764) + kLayer3 + zeros(1000), 0, 576, 2},
};

// What an open sets from a file: SampleRate, NumChannels, BitsPerSample and AcmFormat.
std::string formatProperties(const aurx::AURX300Ctrl& c) {
    return aurx::Variant(c.get_SampleRate()).display() + " Hz, " +
           aurx::Variant(c.get_NumChannels()).display() + " channels, " +
           aurx::Variant(c.get_BitsPerSample()).display() + " bits, format " +
           c.get_AcmFormat().display();
}

class BadFiles : public ::testing::TestWithParam<BadFile> {};

TEST_P(BadFiles, OpenWithTheirOwnCodeAndNothingElse) {
    const BadFile& f = GetParam();
    testsupport::TempDir dir;
    const auto path = dir.file("bad");
    testsupport::writeFile(path, f.bytes);

    auto control = makeControl();
    ASSERT_EQ(control->Reset(), 0);
    ASSERT_TRUE(control->put_SampleRate(8000).ok());
    ASSERT_TRUE(control->put_NumChannels(1).ok());
    if (f.bitsPerSample == 100) {
        ASSERT_TRUE(
            control->put_AcmFormat(aurx::Variant("31000100401f0000590600004100000002004001")).ok());
    }
    ASSERT_TRUE(control->put_BitsPerSample(f.bitsPerSample).ok());
    ASSERT_TRUE(control->put_DataOnly(f.dataOnly).ok());
    ASSERT_TRUE(control->put_PlayOnly(f.playOnly).ok());
    const auto before = formatProperties(*control);

    EXPECT_EQ(control->OpenExistingOrNewFile(path), f.code);
    if (f.code != 0) {
        EXPECT_EQ(control->get_LastError(), f.code);
        EXPECT_EQ(control->status(), aurx::Status::Ready);
        EXPECT_EQ(control->get_Filename(), "");
        EXPECT_EQ(control->get_NumSamples(), 0);
        EXPECT_EQ(formatProperties(*control), before) << "a failed open changed the properties";
    } else {
        EXPECT_EQ(control->get_LastError(), 0);
        EXPECT_EQ(control->status(), aurx::Status::FileOpen);
        EXPECT_EQ(control->get_NumSamples(), f.numSamples);
        // Reading around the file is harmless, wherever it is asked to go.
        control->put_CurrentSamplePosition(f.numSamples / 2);
        control->put_CurrentTimePosition(1e9);
        EXPECT_EQ(control->get_CurrentSamplePosition(), f.numSamples);
    }
    EXPECT_EQ(control->Reset(), 0);
    EXPECT_EQ(testsupport::readFile(path), f.bytes) << "the file was changed";
}

// The open trusts the data over a larger fact count; closing a file nobody recorded into must
// still leave its fact chunk as it was.
TEST(FactCounts, BeyondTheDataAreLeftAsTheyWereWhenTheFileIsClosed) {
    testsupport::TempDir dir;
    const auto path = dir.file("long-fact.wav");
    const std::string bytes = riff(chunk("fmt ", fmtFields(6, 1, 8000, 8000, 1, 8)) +
                                   chunk("fact", le32(1000)) + kFiveSamples);
    testsupport::writeFile(path, bytes);
    auto control = makeControl();
    ASSERT_EQ(openExisting(*control, path), 0);
    EXPECT_EQ(control->Reset(), 0);
    EXPECT_EQ(testsupport::readFile(path), bytes) << "the file was changed";
}

// Compression formats whose fields overflow or divide by zero in the set-up, or whose rate or
// channels the codec cannot take: code 5 for a new file and for a header-less one, played or
// not, with the properties as they were.
TEST(BadCompressionFormats, GiveFiveAndLeaveThePropertiesAsTheyWere) {
    const struct {
        const char* name;
        std::string hex;
    } formats[] = {
        {"pcm whose channels times rate wrap to zero", "010000010000000101000000010010000000"},
        {"pcm without channels", "010000000000000101000000010010000000"},
        {"pcm at the largest rate", "01000100ffffff7ffeffffff020010000000"},
        {"gsm at all rate bits set", "31000100ffffffff590600004100000002004001"},
        {"gsm at twelve kilohertz", "31000100e02e0000590600004100000002004001"},
        {"mp3 whose byte rate wraps to eight kilobits",
         "55000100401f0000e803002001000000"
         "0c00010002000000480001007105"},
    };
    testsupport::TempDir dir;
    const auto data = dir.file("data.raw");
    testsupport::writeFile(data, zeros(650));
    for (const auto& f : formats) {
        for (const std::int16_t playOnly : {0, 1}) {
            auto control = makeControl();
            ASSERT_EQ(control->Reset(), 0);
            ASSERT_TRUE(control->put_SampleRate(8000).ok());
            ASSERT_TRUE(control->put_NumChannels(1).ok());
            ASSERT_TRUE(control->put_BitsPerSample(100).ok());
            ASSERT_TRUE(control->put_DataOnly(1).ok());
            ASSERT_TRUE(control->put_AcmFormat(aurx::Variant(f.hex)).ok()) << f.name;
            ASSERT_TRUE(control->put_PlayOnly(playOnly).ok());
            const auto before = formatProperties(*control);
            EXPECT_EQ(control->OpenExistingOrNewFile(data), kUnsupported) << f.name << playOnly;
            EXPECT_EQ(control->status(), aurx::Status::Ready) << f.name;
            EXPECT_EQ(formatProperties(*control), before) << f.name << playOnly;
            if (playOnly == 0) {
                EXPECT_EQ(control->OpenNewFile(dir.file("new.raw")), kUnsupported) << f.name;
                EXPECT_EQ(formatProperties(*control), before) << f.name;
            }
        }
    }
    EXPECT_EQ(testsupport::readFile(data), zeros(650));
}

INSTANTIATE_TEST_SUITE_P(Wav, BadFiles, ::testing::ValuesIn(kWavFiles), RowName());
INSTANTIATE_TEST_SUITE_P(Headerless, BadFiles, ::testing::ValuesIn(kHeaderlessFiles), RowName());

}  // namespace
}  // namespace interop

// GSM 6.10 against sox: our encoder writes the very bytes sox writes for the same samples,
// however the samples arrive, and our decoder hears sox's files as sox does.
#include <gtest/gtest.h>

#include "aurx/HexText.h"
#include "tests/interop/Peers.h"
#include "tests/interop/RowName.h"
#include "tests/interop/Streams.h"
#include "tests/support/Sound.h"
#include "tests/support/TempDir.h"

namespace interop {
namespace {

using testsupport::chunkData;
using testsupport::readFile;

constexpr std::size_t kBlockBytes = 65;
constexpr std::size_t kBlockFrames = 320;

const aurx::codecs::FormatBlock kGsm =
    *aurx::formats::fromHex("31000100401f0000590600004100000002004001");
const aurx::codecs::FormatBlock kPcm = aurx::codecs::WaveFormat::pcm(8000, 1, 16).toBlock();

std::vector<std::uint8_t> bytesOf(const std::string& s) {
    return {s.begin(), s.end()};
}

// sox's GSM blocks for `samples` (without the pad byte its data size counts).
std::vector<std::uint8_t> soxGsmBlocks(const testsupport::TempDir& dir,
                                       const std::vector<std::int16_t>& samples) {
    const auto source = dir.file("pcm.wav");
    const auto encoded = dir.file("sox-gsm.wav");
    testsupport::writePcm16Wav(source, samples, 8000, 1);
    mustRun("sox", source + " -e gsm-full-rate " + encoded);
    auto data = bytesOf(chunkData(readFile(encoded), "data"));
    data.resize(data.size() / kBlockBytes * kBlockBytes);
    return data;
}

// A GSM WAV file holding `blocks` as sox itself would lay it out, for sox to decode.
std::string gsmWav(std::span<const std::uint8_t> blocks) {
    auto le32 = [](std::uint32_t v) {
        std::string s(4, '\0');
        for (int i = 0; i < 4; ++i)
            s[static_cast<std::size_t>(i)] = static_cast<char>(v >> (8 * i));
        return s;
    };
    const std::string fmt(kGsm.begin(), kGsm.end());
    std::string data(blocks.begin(), blocks.end());
    if (data.size() % 2) data.push_back('\0');
    std::string body =
        "WAVEfmt " + le32(20) + fmt + "fact" + le32(4) +
        le32(static_cast<std::uint32_t>(blocks.size() / kBlockBytes * kBlockFrames)) + "data" +
        le32(static_cast<std::uint32_t>(blocks.size())) + data;
    return "RIFF" + le32(static_cast<std::uint32_t>(body.size())) + body;
}

struct Feed {
    const char* name;
    std::size_t frames;
    std::vector<std::size_t> pieces;  // bytes of PCM per conversion, cycled; empty: all at once
};

const Feed kFeeds[] = {
    {"WholeBlocksAtOnce", 10 * kBlockFrames, {}},
    {"TenthsOfASecondLeaveHalfBlocks", 8000, {1600}},
    {"PartialLastBlockInUnevenPieces", 10 * kBlockFrames + 123, {317, 1000, 2, 641, 1, 1279}},
    {"LessThanOneBlock", 100, {}},
};

class GsmEncoder : public ::testing::TestWithParam<Feed> {};

TEST_P(GsmEncoder, WritesTheBytesSoxWrites) {
    const Feed& f = GetParam();
    testsupport::TempDir dir;
    const auto samples = testsupport::sine(440, 0.5, f.frames, 8000);
    const auto ours = convert(kPcm, kGsm, interop::bytesOf(samples), f.pieces);
    const auto sox = soxGsmBlocks(dir, samples);
    ASSERT_EQ(sox.size(), (f.frames + kBlockFrames - 1) / kBlockFrames * kBlockBytes);
    ASSERT_EQ(ours.size(), sox.size());
    EXPECT_TRUE(ours == sox) << "encoded blocks differ from sox's";
}

INSTANTIATE_TEST_SUITE_P(Feeds, GsmEncoder, ::testing::ValuesIn(kFeeds), RowName());

class GsmDecoder : public ::testing::Test {
  protected:
    testsupport::TempDir dir;
    // One second of a 440 Hz sine at half scale, as sox encodes it.
    const std::vector<std::int16_t> original = testsupport::sine(440, 0.5, 8000, 8000);
    const std::vector<std::uint8_t> blocks = soxGsmBlocks(dir, original);

    std::vector<std::int16_t> soxDecoding(std::span<const std::uint8_t> someBlocks) {
        const auto path = dir.file("blocks.wav");
        testsupport::writeFile(path, gsmWav(someBlocks));
        return soxDecode(path);
    }
};

// GSM 6.10 is lossy: a 440 Hz sine comes back at about 25 dB signal to noise.
TEST_F(GsmDecoder, HearsSoxFilesWithinTheCodecsError) {
    const auto decoded = samplesOf(convert(kGsm, kPcm, blocks, {3 * kBlockBytes + 7, 100, 1}));
    ASSERT_EQ(decoded.size(), blocks.size() / kBlockBytes * kBlockFrames);
    EXPECT_GT(snrDb(original, decoded), 24.0);
}

TEST_F(GsmDecoder, HearsWhatSoxHears) {
    const auto ours = samplesOf(convert(kGsm, kPcm, blocks));
    const auto sox = soxDecoding(blocks);
    ASSERT_EQ(ours.size(), sox.size());
    EXPECT_EQ(maxDifference(ours, sox), 0);
}

// Playback from a position restarts the stream at a block boundary: the blocks from there
// decode as a file that begins with them.
TEST_F(GsmDecoder, RestartsCleanlyAtABlockBoundary) {
    const auto stream = aurx::codecs::Manager::standard()->open(kGsm, kPcm);
    ASSERT_TRUE(stream);
    const auto all = convertInPieces(*stream, blocks);  // leaves the stream mid-file
    const auto fromBlock5 = std::span(blocks).subspan(5 * kBlockBytes, 6 * kBlockBytes);
    const auto ours = samplesOf(convertInPieces(*stream, fromBlock5));
    EXPECT_EQ(ours, soxDecoding(fromBlock5));
    EXPECT_FALSE(all.empty());
}

}  // namespace
}  // namespace interop

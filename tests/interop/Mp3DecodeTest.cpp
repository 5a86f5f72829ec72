// Our MP3 decoding of lame's streams, read through the store as DataOnly 2 streams and fed to
// the codec in uneven pieces, against mpg123's own decoding.
#include <gtest/gtest.h>

#include "tests/interop/Peers.h"
#include "tests/interop/RowName.h"
#include "tests/interop/StoreHost.h"
#include "tests/interop/Streams.h"
#include "tests/support/Sound.h"
#include "tests/support/TempDir.h"

namespace interop {
namespace {

struct Mp3 {
    const char* name;
    unsigned rate;
    unsigned channels;
    const char* lameOptions;
    std::size_t junk = 0;  // bytes of junk before the first frame
};

const Mp3 kStreams[] = {
    {"Mono16kConstant", 16000, 1, "--cbr -b 32"},
    {"Mono8kConstant", 8000, 1, "--cbr -b 16"},
    {"Stereo44kConstant", 44100, 2, "--cbr -b 128"},
    {"Mono22kVariable", 22050, 1, "-V 5"},
    {"Stereo48kVariable", 48000, 2, "-V 2"},
    {"Mono16kAfterJunk", 16000, 1, "--cbr -b 32", 333},
    {"Mono8kVariableTagged", 8000, 1, "-V 5 --add-id3v2 --tt Title --ta Artist"},
};

// The stream's data as the store reads it, decoded in pieces as playback feeds the codec.
// The first piece holds several frames; pieces smaller than a frame are the disabled test below.
std::vector<std::int16_t> ourDecoding(const std::string& path,
                                      const std::vector<std::size_t>& pieces = {4000, 417, 3000}) {
    StoreHost host(true);
    auto opened = aurx::store::openFile(request(path, 2, 16, 8000, 1, true), host);
    EXPECT_EQ(opened.code, aurx::ErrorCode::Ok);
    if (!opened.file) return {};
    std::vector<std::uint8_t> data;
    std::vector<std::uint8_t> piece(4096);
    for (std::uint64_t at = 0;;) {
        const auto n = opened.file->read(at, piece);
        EXPECT_GE(n, 0);
        if (n <= 0) break;
        data.insert(data.end(), piece.begin(), piece.begin() + n);
        at += static_cast<std::uint64_t>(n);
    }
    const auto& c = *opened.file->compressed();
    return samplesOf(convert(c.format, c.partner.toBlock(), data, pieces));
}

std::string makeStream(const testsupport::TempDir& dir, const Mp3& m) {
    const auto source = dir.file("source.wav");
    testsupport::writePcm16Wav(source, testsupport::sine(440, 0.5, m.rate * 2, m.rate, m.channels),
                               m.rate, m.channels);
    const auto encoded = dir.file("lame.mp3");
    mustRun("lame", std::string("--quiet ") + m.lameOptions + " " + source + " " + encoded);
    const auto path = dir.file("stream.mp3");
    testsupport::writeFile(path, std::string(m.junk, 'x') + testsupport::readFile(encoded));
    return path;
}

class Mp3Streams : public ::testing::TestWithParam<Mp3> {};

TEST_P(Mp3Streams, DecodeAsMpg123Does) {
    const Mp3& m = GetParam();
    testsupport::TempDir dir;
    const auto path = makeStream(dir, m);
    const auto ours = ourDecoding(path);
    const auto theirs = mpg123Decode(path);
    // The same libmpg123 decodes both ways, so nothing may differ: not the start (the Info
    // frame passed by alike, the encoder's delay kept alike), not the length, not a sample.
    ASSERT_FALSE(theirs.empty());
    EXPECT_EQ(ours.size(), theirs.size());
    EXPECT_EQ(maxDifference(ours, theirs), 0);
}

INSTANTIATE_TEST_SUITE_P(Lame, Mp3Streams, ::testing::ValuesIn(kStreams), RowName());

// A conversion that decodes nothing yet must not copy from the decoder's still empty output
// store (found by the fuzzer).
TEST(Mp3Pieces, DecodeAsMpg123DoesWhenFedLessThanAFrameAtATime) {
    testsupport::TempDir dir;
    const auto path = makeStream(dir, kStreams[0]);
    const auto ours = ourDecoding(path, {50});
    const auto theirs = mpg123Decode(path);
    EXPECT_EQ(ours.size(), theirs.size());
    EXPECT_EQ(maxDifference(ours, theirs), 0);
}

}  // namespace
}  // namespace interop

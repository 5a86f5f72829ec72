// Files we write are read by sox: every kind the control creates, with sample data written
// the way a recording writes it, finalised and closed. sox must report the right encoding and
// length and, where the encoding is exact, decode the very samples we wrote.
#include <gtest/gtest.h>

#include "aurx/HexText.h"
#include "tests/interop/Controls.h"
#include "tests/interop/Peers.h"
#include "tests/interop/RowName.h"
#include "tests/interop/StoreHost.h"
#include "tests/interop/Streams.h"
#include "tests/support/Sound.h"
#include "tests/support/TempDir.h"

namespace interop {
namespace {

using testsupport::chunkData;
using testsupport::le32;
using testsupport::readFile;

constexpr const char* kGsmFormat = "31000100401f0000590600004100000002004001";

struct OurWav {
    const char* name;
    std::int16_t bitsPerSample;
    unsigned rate;
    unsigned channels;
    std::size_t frames;
    const char* soxEncoding;
};

const OurWav kOurWavs[] = {
    {"Pcm8MonoOddLength", 8, 8000, 1, 801, "8-bit Unsigned Integer PCM"},
    {"Pcm8Stereo", 8, 22050, 2, 2205, "8-bit Unsigned Integer PCM"},
    {"Pcm16Mono", 16, 8000, 1, 800, "16-bit Signed Integer PCM"},
    {"Pcm16Stereo", 16, 44100, 2, 4410, "16-bit Signed Integer PCM"},
    {"ALawMonoOddLength", 106, 8000, 1, 801, "8-bit A-law"},
    {"ALawStereo", 106, 16000, 2, 1600, "8-bit A-law"},
    {"MuLawMono", 107, 8000, 1, 800, "8-bit u-law"},
    {"MuLawStereo", 107, 11025, 2, 1103, "8-bit u-law"},
    {"GsmEvenBlocks", 100, 8000, 1, 3200, "GSM"},
    {"GsmOddBlocks", 100, 8000, 1, 960, "GSM"},
};

std::vector<std::uint8_t> unsigned8(const std::vector<std::int16_t>& samples) {
    std::vector<std::uint8_t> out;
    for (auto s : samples)
        out.push_back(static_cast<std::uint8_t>((s >> 8) + 128));
    return out;
}

// The format of the file's sample data, and the 16-bit PCM it converts to and from.
aurx::codecs::FormatBlock codedFormat(const aurx::store::AudioFile& file) {
    return file.compressed() ? file.compressed()->format : file.fileFormat().toBlock();
}
aurx::codecs::FormatBlock linear16(const aurx::store::AudioFile& file) {
    const auto& f = file.fileFormat();
    return aurx::codecs::WaveFormat::pcm(f.samplesPerSec, f.channels, 16).toBlock();
}

// The sample data of `samples` in the file's encoding, through the codecs where it has one.
std::vector<std::uint8_t> encodeFor(const aurx::store::AudioFile& file,
                                    const std::vector<std::int16_t>& samples) {
    if (file.encoding() == aurx::store::Encoding::Pcm)
        return file.fileFormat().bitsPerSample == 8 ? unsigned8(samples) : bytesOf(samples);
    return convert(linear16(file), codedFormat(file), bytesOf(samples));
}

// Writes the data in pieces of about a tenth of a second of whole blocks, as a recording does,
// then finalises and closes.
void writeAndClose(aurx::store::AudioFile& file, const std::vector<std::uint8_t>& data) {
    const auto block =
        file.compressed() ? file.compressed()->wave().blockAlign : file.fileFormat().blockAlign;
    const auto avg = file.compressed() ? file.compressed()->wave().avgBytesPerSec
                                       : file.fileFormat().avgBytesPerSec;
    const std::size_t piece = std::max<std::size_t>(1, avg / 10 / block) * block;
    for (std::size_t at = 0; at < data.size(); at += piece) {
        const std::size_t n = std::min(piece, data.size() - at);
        ASSERT_TRUE(file.write(std::span(data).subspan(at, n), file.framesOfBytes(n), true));
    }
    ASSERT_TRUE(file.finaliseAfterRecording());
    ASSERT_TRUE(file.close());
}

void prepare(aurx::AURX300Ctrl& control, const OurWav& w) {
    ASSERT_EQ(control.Reset(), 0);
    if (w.bitsPerSample == 100) {
        ASSERT_TRUE(control.put_AcmFormat(aurx::Variant(kGsmFormat)).ok());
    } else {
        ASSERT_TRUE(control.put_SampleRate(static_cast<std::int32_t>(w.rate)).ok());
        ASSERT_TRUE(control.put_NumChannels(static_cast<std::int16_t>(w.channels)).ok());
    }
    ASSERT_TRUE(control.put_BitsPerSample(w.bitsPerSample).ok());
}

// A file the control created and closed empty, then filled through the store as an open of an
// existing file would be: the control keeps its own open file to itself.
void writeAfterControlCreated(const std::string& path, const OurWav& w,
                              const std::vector<std::int16_t>& samples) {
    auto control = makeControl();
    prepare(*control, w);
    ASSERT_EQ(control->OpenNewFile(path), 0);
    ASSERT_EQ(control->Reset(), 0);
    StoreHost host;
    auto opened = aurx::store::openFile(
        request(path, 0, w.bitsPerSample, w.rate, static_cast<std::uint16_t>(w.channels)), host);
    ASSERT_EQ(opened.code, aurx::ErrorCode::Ok);
    ASSERT_EQ(opened.file->numSamples(), 0);
    writeAndClose(*opened.file, encodeFor(*opened.file, samples));
}

// A file created and written in one go, as a recording into a new file is.
void writeFreshlyCreated(const std::string& path, const OurWav& w,
                         const std::vector<std::int16_t>& samples) {
    StoreHost host;
    if (w.bitsPerSample == 100) {
        host.setFormat(*aurx::formats::fromHex(kGsmFormat));
    }
    auto created = aurx::store::createFile(
        request(path, 0, w.bitsPerSample, w.rate, static_cast<std::uint16_t>(w.channels)), host);
    ASSERT_EQ(created.code, aurx::ErrorCode::Ok);
    writeAndClose(*created.file, encodeFor(*created.file, samples));
}

class OurWavFiles : public ::testing::TestWithParam<OurWav> {};

TEST_P(OurWavFiles, SoxReadsTheirEncodingLengthAndSamples) {
    const OurWav& w = GetParam();
    testsupport::TempDir dir;
    const auto samples = testsupport::sine(440, 0.5, w.frames, w.rate, w.channels);
    const auto afterControl = dir.file("control.wav");
    const auto fresh = dir.file("fresh.wav");
    writeAfterControlCreated(afterControl, w, samples);
    writeFreshlyCreated(fresh, w, samples);
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_EQ(readFile(afterControl), readFile(fresh)) << "the two ways to write differ";

    const SoxInfo info = soxInfo(afterControl);
    EXPECT_EQ(info.encoding, w.soxEncoding);
    EXPECT_EQ(info.channels, w.channels);
    EXPECT_EQ(info.rate, w.rate);
    EXPECT_EQ(info.samples, w.frames);

    const std::string bytes = readFile(afterControl);
    EXPECT_EQ(le32(bytes, 4), bytes.size() - 8) << "RIFF size";
    const std::string fact = chunkData(bytes, "fact");
    if (w.bitsPerSample == 8 || w.bitsPerSample == 16) {
        EXPECT_TRUE(fact.empty()) << "PCM files carry no fact chunk";
    } else {
        ASSERT_EQ(fact.size(), 4u);
        EXPECT_EQ(le32(fact, 0), w.frames);
    }

    const auto decoded = soxDecode(afterControl);
    ASSERT_EQ(decoded.size(), w.frames * w.channels);
    const std::string data = chunkData(bytes, "data");
    const std::vector<std::uint8_t> dataBytes(data.begin(), data.end());
    switch (w.bitsPerSample) {
        case 16:
            EXPECT_EQ(decoded, samples);
            break;
        case 8:
            for (std::size_t i = 0; i < decoded.size(); ++i)
                ASSERT_EQ(decoded[i], (dataBytes[i] - 128) * 256) << "sample " << i;
            break;
        default: {
            // Companded and compressed: sox hears what our decoder hears, close to the original.
            StoreHost host(true);
            auto opened = aurx::store::openFile(request(afterControl, 0, 16, 8000, 1, true), host);
            ASSERT_EQ(opened.code, aurx::ErrorCode::Ok);
            const auto ours =
                samplesOf(convert(codedFormat(*opened.file), linear16(*opened.file), dataBytes));
            EXPECT_EQ(maxDifference(decoded, ours), 0);
            // GSM settles during its first block; a short file measures after it.
            const std::size_t settle = w.bitsPerSample == 100 ? 320 : 0;
            const std::vector<std::int16_t> original(samples.begin() + settle, samples.end());
            const std::vector<std::int16_t> heard(decoded.begin() + settle, decoded.end());
            EXPECT_GT(snrDb(original, heard), w.bitsPerSample == 100 ? 20 : 35);
        }
    }
}

// Reopened by the control, our files have the length and format we wrote.
TEST_P(OurWavFiles, ReopenWithTheLengthWritten) {
    const OurWav& w = GetParam();
    testsupport::TempDir dir;
    const auto path = dir.file("ours.wav");
    writeAfterControlCreated(path, w, testsupport::sine(440, 0.5, w.frames, w.rate, w.channels));
    ASSERT_FALSE(HasFatalFailure());
    auto control = makeControl();
    ASSERT_EQ(openExisting(*control, path), 0);
    EXPECT_EQ(control->get_NumSamples(), static_cast<std::int32_t>(w.frames));
    EXPECT_EQ(control->get_BitsPerSample(), w.bitsPerSample);
    EXPECT_EQ(control->get_SampleRate(), static_cast<std::int32_t>(w.rate));
    EXPECT_EQ(control->get_NumChannels(), static_cast<std::int16_t>(w.channels));
}

INSTANTIATE_TEST_SUITE_P(Control, OurWavFiles, ::testing::ValuesIn(kOurWavs), RowName());

}  // namespace
}  // namespace interop

// The compression format property, its installation checks, the chooser and descriptions.
#include <gtest/gtest.h>

#include "aurx/AURX300Ctrl.h"
#include "aurx/FormatChooser.h"
#include "aurx/HexText.h"
#include "tests/recorder/FakeDevices.h"
#include "tests/support/TempDir.h"

using aurx::AURX300Ctrl;
using aurx::ByteArray;
using aurx::Variant;
using testsupport::FakeDevices;

namespace {

const std::string kGsm = "31000100401f0000590600004100000002004001";

std::vector<std::uint8_t> bytesOf(const Variant& v) {
    const auto* b = v.bytes();
    return b ? b->data : std::vector<std::uint8_t>{};
}

std::vector<std::uint8_t> hex(const std::string& s) {
    return *aurx::formats::fromHex(s);
}

struct Fixture {
    std::shared_ptr<FakeDevices> devices = std::make_shared<FakeDevices>();
    AURX300Ctrl control{testsupport::environmentWith(devices)};
};

// A 30-byte MPEG Layer-3 block: 16 kbit/s mono at 8 kHz.
const std::string kMp3 =
    "55000100401f0000d007000001000000"
    "0c00"
    "0100"
    "02000000"
    "9000"
    "0100"
    "7105";

class ScriptedChooser : public aurx::formats::FormatChooser {
  public:
    std::optional<std::vector<std::uint8_t>> answer;
    std::vector<aurx::formats::ChooserRequest> requests;
    std::optional<std::vector<std::uint8_t>> choose(
        const aurx::formats::ChooserRequest& r) override {
        requests.push_back(r);
        return answer;
    }
};

}  // namespace

TEST(AcmFormat, TextInEitherCaseStoresTheSameBytes) {
    Fixture f;
    std::string upper = kGsm;
    for (auto& ch : upper)
        ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    ASSERT_TRUE(f.control.put_AcmFormat(Variant(upper)));
    const auto stored = bytesOf(f.control.get_AcmFormat());
    EXPECT_EQ(stored, hex(kGsm));
    const Variant value = f.control.get_AcmFormat();
    const auto* array = value.bytes();
    ASSERT_TRUE(array);
    ASSERT_EQ(array->dimensions(), 1u);
    EXPECT_EQ(array->bounds[0].lowerBound, 0);
}

TEST(AcmFormat, BadTextIsRefusedWithItsMessage) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {std::string(21, '0'), "ACM Format string must have an even number of characters"},
        {std::string(1026, '0'), "ACM Format string must be 1024 characters or less"},
        {"3g", "ACM Format string contains non-hex characters"},
    };
    for (const auto& [text, message] : cases) {
        Fixture f;
        ASSERT_TRUE(f.control.put_AcmFormat(Variant(kGsm)));
        const auto r = f.control.put_AcmFormat(Variant(text));
        ASSERT_FALSE(r.ok()) << text.size();
        EXPECT_EQ(r.error().description, message);
        EXPECT_EQ(bytesOf(f.control.get_AcmFormat()), hex(kGsm)) << "the stored block is untouched";
    }
}

TEST(AcmFormat, OnlyStringsAndOneDimensionalByteArraysAreFormats) {
    Fixture f;
    auto r = f.control.put_AcmFormat(Variant(std::int32_t{5}));
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error().description, "ACM format must be a string or a vector of bytes");
    ByteArray square = ByteArray::vector(hex(kGsm));
    square.bounds = {{4, 0}, {5, 0}};
    r = f.control.put_AcmFormat(Variant(square));
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error().description, "ACM format must be a one-dimensional array");
    EXPECT_TRUE(f.control.put_AcmFormat(Variant()).ok()) << "empty changes nothing";
    Variant text(kGsm);
    Variant reference = Variant::byRef(&text);
    EXPECT_TRUE(f.control.put_AcmFormat(reference).ok());
    EXPECT_EQ(bytesOf(f.control.get_AcmFormat()), hex(kGsm));
    // A 17-byte array is ignored, and so is text of fewer than 18 bytes.
    EXPECT_TRUE(
        f.control.put_AcmFormat(Variant(ByteArray::vector(std::vector<std::uint8_t>(17, 0x55))))
            .ok());
    EXPECT_TRUE(f.control.put_AcmFormat(Variant(std::string("55000100"))).ok());
    EXPECT_EQ(bytesOf(f.control.get_AcmFormat()), hex(kGsm));
}

TEST(AcmFormat, StorageOnlyGrows) {
    Fixture f;
    ASSERT_TRUE(f.control.put_AcmFormat(Variant(ByteArray::vector(hex(kMp3)))));
    ASSERT_EQ(bytesOf(f.control.get_AcmFormat()).size(), 30u);
    ASSERT_TRUE(f.control.put_AcmFormat(Variant(kGsm)));
    const auto stored = bytesOf(f.control.get_AcmFormat());
    ASSERT_EQ(stored.size(), 30u);
    EXPECT_EQ(std::vector<std::uint8_t>(stored.begin(), stored.begin() + 20), hex(kGsm));
    const auto mp3 = hex(kMp3);
    EXPECT_EQ(std::vector<std::uint8_t>(stored.begin() + 20, stored.end()),
              std::vector<std::uint8_t>(mp3.begin() + 20, mp3.end()));
}

TEST(AcmFormat, BeforeAnyFormatThereIsNone) {
    Fixture f;
    testsupport::TempDir dir;
    EXPECT_EQ(bytesOf(f.control.get_AcmFormat()), std::vector<std::uint8_t>{0});
    std::string text;
    std::int16_t code = -1;
    ASSERT_TRUE(f.control.GetAcmFormatAsString(&text, &code));
    EXPECT_EQ(text, "[Not Set]");
    EXPECT_EQ(code, 0);
    ASSERT_TRUE(f.control.put_BitsPerSample(100));
    EXPECT_EQ(f.control.OpenNewFile(dir.file("x.wav")), 17);
}

TEST(AcmFormat, DescriptionsNameTheTagAndTheParameters) {
    Fixture f;
    std::string text;
    std::int16_t code = -1;
    ASSERT_TRUE(f.control.GetCurrentFormatAsString(&text, &code));
    EXPECT_EQ(text, "[Unavailable]");
    EXPECT_EQ(code, 7);
    EXPECT_EQ(f.control.get_LastError(), 7);
    ASSERT_TRUE(f.control.put_AcmFormat(Variant(kGsm)));
    ASSERT_TRUE(f.control.GetAcmFormatAsString(&text, &code));
    EXPECT_EQ(text, "GSM 6.10: 8.000 kHz, Mono");
    EXPECT_EQ(code, 0);
    // A tag no codec knows has no description.
    ASSERT_TRUE(
        f.control.put_AcmFormat(Variant(std::string("ff00010040"
                                                    "1f0000401f0000010000000000"))));
    ASSERT_TRUE(f.control.GetAcmFormatAsString(&text, &code));
    EXPECT_EQ(text, "[Unavailable]");
    EXPECT_EQ(code, 16);
    // Without a place for the text the call is refused.
    const auto r = f.control.GetAcmFormatAsString(nullptr, &code);
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error().description, "All parameters are mandatory");
    EXPECT_FALSE(f.control.GetCurrentFormatAsString(nullptr, &code).ok());
}

TEST(AcmFormat, InstallationAsksTheChosenDevicesAndTheCodecs) {
    testsupport::TempDir dir;
    // Devices that take nothing: the format still reads back, but a file cannot use it.
    Fixture f;
    f.devices->acceptInput = [](int, const aurx::codecs::WaveFormat&) { return false; };
    ASSERT_TRUE(f.control.Reset() == 1);
    ASSERT_TRUE(f.control.put_AcmFormat(Variant(kGsm)));
    EXPECT_EQ(bytesOf(f.control.get_AcmFormat()), hex(kGsm));
    ASSERT_TRUE(f.control.put_BitsPerSample(100));
    EXPECT_EQ(f.control.OpenNewFile(dir.file("a.wav")), 5);
    // Play-only: no device and no codec question at all.
    Fixture p;
    p.devices->acceptInput = [](int, const aurx::codecs::WaveFormat&) { return false; };
    ASSERT_TRUE(p.control.put_PlayOnly(1));
    p.devices->questions = 0;
    ASSERT_TRUE(p.control.put_AcmFormat(Variant(kGsm)));
    EXPECT_EQ(p.devices->questions, 0);
    // The chosen devices are asked, about the linear partner.
    Fixture d;
    ASSERT_TRUE(d.control.put_RecordDevice(1));
    std::vector<std::pair<int, aurx::codecs::WaveFormat>> asked;
    d.devices->acceptInput = [&asked](int device, const aurx::codecs::WaveFormat& format) {
        asked.emplace_back(device, format);
        return true;
    };
    ASSERT_TRUE(d.control.put_AcmFormat(Variant(kGsm)));
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].first, 1);
    EXPECT_EQ(asked[0].second, aurx::codecs::WaveFormat::pcm(8000, 1, 16));
    d.devices->acceptInput = [](int, const aurx::codecs::WaveFormat&) { return true; };
}

TEST(AcmFormat, ACodecFileTakesItsRateAndChannelsFromTheFormat) {
    testsupport::TempDir dir;
    Fixture f;
    ASSERT_TRUE(f.control.put_BitsPerSample(100));
    ASSERT_TRUE(f.control.put_SampleRate(44100));
    ASSERT_TRUE(f.control.put_NumChannels(2));
    ASSERT_TRUE(f.control.put_RecordTimeLimit(2));
    ASSERT_TRUE(f.control.put_AcmFormat(Variant(kGsm)));
    ASSERT_EQ(f.control.OpenNewFile(dir.file("call.wav")), 0);
    EXPECT_EQ(f.control.get_SampleRate(), 8000);
    EXPECT_EQ(f.control.get_NumChannels(), 1);
    EXPECT_EQ(f.control.get_BitsPerSample(), 100);
    EXPECT_EQ(f.control.get_RecordLimit(), 16000);
    std::string text;
    std::int16_t code = -1;
    ASSERT_TRUE(f.control.GetCurrentFormatAsString(&text, &code));
    EXPECT_EQ(text, "GSM 6.10: 8.000 kHz, Mono");
}

TEST(AcmFormat, TheChooserIsOptionalAndCancellingChangesNothing) {
    Fixture f;
    EXPECT_EQ(f.control.ChooseAcmFormat(0, "Pick"), 15) << "no chooser in this host";
    auto chooser = std::make_shared<ScriptedChooser>();
    f.control.setFormatChooser(chooser);
    ASSERT_TRUE(f.control.put_AcmFormat(Variant(kGsm)));
    EXPECT_EQ(f.control.ChooseSpecificAcmFormat(7, "Pick a GSM format", 49), 15);
    ASSERT_EQ(chooser->requests.size(), 1u);
    EXPECT_EQ(chooser->requests[0].owner, 7);
    EXPECT_EQ(chooser->requests[0].title, "Pick a GSM format");
    EXPECT_EQ(chooser->requests[0].tagFilter, 49);
    EXPECT_EQ(chooser->requests[0].bufferSize, 30u) << "the largest format (MPEG Layer-3)";
    EXPECT_TRUE(chooser->requests[0].initial.empty()) << "a 20-byte text block does not qualify";
    EXPECT_EQ(bytesOf(f.control.get_AcmFormat()), hex(kGsm));

    // The request offers what the control's codecs offer, every tag (filtering is the
    // chooser's), so that a chooser needs no codec layer of its own.
    const auto codecs = aurx::codecs::Manager::standard();
    const auto& offered = chooser->requests[0].installed;
    ASSERT_EQ(offered.size(), codecs->tags().size());
    for (std::size_t i = 0; i < offered.size(); ++i) {
        const auto tag = codecs->tags()[i];
        EXPECT_EQ(offered[i].tag, tag);
        EXPECT_EQ(offered[i].name, codecs->tagName(tag));
        const auto blocks = codecs->formats(tag);
        ASSERT_EQ(offered[i].formats.size(), blocks.size()) << "tag " << tag;
        for (std::size_t k = 0; k < blocks.size(); ++k) {
            EXPECT_EQ(offered[i].formats[k].block, blocks[k]);
            EXPECT_EQ(offered[i].formats[k].description, codecs->describe(blocks[k]));
        }
    }
}

TEST(AcmFormat, AChosenMpegFormatGetsItsExtraSizeAndOpensTheNextChoice) {
    Fixture f;
    auto chooser = std::make_shared<ScriptedChooser>();
    f.control.setFormatChooser(chooser);
    auto answer = hex(kMp3);
    answer[16] = 0;  // a chooser that did not fill in the extra size
    chooser->answer = answer;
    ASSERT_EQ(f.control.ChooseAcmFormat(0, ""), 0);
    const auto stored = bytesOf(f.control.get_AcmFormat());
    ASSERT_EQ(stored.size(), 30u);
    EXPECT_EQ(stored[16], 12);
    EXPECT_EQ(f.control.ChooseAcmFormat(0, ""), 0);
    ASSERT_EQ(chooser->requests.size(), 2u);
    EXPECT_EQ(chooser->requests[1].initial, stored) << "a chosen block opens the next choice";
    // A confirmed format the checks reject gives 5.
    chooser->answer =
        hex("3100020040"
            "1f0000590600004100000002004001"
            "00000000000000000000");
    EXPECT_EQ(f.control.ChooseAcmFormat(0, ""), 5);
}

TEST(AcmFormat, ALargestFormatSizeIsNeededToChoose) {
    auto env = testsupport::environmentWith(std::make_shared<FakeDevices>());
    env.codecs = std::make_shared<aurx::codecs::Manager>(
        std::vector<std::unique_ptr<aurx::codecs::Driver>>{});
    AURX300Ctrl c(env);
    c.setFormatChooser(std::make_shared<ScriptedChooser>());
    EXPECT_EQ(c.ChooseAcmFormat(0, ""), 14);
}

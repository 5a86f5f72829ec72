// The design-time stream and its storage file: the layout byte for byte, loading through the
// setters with its stops, and damaged input that must fail without reading past the end.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <bit>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>

#include "aurx/AURX300Ctrl.h"
#include "aurx/HexText.h"
#include "aurx/Persistence.h"
#include "tests/recorder/FakeDevices.h"
#include "tests/support/TempDir.h"

using aurx::AURX300Ctrl;
using aurx::Variant;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes hex(const std::string& s) {
    return *aurx::formats::fromHex(s);
}

std::unique_ptr<AURX300Ctrl> newControl() {
    return std::make_unique<AURX300Ctrl>(
        testsupport::environmentWith(std::make_shared<testsupport::FakeDevices>()));
}

// The stream the application keeps for the recording control on its main window.
const Bytes kMainWindow =
    hex("00030000"
        "c00a0000"
        "84000000"
        "13000f000080"
        "130000800000"
        "1300ffff0000"
        "1300ff000000"
        "02001400"
        "02000000"
        "02000000"
        "0300401f0000"
        "02000100"
        "02000800"
        "040000000000"
        "040000000000"
        "05000000000000000000");

// Where each property's type code starts, in stream order.
constexpr std::size_t kItemOffsets[] = {12, 18, 24, 30, 36, 40, 44, 48, 54, 58, 62, 68, 74};
constexpr std::size_t kStreamSize = 84;

std::vector<Variant> propertiesOf(const AURX300Ctrl& c) {
    return {c.get_BackColor(),      c.get_LowColor(),        c.get_MidColor(),
            c.get_HighColor(),      c.get_NumSegments(),     c.get_Orientation(),
            c.get_Style(),          c.get_SampleRate(),      c.get_NumChannels(),
            c.get_BitsPerSample(),  c.get_PreToneDuration(), c.get_PostToneDuration(),
            c.get_RecordTimeLimit()};
}

// A control with no property at its default, so that a load shows which values it took.
std::unique_ptr<AURX300Ctrl> configuredControl() {
    auto c = newControl();
    c->setExtent(3000, 400);
    const bool ok = c->put_BackColor(0x00102030).ok() && c->put_LowColor(0x00405060).ok() &&
                    c->put_MidColor(0x00708090).ok() && c->put_HighColor(0x00A0B0C0).ok() &&
                    c->put_NumSegments(12).ok() && c->put_Orientation(2).ok() &&
                    c->put_Style(1).ok() && c->put_SampleRate(22050).ok() &&
                    c->put_NumChannels(1).ok() && c->put_BitsPerSample(107).ok() &&
                    c->put_PreToneDuration(0.25f).ok() && c->put_PostToneDuration(1.5f).ok() &&
                    c->put_RecordTimeLimit(90.5).ok();
    EXPECT_TRUE(ok);
    return c;
}

void expectLoadedUpTo(const AURX300Ctrl& loaded, std::size_t items, const std::string& why) {
    const auto from = propertiesOf(*configuredControl());
    const auto defaults = propertiesOf(*newControl());
    const auto got = propertiesOf(loaded);
    for (std::size_t i = 0; i < got.size(); ++i)
        EXPECT_EQ(got[i], i < items ? from[i] : defaults[i]) << why << ", property " << i;
}

}  // namespace

TEST(DesignState, TheMainWindowsStreamLoadsAndSavesBackByteForByte) {
    auto c = newControl();
    ASSERT_TRUE(aurx::loadDesignState(*c, kMainWindow));
    EXPECT_EQ(c->extentWidth(), 2752);
    EXPECT_EQ(c->extentHeight(), 132);
    const std::vector<Variant> expected = {std::uint32_t{0x8000000F},
                                           std::uint32_t{0x00008000},
                                           std::uint32_t{0x0000FFFF},
                                           std::uint32_t{0x000000FF},
                                           std::int16_t{20},
                                           std::int16_t{0},
                                           std::int16_t{0},
                                           std::int32_t{8000},
                                           std::int16_t{1},
                                           std::int16_t{8},
                                           0.0f,
                                           0.0f,
                                           0.0};
    EXPECT_EQ(propertiesOf(*c), expected);
    EXPECT_EQ(aurx::saveDesignState(*c), kMainWindow);
    ASSERT_TRUE(c->put_PreRollTime(2.5f));
    EXPECT_EQ(aurx::saveDesignState(*c), kMainWindow) << "PreRollTime is not a design property";
}

TEST(DesignState, ANewControlSavesItsExtentAndDefaults) {
    const Bytes expected =
        hex("00030000"
            "d8130000"
            "9d060000"
            "13000f000080"
            "130000ff0000"
            "1300ffff0000"
            "1300ff000000"
            "02000800"
            "02000000"
            "02000000"
            "030044ac0000"
            "02000200"
            "02001000"
            "040000000000"
            "040000000000"
            "05000000000000000000");
    EXPECT_EQ(aurx::saveDesignState(*newControl()), expected);
}

TEST(DesignState, EveryValueComesBackThroughTheSetters) {
    const auto saved = aurx::saveDesignState(*configuredControl());
    auto c = newControl();
    ASSERT_TRUE(aurx::loadDesignState(*c, saved));
    EXPECT_EQ(c->extentWidth(), 3000);
    EXPECT_EQ(c->extentHeight(), 400);
    expectLoadedUpTo(*c, 13, "all loaded");
    EXPECT_EQ(c->get_RecordLimit(), static_cast<std::int32_t>(90.5 * 22050 + 0.5))
        << "the limit in frames follows the loaded rate";
    EXPECT_EQ(aurx::saveDesignState(*c), saved);

    Bytes longer = saved;
    longer.insert(longer.end(), {0xde, 0xad, 0xbe, 0xef});
    EXPECT_TRUE(aurx::loadDesignState(*newControl(), longer))
        << "what follows the stream belongs to the host";
}

TEST(DesignState, OnlyVersionsUpToOursLoad) {
    const std::vector<std::pair<std::uint32_t, bool>> cases = {
        {768, true}, {767, true}, {769, false}, {0x80000000, false}, {0xFFFFFFFF, false}};
    for (const auto& [version, loads] : cases) {
        Bytes stream = kMainWindow;
        for (int i = 0; i < 4; ++i)
            stream[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(version >> (8 * i));
        auto c = newControl();
        EXPECT_EQ(aurx::loadDesignState(*c, stream), loads) << version;
        if (loads) continue;
        EXPECT_EQ(c->extentWidth(), 5080) << version;
        EXPECT_EQ(c->extentHeight(), 1693) << version;
        EXPECT_EQ(propertiesOf(*c), propertiesOf(*newControl())) << "nothing set, " << version;
    }
}

TEST(DesignState, NumSegments25LoadsTheColoursAndStops) {
    Bytes stream = kMainWindow;
    stream[38] = 25;
    auto c = newControl();
    EXPECT_FALSE(aurx::loadDesignState(*c, stream));
    EXPECT_EQ(c->get_LowColor(), 0x00008000u) << "the colours before it are loaded";
    EXPECT_EQ(c->extentWidth(), 2752);
    EXPECT_EQ(c->get_NumSegments(), 8);
    EXPECT_EQ(c->get_SampleRate(), 44100) << "the rest keep their defaults";
}

TEST(DesignState, ARefusedValueOrAWrongTypeStopsTheLoadAtThatProperty) {
    struct Case {
        std::size_t item;
        std::string value;  // hex of the refused value
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const auto r4 = [](float f) {
        const auto u = std::bit_cast<std::uint32_t>(f);
        char text[9];
        std::snprintf(text, sizeof text, "%02x%02x%02x%02x", u & 0xFF, (u >> 8) & 0xFF,
                      (u >> 16) & 0xFF, u >> 24);
        return std::string(text);
    };
    const std::vector<Case> refused = {
        {4, "1900"},               // NumSegments 25
        {5, "0400"},               // Orientation 4
        {6, "0200"},               // Style 2
        {7, "581b0000"},           // SampleRate 7000
        {8, "0300"},               // NumChannels 3
        {9, "0c00"},               // BitsPerSample 12
        {10, r4(-1.0f)},           // PreToneDuration
        {11, r4(nan)},             // PostToneDuration
        {12, "000000000000e0bf"},  // RecordTimeLimit -0.5
    };
    const auto saved = aurx::saveDesignState(*configuredControl());
    for (const auto& [item, value] : refused) {
        Bytes stream = saved;
        const auto v = hex(value);
        std::copy(v.begin(), v.end(), stream.begin() + static_cast<long>(kItemOffsets[item] + 2));
        auto c = newControl();
        EXPECT_FALSE(aurx::loadDesignState(*c, stream)) << "refused item " << item;
        expectLoadedUpTo(*c, item, "refused item " + std::to_string(item));
    }
    // A type code other than the property's own: I2 where I4 or a colour is kept, I4
    // elsewhere, and a string where a colour is.
    for (std::size_t item = 0; item < 13; ++item) {
        const int otherNumber = item == 7 || item < 4 ? 2 : 3;
        for (const int code : {otherNumber, 8}) {
            Bytes stream = saved;
            stream[kItemOffsets[item]] = static_cast<std::uint8_t>(code);
            auto c = newControl();
            EXPECT_FALSE(aurx::loadDesignState(*c, stream)) << "item " << item << " code " << code;
            expectLoadedUpTo(*c, item, "wrong type at item " + std::to_string(item));
        }
    }
}

TEST(DesignState, ShortStreamsFailWithoutReadingPastTheirEnd) {
    const auto saved = aurx::saveDesignState(*configuredControl());
    ASSERT_EQ(saved.size(), kStreamSize);
    for (std::size_t length = 0; length < kStreamSize; ++length) {
        // A copy of exactly this length, so the sanitizer sees any read beyond it.
        const Bytes cut(saved.begin(), saved.begin() + static_cast<long>(length));
        auto c = newControl();
        EXPECT_FALSE(aurx::loadDesignState(*c, cut)) << length;
        EXPECT_EQ(c->extentWidth(), length >= 12 ? 3000 : 5080) << length;
        std::size_t whole = 0;
        while (whole < 13 && (whole == 12 ? kStreamSize : kItemOffsets[whole + 1]) <= length)
            ++whole;
        expectLoadedUpTo(*c, whole, "cut at " + std::to_string(length));
    }
}

TEST(DesignStorage, KeepsTheStreamAsContentsAndLoadsItBack) {
    testsupport::TempDir dir;
    const auto file = dir.file("form.aurx");
    const auto saved = aurx::saveDesignState(*configuredControl());
    ASSERT_TRUE(aurx::saveDesignStorage(*configuredControl(), file));

    Bytes expected = {'A', 'U', 'R', 'X', 'S', 'T', 'G', '1', 1,   0,           0, 0, 8,
                      0,   'C', 'o', 'n', 't', 'e', 'n', 't', 's', kStreamSize, 0, 0, 0};
    expected.insert(expected.end(), saved.begin(), saved.end());
    const auto text = testsupport::readFile(file);
    EXPECT_EQ(Bytes(text.begin(), text.end()), expected);

    auto c = newControl();
    ASSERT_TRUE(aurx::loadDesignStorage(*c, file));
    EXPECT_EQ(aurx::saveDesignState(*c), saved);

    // Saving again replaces the file and leaves nothing else beside it.
    ASSERT_TRUE(aurx::saveDesignStorage(*newControl(), file));
    auto d = configuredControl();
    ASSERT_TRUE(aurx::loadDesignStorage(*d, file));
    EXPECT_EQ(aurx::saveDesignState(*d), aurx::saveDesignState(*newControl()));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                            std::filesystem::directory_iterator{}),
              1);

    EXPECT_FALSE(aurx::saveDesignStorage(*d, dir.file("missing/form.aurx")));
}

TEST(DesignStorage, DamagedOrForeignFilesDoNotLoad) {
    testsupport::TempDir dir;
    const auto stream = aurx::saveDesignState(*configuredControl());
    ASSERT_TRUE(aurx::saveDesignStorage(*configuredControl(), dir.file("good")));
    const std::string good = testsupport::readFile(dir.file("good"));
    const std::string header = good.substr(0, 26);  // up to the stream's length
    std::string later = good;
    later[26] = 1;  // version 769
    std::string otherName = good;
    otherName[14] = 'c';  // "contents" is another stream
    std::string longStream = good;
    longStream[22] = static_cast<char>(kStreamSize + 1);
    const std::vector<std::pair<std::string, std::string>> files = {
        {"empty", ""},
        {"not a storage", std::string(stream.begin(), stream.end())},
        {"only the magic", "AURXSTG1"},
        {"no streams", std::string("AURXSTG1") + std::string(4, '\0')},
        {"other stream", otherName},
        {"stream longer than the file", longStream},
        {"name longer than the file", std::string("AURXSTG1\1\0\0\0\xff\xff", 14)},
        {"cut after the length", header},
        {"later version", later},
    };
    for (const auto& [name, bytes] : files) {
        const auto file = dir.file("case");
        testsupport::writeFile(file, bytes);
        auto c = newControl();
        EXPECT_FALSE(aurx::loadDesignStorage(*c, file)) << name;
    }
    auto c = newControl();
    EXPECT_FALSE(aurx::loadDesignStorage(*c, dir.file("missing"))) << "missing file";
    EXPECT_FALSE(aurx::loadDesignStorage(*c, dir.path())) << "a folder";
    EXPECT_EQ(aurx::saveDesignState(*c), aurx::saveDesignState(*newControl()));
}

TEST(DesignStorage, OnlyRegularFilesAreReadAndNothingIsSetFromOthers) {
    testsupport::TempDir dir;
    const auto fifo = dir.file("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const auto huge = dir.file("huge");
    testsupport::writeFile(huge, "");
    std::filesystem::resize_file(huge, 2 << 20);  // far larger than any stream
    const auto stream = aurx::saveDesignState(*configuredControl());
    const auto streamFile = dir.file("stream");
    testsupport::writeFile(streamFile, std::string(stream.begin(), stream.end()));
    const auto link = dir.file("link");
    std::filesystem::create_symlink(streamFile, link);
    // A FIFO with no writer would block, /dev/zero never ends, a folder cannot be read.
    for (const std::string& file : {dir.path(), fifo, std::string("/dev/zero"), huge}) {
        auto c = newControl();
        EXPECT_FALSE(aurx::loadDesignStateFile(*c, file)) << file;
        EXPECT_FALSE(aurx::loadDesignStorage(*c, file)) << file;
        EXPECT_EQ(aurx::saveDesignState(*c), aurx::saveDesignState(*newControl())) << file;
    }
    auto c = newControl();
    EXPECT_TRUE(aurx::loadDesignStateFile(*c, link)) << "a link to a regular file is read";
    EXPECT_EQ(aurx::saveDesignState(*c), stream);
}

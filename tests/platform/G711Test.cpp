#include <gtest/gtest.h>

#include "platform/codecs/G711.h"

using namespace aurx::codecs::g711;

TEST(G711, SilenceAndTheReferenceCodes) {
    EXPECT_EQ(linearToALaw(0), 0xD5);
    EXPECT_EQ(linearToMuLaw(0), 0xFF);
    EXPECT_EQ(aLawToLinear(0xD5), 8);
    EXPECT_EQ(muLawToLinear(0xFF), 0);
    EXPECT_EQ(linearToALaw(32767), 0xAA);  // the positive end of the last segment
    EXPECT_EQ(linearToALaw(-32768), 0x2A);
    EXPECT_EQ(linearToMuLaw(32767), 0x80);
    EXPECT_EQ(linearToMuLaw(-32768), 0x00);
}

TEST(G711, TinyNegativeSamplesStayTiny) {
    for (int s = -8; s < 0; ++s)
        EXPECT_EQ(aLawToLinear(linearToALaw(static_cast<std::int16_t>(s))), -8) << s;
}

TEST(G711, EveryCodeSurvivesDecodeAndEncode) {
    for (int c = 0; c < 256; ++c) {
        const auto code = static_cast<std::uint8_t>(c);
        EXPECT_EQ(linearToALaw(aLawToLinear(code)), code) << c;
        // µ-law has two codes for zero (0x7F and 0xFF); both decode to 0, which encodes as 0xFF.
        if (code != 0x7F) {
            EXPECT_EQ(linearToMuLaw(muLawToLinear(code)), code) << c;
        }
    }
}

TEST(G711, QuantisationErrorStaysWithinTheSegmentStep) {
    for (int s = -32768; s <= 32767; s += 7) {
        const auto v = static_cast<std::int16_t>(s);
        const int a = aLawToLinear(linearToALaw(v));
        const int u = muLawToLinear(linearToMuLaw(v));
        // Steps double per segment: the error stays within about an eighth of the magnitude.
        const int bound = std::max(16, std::abs(s) / 8);
        EXPECT_LE(std::abs(a - s), bound) << s;
        EXPECT_LE(std::abs(u - s), bound) << s;
    }
}

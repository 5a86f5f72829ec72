#include <gtest/gtest.h>

#include "recorder/formats/HexText.h"

TEST(HexText, BothCasesDecodeToTheSameBytesAndEncodeInLowerCase) {
    const auto lower = formats::fromHex("31000100401f0000590600004100000002004001");
    const auto upper = formats::fromHex("31000100401F0000590600004100000002004001");
    ASSERT_TRUE(lower && upper);
    EXPECT_EQ(*lower, *upper);
    EXPECT_EQ(lower->size(), 20u);
    EXPECT_EQ((*lower)[5], 0x1F);
    EXPECT_EQ(formats::toHex(*upper), "31000100401f0000590600004100000002004001");
}

TEST(HexText, OddLengthAndNonHexDigitsAreRejected) {
    EXPECT_FALSE(formats::fromHex("310"));
    EXPECT_FALSE(formats::fromHex("3g"));
    EXPECT_FALSE(formats::fromHex("0x"));
    EXPECT_TRUE(formats::fromHex(""));
}

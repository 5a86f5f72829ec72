#include <gtest/gtest.h>

#include "aurx/HexText.h"

TEST(HexText, BothCasesDecodeToTheSameBytesAndEncodeInLowerCase) {
    const auto lower = aurx::formats::fromHex("31000100401f0000590600004100000002004001");
    const auto upper = aurx::formats::fromHex("31000100401F0000590600004100000002004001");
    ASSERT_TRUE(lower && upper);
    EXPECT_EQ(*lower, *upper);
    EXPECT_EQ(lower->size(), 20u);
    EXPECT_EQ((*lower)[5], 0x1F);
    EXPECT_EQ(aurx::formats::toHex(*upper), "31000100401f0000590600004100000002004001");
}

TEST(HexText, OddLengthAndNonHexDigitsAreRejected) {
    EXPECT_FALSE(aurx::formats::fromHex("310"));
    EXPECT_FALSE(aurx::formats::fromHex("3g"));
    EXPECT_FALSE(aurx::formats::fromHex("0x"));
    EXPECT_TRUE(aurx::formats::fromHex(""));
}

// Two sides of a call joined into one recording: in step by their capture times, in their
// channels or mixed, and a side that stops delivering holding up the other no longer than the
// lag.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/wave/SideJoin.h"

using aurx::codecs::WaveFormat;
using aurx::wave::SideJoin;

namespace {

// 1000 frames a second: a frame is a millisecond.
const WaveFormat kStereo = WaveFormat::pcm(1000, 2, 16);

std::vector<std::int16_t> pull16(SideJoin& j, std::size_t room = 1 << 16) {
    std::vector<std::uint8_t> bytes(room);
    bytes.resize(j.pull(bytes.data(), bytes.size()));
    std::vector<std::int16_t> out(bytes.size() / 2);
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<std::int16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
    return out;
}

std::vector<std::int16_t> ramp(std::int16_t from, std::size_t n) {
    std::vector<std::int16_t> out(n);
    for (std::size_t i = 0; i < n; ++i)
        out[i] = static_cast<std::int16_t>(from + i);
    return out;
}

}  // namespace

TEST(SideJoin, FramesComeOutInStepOnceBothSidesHaveThem) {
    SideJoin j(kStereo, 0.1, 0.005);
    const auto near = ramp(1, 3), far = ramp(-3, 2);
    j.push(SideJoin::ThisSide, near.data(), near.size(), 10.000);
    EXPECT_TRUE(pull16(j).empty()) << "nothing until the other side has come";
    j.push(SideJoin::OtherSide, far.data(), far.size(), 10.000);
    EXPECT_EQ(pull16(j), (std::vector<std::int16_t>{1, -3, 2, -2}));
    j.push(SideJoin::OtherSide, nullptr, 2, 10.003);  // a hole (silence), within the slack
    EXPECT_EQ(pull16(j), (std::vector<std::int16_t>{3, 0}));
    j.clear();
    j.push(SideJoin::OtherSide, far.data(), 1, 50);
    EXPECT_TRUE(pull16(j).empty()) << "cleared: the sides start in step again";
}

TEST(SideJoin, CaptureTimesPutTheSidesInStep) {
    struct Case {
        const char* what;
        double otherAt;  // the other side's first capture, this side's being at 10 s
        std::vector<std::int16_t> right;  // the first frames' right channel
    };
    const Case cases[] = {
        {"the other side starts 20 ms later: silence before it",
         10.020,
         {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 100, 101}},
        {"the other side starts 10 ms earlier: what comes before this side is dropped",
         9.990,
         {110, 111, 112}},
        {"the first delivery is put in place exactly, slack or not", 10.003, {0, 0, 0, 100}},
    };
    for (const Case& k : cases) {
        SideJoin j(kStereo, 0.5, 0.005);
        const auto near = ramp(1, 100), far = ramp(100, 100);
        j.push(SideJoin::ThisSide, near.data(), near.size(), 10.0);
        j.push(SideJoin::OtherSide, far.data(), far.size(), k.otherAt);
        const auto out = pull16(j);
        ASSERT_GE(out.size(), 2 * k.right.size()) << k.what;
        std::vector<std::int16_t> right;
        for (std::size_t i = 0; i < k.right.size(); ++i)
            right.push_back(out[2 * i + 1]);
        EXPECT_EQ(right, k.right) << k.what;
        EXPECT_EQ(out[0], 1) << k.what << ": this side starts with its first sample";
    }
    // Later deliveries: within the slack they follow on; a gap beyond it is silence there.
    SideJoin j(kStereo, 0.5, 0.005);
    const auto a = ramp(1, 10);
    j.push(SideJoin::ThisSide, a.data(), 10, 0.0);
    j.push(SideJoin::OtherSide, a.data(), 10, 0.0);
    j.push(SideJoin::ThisSide, a.data(), 10, 0.013);   // jitter: 3 ms late
    j.push(SideJoin::OtherSide, a.data(), 10, 0.020);  // nothing was captured for 10 ms
    const auto out = pull16(j);
    ASSERT_EQ(out.size(), 40u);
    EXPECT_EQ(out[2 * 10], 1) << "this side follows on";
    EXPECT_EQ(out[2 * 10 + 1], 0);
    EXPECT_EQ(out[2 * 19 + 1], 0);
}

TEST(SideJoin, EachLayoutWritesItsOwnSamples) {
    struct Row {
        WaveFormat format;
        std::int16_t near, far;
        std::vector<std::uint8_t> bytes;
    };
    const Row rows[] = {
        {WaveFormat::pcm(8000, 2, 16), 0x0102, -2, {0x02, 0x01, 0xFE, 0xFF}},
        {WaveFormat::pcm(8000, 1, 16), 1000, 234, {0xD2, 0x04}},     // summed
        {WaveFormat::pcm(8000, 1, 16), 30000, 10000, {0xFF, 0x7F}},  // held at full scale
        {WaveFormat::pcm(8000, 1, 16), -30000, -10000, {0x00, 0x80}},
        {WaveFormat::pcm(8000, 2, 8), 0x1000, -0x1000, {0x90, 0x70}},
        {WaveFormat::pcm(8000, 1, 8), 0, 0, {0x80}},
    };
    for (const Row& r : rows) {
        SideJoin j(r.format, 0.1, 0.005);
        j.push(SideJoin::ThisSide, &r.near, 1, 1.0);
        j.push(SideJoin::OtherSide, &r.far, 1, 1.0);
        std::vector<std::uint8_t> out(16);
        out.resize(j.pull(out.data(), out.size()));
        EXPECT_EQ(out, r.bytes) << r.format.channels << " channels, " << r.format.bitsPerSample
                                << " bits, " << r.near << " and " << r.far;
    }
}

TEST(SideJoin, ASideThatStopsHoldsUpTheOtherOnlyForTheLag) {
    SideJoin j(kStereo, 0.004, 0.002);
    const std::vector<std::int16_t> near(10, 7);
    j.push(SideJoin::ThisSide, near.data(), near.size(), 0.0);
    const auto out = pull16(j);
    ASSERT_EQ(out.size(), 12u) << "all but the lag's four frames, the silent side as silence";
    EXPECT_EQ(out[0], 7);
    EXPECT_EQ(out[1], 0);
    // The silent side's time ran on: its sound captured after the silence given follows it.
    const std::vector<std::int16_t> far(4, 9);
    j.push(SideJoin::OtherSide, far.data(), far.size(), 0.006);
    const auto next = pull16(j);
    ASSERT_EQ(next.size(), 8u);
    EXPECT_EQ(next[1], 9);
    // The room given is respected, in whole frames.
    j.push(SideJoin::ThisSide, near.data(), 4, 0.010);
    j.push(SideJoin::OtherSide, far.data(), 4, 0.010);
    EXPECT_EQ(pull16(j, 7).size(), 2u);
    EXPECT_EQ(pull16(j).size(), 6u);
}

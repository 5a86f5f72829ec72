// This computer's calls through a real sound server: what the microphone hears and what the
// speakers play come out in their own channels, in step.
#include <cmath>
#include <thread>

#include "tests/realserver/RealServerRig.h"

using namespace testsupport;

namespace {

constexpr unsigned kRate = 48000;

struct Found {
    std::size_t at = 0;
    double correlation = 0;
};

// Where `probe` matches `signal` best, by normalised correlation, among starts in [from, to).
Found bestMatch(const std::vector<std::int16_t>& signal, const std::vector<std::int16_t>& probe,
                std::size_t from = 0, std::size_t to = SIZE_MAX) {
    Found best;
    double pp = 0;
    for (const auto v : probe)
        pp += double(v) * v;
    to = std::min(to, signal.size() >= probe.size() ? signal.size() - probe.size() + 1 : 0);
    for (std::size_t at = from; at < to; ++at) {
        double sp = 0, ss = 0;
        for (std::size_t i = 0; i < probe.size(); ++i) {
            sp += double(signal[at + i]) * probe[i];
            ss += double(signal[at + i]) * signal[at + i];
        }
        const double c = ss > 0 ? sp / std::sqrt(ss * pp) : 0;
        if (c > best.correlation) best = {at, c};
    }
    return best;
}

double rms(const std::vector<std::int16_t>& s, std::size_t at, std::size_t n) {
    double sum = 0;
    for (std::size_t i = at; i < std::min(at + n, s.size()); ++i)
        sum += double(s[i]) * s[i];
    return std::sqrt(sum / double(std::max<std::size_t>(n, 1)));
}

std::vector<std::int16_t> channel(const std::vector<std::int16_t>& stereo, std::size_t c) {
    std::vector<std::int16_t> out;
    for (std::size_t i = c; i < stereo.size(); i += 2)
        out.push_back(stereo[i]);
    return out;
}

std::vector<std::int16_t> bothChannels(const std::vector<std::int16_t>& mono) {
    std::vector<std::int16_t> out;
    for (const auto v : mono)
        out.insert(out.end(), {v, v});
    return out;
}

int computerCallsDevice(aurx::AURX300Ctrl& c) {
    for (int i = 0; i < c.get_NRecordDevices(); ++i)
        if (c.get_RecordDeviceName(i) == "This computer's calls") return i;
    return -1;
}

// Records this computer's calls as 48 kHz stereo while `play` runs; the left and right channels.
template <class Play>
std::pair<std::vector<std::int16_t>, std::vector<std::int16_t>> recordCall(RealServer& t,
                                                                           const std::string& file,
                                                                           Play play) {
    auto& c = t.control();
    const int device = computerCallsDevice(c);
    EXPECT_GE(device, 0) << "no input for this computer's calls";
    EXPECT_TRUE(c.put_RecordDevice(device));
    openPcmFile(c, file, kRate, 2);
    EXPECT_EQ(c.StartRecording(), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    play();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    c.Stop();
    EXPECT_TRUE(t.waitFor("RecordingStopped", 2000));
    EXPECT_EQ(t.log_->changes(), std::vector<std::string>{"RecordingStopped 0"});
    t.log_->events.clear();
    EXPECT_EQ(c.Reset(), 0);
    const auto got = pcm16(chunkData(readFile(file), "data"));
    return {channel(got, 0), channel(got, 1)};
}

// 50 ms from the middle of a second's sound.
std::vector<std::int16_t> middle(const std::vector<std::int16_t>& s) {
    return {s.begin() + kRate / 2, s.begin() + kRate / 2 + kRate / 20};
}

}  // namespace

// The near side alone into the microphone, then the far side alone into the speakers: the first
// is heard on the left only, the second on the right only. Then a microphone that hears the
// speakers: one sound comes out on both sides within 10 ms, although the two streams start at
// their own times (a sink's monitor delivers nothing until something plays).
TEST_F(PulseDefaultInput, ThisComputersCallsComeOutInTheirChannelsInStep) {
    ASSERT_TRUE(server_->addMicrophone()) << "the server has no second sink for a microphone";
    const std::vector<std::int16_t> near = markedNoise(kRate, 11), far = markedNoise(kRate, 22),
                                    both = markedNoise(kRate, 33);
    writePcm16Wav(dir_.file("near.wav"), bothChannels(near), kRate, 2);
    writePcm16Wav(dir_.file("far.wav"), bothChannels(far), kRate, 2);
    writePcm16Wav(dir_.file("both.wav"), bothChannels(both), kRate, 2);
    const auto [left, right] = recordCall(*this, dir_.file("sides.wav"), [&] {
        EXPECT_EQ(server_->play(dir_.file("near.wav"), "micsink"), 0);
        EXPECT_EQ(server_->play(dir_.file("far.wav"), "nullsink"), 0);
    });
    if (HasFailure()) return;
    const std::size_t probe = kRate / 20;
    const Found nearAt = bestMatch(left, middle(near));
    EXPECT_GE(nearAt.correlation, 0.99) << "the microphone is not on the left";
    EXPECT_LT(rms(right, nearAt.at, probe), 0.01 * rms(left, nearAt.at, probe))
        << "the microphone is heard on the right";
    const Found farAt = bestMatch(right, middle(far));
    EXPECT_GE(farAt.correlation, 0.99) << "the speakers are not on the right";
    EXPECT_LT(rms(left, farAt.at, probe), 0.01 * rms(right, farAt.at, probe))
        << "the speakers are heard on the left";

    ASSERT_TRUE(server_->useSource("nullsink.monitor"));
    const auto [heardLeft, heardRight] = recordCall(*this, dir_.file("echo.wav"), [&] {
        EXPECT_EQ(server_->play(dir_.file("both.wav"), "nullsink"), 0);
    });
    if (HasFailure()) return;
    const Found onLeft = bestMatch(heardLeft, middle(both));
    const std::size_t window = kRate / 10;
    const Found onRight = bestMatch(
        heardRight, middle(both), onLeft.at > window ? onLeft.at - window : 0, onLeft.at + window);
    ASSERT_GE(onLeft.correlation, 0.99);
    ASSERT_GE(onRight.correlation, 0.99) << "not on the right within 100 ms of the left";
    const double apart = std::abs(double(onLeft.at) - double(onRight.at)) * 1000 / kRate;
    EXPECT_LE(apart, 10) << "the two sides are " << apart << " ms apart";
}

// A control on PortAudio's devices with a private sound server behind them, and what the
// tests need to compare what was played or recorded with what the server carried.
// PulseDefaultInput is the same on the system's devices, which record the default input from
// the server itself.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "aurx/AURX300Ctrl.h"
#include "aurx/SoundLibraries.h"
#include "platform/wave/DeviceSet.h"
#include "recorder/control/ControlEnvironment.h"
#include "tests/realserver/SoundServer.h"
#include "tests/recorder/engine/EngineRig.h"
#include "tests/support/Sound.h"
#include "tests/support/TempDir.h"

namespace testsupport {

// Each test runs in a process of its own (PortAudio reads the server's address once).
class RealServer : public ::testing::Test {
  public:
    void SetUp() override {
        if (const auto why = soundServerUnavailable(); !why.empty()) GTEST_SKIP() << why;
        // As a program does first thing in main.
        aurx::prepareSoundLibraries();
        server_ = startSoundServer(dir_.path());
        ASSERT_TRUE(server_->up()) << server_->log();
        auto env = aurx::ControlEnvironment::standard();
        env.devices = devices();
        control_ = std::make_unique<aurx::AURX300Ctrl>(env);
        control_->Advise(log_);
        ASSERT_GE(control_->get_NRecordDevices(), 1) << "PortAudio does not see the server";
    }
    void TearDown() override {
        if (server_) server_->thaw();
        control_.reset();
        server_.reset();
    }

    aurx::AURX300Ctrl& control() { return *control_; }

    // Raises waiting events until one starting with `event` has been raised or `ms` pass.
    bool waitFor(const std::string& event, int ms) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        for (;;) {
            control_->processNotifications();
            for (const auto& e : log_->events)
                if (e.rfind(event, 0) == 0) return true;
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) return false;
            control_->waitForNotification(static_cast<int>(left.count()));
        }
    }

    virtual std::shared_ptr<aurx::wave::DeviceSet> devices() {
        return aurx::wave::makePortAudioDevices();
    }

    TempDir dir_;
    std::unique_ptr<SoundServer> server_;
    std::shared_ptr<EventLog> log_ = std::make_shared<EventLog>();
    std::unique_ptr<aurx::AURX300Ctrl> control_;
};

class PulseDefaultInput : public RealServer {
  public:
    std::shared_ptr<aurx::wave::DeviceSet> devices() override {
        return aurx::wave::makeSoundServerDevices();
    }
};

// Sets the control to record `rate` Hz, `channels`-channel PCM into a new file.
inline void openPcmFile(aurx::AURX300Ctrl& c, const std::string& file, unsigned rate,
                        unsigned channels) {
    ASSERT_TRUE(c.put_SampleRate(static_cast<std::int32_t>(rate)));
    ASSERT_TRUE(c.put_NumChannels(static_cast<std::int16_t>(channels)));
    ASSERT_EQ(c.OpenNewFile(file), 0);
}

// How long a call took, in milliseconds.
template <class Call>
long long millisecondsOf(Call call) {
    const auto start = std::chrono::steady_clock::now();
    call();
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start)
        .count();
}

// Noise-like samples without a zero among them, so that each stretch is found only where it
// was played.
inline std::vector<std::int16_t> markedNoise(std::size_t samples, std::uint32_t seed = 1) {
    std::vector<std::int16_t> out(samples);
    for (auto& s : out) {
        seed = seed * 1664525u + 1013904223u;
        const int v = static_cast<int>(seed >> 16) % 24000 - 12000;
        s = static_cast<std::int16_t>(v == 0 ? 1 : v);
    }
    return out;
}

// Where `part` starts in `whole` (compared exactly, `probe` samples of it); -1 when nowhere.
inline long long find(const std::vector<std::int16_t>& whole, const std::vector<std::int16_t>& part,
                      std::size_t probe = 64) {
    if (part.size() < probe || whole.size() < probe) return -1;
    for (std::size_t at = 0; at + probe <= whole.size(); ++at)
        if (std::equal(part.begin(), part.begin() + static_cast<std::ptrdiff_t>(probe),
                       whole.begin() + static_cast<std::ptrdiff_t>(at)))
            return static_cast<long long>(at);
    return -1;
}

}  // namespace testsupport

// A control on virtual devices driven by a manual clock: a test hands the worker one buffer
// at a time, sees the events it raises, and reads the files it writes.
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "aurx/AURX300Ctrl.h"
#include "platform/wave/VirtualDevices.h"
#include "recorder/control/ControlAccess.h"
#include "recorder/control/ControlEnvironment.h"
#include "tests/support/Sound.h"
#include "tests/support/TempDir.h"

namespace testsupport {

// The events a control raised, in order, as text ("RecordingStopped 0").
class EventLog : public aurx::IAURX300CtrlEvents {
  public:
    struct Levels {
        float left;
        std::int16_t leftOverload;
        float right;
        std::int16_t rightOverload;
    };
    std::vector<std::string> events;
    std::vector<Levels> levels;

    void RecordingStopped(std::int16_t e) override {
        events.push_back("RecordingStopped " + std::to_string(e));
    }
    void PlaybackStopped(std::int16_t e) override {
        events.push_back("PlaybackStopped " + std::to_string(e));
    }
    void NewLevelValues(float l, std::int16_t lo, float r, std::int16_t ro) override {
        events.push_back("NewLevelValues");
        levels.push_back({l, lo, r, ro});
    }
    void NewVoxState(std::int16_t v) override {
        events.push_back("NewVoxState " + std::to_string(v));
    }
    void InputStalled(std::int32_t at) override {
        events.push_back("InputStalled " + std::to_string(at));
    }
    void InputResumed(std::int32_t at, std::int32_t missing) override {
        events.push_back("InputResumed " + std::to_string(at) + " " + std::to_string(missing));
    }

    // The events other than the level reports.
    std::vector<std::string> changes() const {
        std::vector<std::string> out;
        for (const auto& e : events)
            if (e != "NewLevelValues") out.push_back(e);
        return out;
    }
};

struct EngineRig {
    explicit EngineRig(aurx::wave::Pacing pacing = aurx::wave::Pacing::Manual) {
        config.pacing = pacing;
        config.clock = clock;
        config.lineIn = dir.file("line.wav");
        config.speakerOut = dir.file("speaker.wav");
    }

    // The virtual line plays these 16-bit samples.
    void line(const std::vector<std::int16_t>& samples, unsigned rate = 8000,
              unsigned channels = 1) {
        writePcm16Wav(config.lineIn, samples, rate, channels);
    }

    aurx::AURX300Ctrl& control() {
        if (!control_) {
            auto env = aurx::ControlEnvironment::standard();
            env.devices = aurx::wave::makeVirtualDevices(config);
            control_ = std::make_unique<aurx::AURX300Ctrl>(env);
            control_->Advise(log);
        }
        return *control_;
    }

    // Prepares a recording format and opens a new file.
    std::int16_t openNew(const std::string& name, std::int16_t bits, std::int32_t rate = 8000,
                         std::int16_t channels = 1) {
        auto& c = control();
        c.put_SampleRate(rate);
        c.put_NumChannels(channels);
        c.put_BitsPerSample(bits);
        return c.OpenNewFile(dir.file(name));
    }

    void destroyControl() { control_.reset(); }

    bool step(aurx::wave::Direction d = aurx::wave::Direction::Input) { return clock->step(d); }
    int steps(int n, aurx::wave::Direction d = aurx::wave::Direction::Input) {
        return clock->steps(d, n);
    }

    // Raises waiting events until `event` has been raised or `ms` pass.
    bool waitFor(const std::string& event, int ms = 5000) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        for (;;) {
            control().processNotifications();
            for (const auto& e : log->events)
                if (e.rfind(event, 0) == 0) return true;
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) return false;
            control().waitForNotification(static_cast<int>(left.count()));
        }
    }

    std::vector<std::int16_t> speaker() const {
        return pcm16(chunkData(readFile(config.speakerOut), "data"));
    }

    TempDir dir;
    std::shared_ptr<aurx::wave::ManualClock> clock = std::make_shared<aurx::wave::ManualClock>();
    aurx::wave::VirtualConfig config;
    std::shared_ptr<EventLog> log = std::make_shared<EventLog>();

  private:
    std::unique_ptr<aurx::AURX300Ctrl> control_;
};

// A signal that a test can recognise: frame i of a ramp holds (i % 1000) * 20 - 10000.
inline std::vector<std::int16_t> ramp(std::size_t frames, int offset = 0) {
    std::vector<std::int16_t> out(frames);
    for (std::size_t i = 0; i < frames; ++i)
        out[i] =
            static_cast<std::int16_t>(((i + static_cast<std::size_t>(offset)) % 1000) * 20 - 10000);
    return out;
}

}  // namespace testsupport

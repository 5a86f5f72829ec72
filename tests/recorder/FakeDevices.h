// A device set for tests: names and counts as given, formats accepted by a rule, and a count
// of the format questions asked.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/wave/DeviceSet.h"
#include "recorder/control/ControlEnvironment.h"

namespace testsupport {

class FakeDevices : public aurx::wave::DeviceSet {
  public:
    using Rule = std::function<bool(int device, const aurx::codecs::WaveFormat&)>;

    std::vector<std::string> inputs{"Line In", "Microphone"};
    std::vector<std::string> outputs{"Speakers"};
    Rule acceptInput = [](int, const aurx::codecs::WaveFormat&) { return true; };
    Rule acceptOutput = [](int, const aurx::codecs::WaveFormat&) { return true; };
    mutable int questions = 0;
    mutable std::vector<aurx::codecs::WaveFormat> asked;

    int inputCount() const override { return static_cast<int>(inputs.size()); }
    int outputCount() const override { return static_cast<int>(outputs.size()); }
    std::optional<std::string> inputName(int d) const override { return name(inputs, d); }
    std::optional<std::string> outputName(int d) const override { return name(outputs, d); }
    bool inputAccepts(int d, const aurx::codecs::WaveFormat& f) const override {
        ++questions;
        asked.push_back(f);
        return acceptInput(d, f);
    }
    bool outputAccepts(int d, const aurx::codecs::WaveFormat& f) const override {
        ++questions;
        return acceptOutput(d, f);
    }

    // These devices are for questions only: they cannot be opened.
    std::unique_ptr<aurx::wave::InputStream> openInput(int, const aurx::codecs::WaveFormat&,
                                                       aurx::wave::BufferSink&) override {
        return nullptr;
    }
    std::unique_ptr<aurx::wave::OutputStream> openOutput(int, const aurx::codecs::WaveFormat&,
                                                         aurx::wave::BufferSink&) override {
        return nullptr;
    }

  private:
    static std::optional<std::string> name(const std::vector<std::string>& list, int d) {
        if (d == -1) d = 0;
        if (d < 0 || d >= static_cast<int>(list.size())) return std::nullopt;
        return list[static_cast<std::size_t>(d)];
    }
};

inline aurx::ControlEnvironment environmentWith(std::shared_ptr<FakeDevices> devices) {
    aurx::ControlEnvironment env = aurx::ControlEnvironment::standard();
    env.devices = std::move(devices);
    return env;
}

}  // namespace testsupport

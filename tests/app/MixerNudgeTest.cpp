#include <gtest/gtest.h>

#include "app/startup/MixerNudge.h"
#include "tests/app/ScriptedPrompter.h"

#include <map>
#include <stdexcept>

using namespace parlaro;

namespace {

struct FakeMixer final : parlaro::mixer::CaptureMixer {
    std::vector<Control> list;
    std::map<std::string, long> volumes;
    std::map<std::string, bool> switches;
    std::vector<std::string> log;
    bool failReads = false;
    bool failSwitches = false;

    std::vector<Control> controls() override { return list; }
    std::optional<long> volume(const std::string& name) override {
        if (failReads) throw std::runtime_error("the card went away");
        const auto it = volumes.find(name);
        if (it == volumes.end()) return std::nullopt;
        return it->second;
    }
    void setVolume(const std::string& name, long value) override {
        volumes[name] = value;
        log.push_back(name + "=" + std::to_string(value));
    }
    std::optional<bool> isOn(const std::string& name) override {
        const auto it = switches.find(name);
        if (it == switches.end()) return std::nullopt;
        return it->second;
    }
    void setOn(const std::string& name, bool on) override {
        if (failSwitches) throw std::runtime_error("no such switch any more");
        switches[name] = on;
        log.push_back(name + (on ? " on" : " off"));
    }
};

// Hands out the fake mixers it was given, then fails to open any more.
struct FakeSystem final : parlaro::mixer::MixerSystem {
    int devices = 0;
    std::vector<FakeMixer*> mixers;
    int opened = 0;
    int captureDeviceCount() override { return devices; }
    std::unique_ptr<parlaro::mixer::CaptureMixer> open(int device) override {
        ++opened;
        if (device >= static_cast<int>(mixers.size())) return nullptr;
        // The test keeps the mixer; hand out a forwarding one.
        struct Forward final : parlaro::mixer::CaptureMixer {
            FakeMixer& m;
            explicit Forward(FakeMixer& f) : m(f) {}
            std::vector<Control> controls() override { return m.controls(); }
            std::optional<long> volume(const std::string& n) override { return m.volume(n); }
            void setVolume(const std::string& n, long v) override { m.setVolume(n, v); }
            std::optional<bool> isOn(const std::string& n) override { return m.isOn(n); }
            void setOn(const std::string& n, bool on) override { m.setOn(n, on); }
        };
        return std::make_unique<Forward>(*mixers[static_cast<std::size_t>(device)]);
    }
};

FakeMixer cardWithAMicrophone() {
    FakeMixer m;
    m.list = {{"Mic", true, true},
              {"Capture", true, true},           // not the microphone: left alone
              {"Mic Boost", false, true},        // on: off and on again
              {"Front Mic boost", false, true},  // "BOO" in any case
              {"Mic 20dB", false, true},         // off: stays off
              {"Mic Select", false, true}};      // not a boost
    m.volumes = {{"Mic", 30000}, {"Capture", 50}};
    m.switches = {{"Mic", true},
                  {"Mic Boost", true},
                  {"Front Mic boost", true},
                  {"Mic 20dB", false},
                  {"Mic Select", true}};
    return m;
}

}  // namespace

TEST(MixerNudge, TheMicrophoneVolumeIsNudgedAndItsBoostSwitchedOffAndOn) {
    FakeMixer card = cardWithAMicrophone();
    FakeSystem system;
    system.devices = 1;
    system.mixers = {&card};
    testsupport::ScriptedPrompter prompter;
    NudgeCaptureMixers(system, prompter);
    EXPECT_EQ(card.log,
              (std::vector<std::string>{"Mic=30010", "Mic=29990", "Mic Boost off", "Mic Boost on",
                                        "Front Mic boost off", "Front Mic boost on"}));
    EXPECT_EQ(card.volumes["Capture"], 50);
    EXPECT_FALSE(card.switches["Mic 20dB"]);
    EXPECT_TRUE(prompter.shown.empty());
}

TEST(MixerNudge, NoRecordingDeviceOrAMixerThatWillNotOpenEndsQuietly) {
    testsupport::ScriptedPrompter prompter;
    FakeSystem none;
    NudgeCaptureMixers(none, prompter);
    EXPECT_EQ(none.opened, 0);

    // The second card's mixer cannot be opened: the third is not tried.
    FakeMixer first = cardWithAMicrophone();
    FakeSystem broken;
    broken.devices = 3;
    broken.mixers = {&first};
    NudgeCaptureMixers(broken, prompter);
    EXPECT_EQ(broken.opened, 2);
    EXPECT_FALSE(first.log.empty());
    EXPECT_TRUE(prompter.shown.empty());

    // A volume that cannot be read is not touched; a control that fails is told, the rest go on.
    FakeMixer unreadable = cardWithAMicrophone();
    unreadable.volumes.clear();
    FakeSystem one;
    one.devices = 1;
    one.mixers = {&unreadable};
    NudgeCaptureMixers(one, prompter);
    EXPECT_EQ(unreadable.log.front(), "Mic Boost off");
    FakeMixer failing = cardWithAMicrophone();
    failing.failReads = true;
    one.mixers = {&failing};
    NudgeCaptureMixers(one, prompter);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text,
              "Error occured in modMixer:GetVolumeControlValue: the card went away");
    EXPECT_EQ(failing.log.back(), "Front Mic boost on");

    FakeMixer stuck = cardWithAMicrophone();
    stuck.failSwitches = true;
    one.mixers = {&stuck};
    prompter.shown.clear();
    NudgeCaptureMixers(one, prompter);
    EXPECT_EQ(stuck.log, (std::vector<std::string>{"Mic=30010", "Mic=29990"}));
    ASSERT_EQ(prompter.shown.size(), 2u);  // each of the two boosts
    EXPECT_EQ(prompter.shown[1].text,
              "Error occured in modMixer:FindVolumeControls: no such switch any more");
}

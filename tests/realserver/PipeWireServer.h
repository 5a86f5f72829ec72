// A private PipeWire session as Debian 12's desktops run one: its own runtime folder and
// session bus, pipewire, wireplumber and pipewire-pulse, and a null sink made through the
// PulseAudio interface. ALSA's default is pipewire-alsa's plugin (taken from the folder
// PARLARO_PIPEWIRE_ALSA, where scripts/install-deps unpacks it) or, asked for, the `pulse`
// plugin, which then talks to pipewire-pulse.
#pragma once

#include "tests/realserver/SoundServer.h"

namespace testsupport {

class PipeWireServer : public SoundServer {
  public:
    enum class AlsaRoute { PipeWirePlugin, PulsePlugin };

    static std::string unavailable(AlsaRoute route);

    PipeWireServer(const std::string& dir, AlsaRoute route);
    ~PipeWireServer() override;
    PipeWireServer(const PipeWireServer&) = delete;
    PipeWireServer& operator=(const PipeWireServer&) = delete;

    bool up() const override { return up_; }
    std::string log() const override;
    void kill(int sig) override { pipewire_.signal(sig); }
    void killSinkOwner(int sig) override { pulse_.signal(sig); }
    void freeze() override;
    void thaw() override;
    std::string alsaDevice() const override {
        return route_ == AlsaRoute::PipeWirePlugin ? "pipewire" : "pulse";
    }

  private:
    void routeAlsa();

    std::string dir_;
    AlsaRoute route_;
    Child bus_;
    Child pipewire_;
    Child wireplumber_;
    Child pulse_;
    bool up_ = false;
};

}  // namespace testsupport

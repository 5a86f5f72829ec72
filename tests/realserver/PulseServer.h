// A private PulseAudio server: ALSA's default routed to it (libasound2-plugins), and a
// low-latency reader kept connected so that the sink runs in small blocks and new captures
// start on time.
#pragma once

#include "tests/realserver/SoundServer.h"

namespace testsupport {

class PulseServer : public SoundServer {
  public:
    static std::string unavailable();

    explicit PulseServer(const std::string& dir);
    ~PulseServer() override;
    PulseServer(const PulseServer&) = delete;
    PulseServer& operator=(const PulseServer&) = delete;

    bool up() const override { return up_; }
    std::string log() const override;
    void kill(int sig) override { server_.signal(sig); }
    void freeze() override { server_.signal(SIGSTOP); }
    void thaw() override { server_.signal(SIGCONT); }
    std::string alsaDevice() const override { return "pulse"; }

  private:
    std::string dir_;
    Child server_;
    Child keeper_;
    bool up_ = false;
};

}  // namespace testsupport

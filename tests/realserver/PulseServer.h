// A private PulseAudio server for tests, with all its state in one folder: a null sink whose
// monitor is the default source, ALSA's default routed to it (libasound2-plugins), and a
// low-latency reader kept connected so that the sink runs in small blocks and new captures
// start on time. Starting it points this process's environment (HOME, PULSE_*) at it, so
// PortAudio, once initialised after that, sees it as "pulse" and "default".
#pragma once

#include <csignal>
#include <string>

#include "tests/realserver/Child.h"

namespace testsupport {

class PulseServer {
  public:
    // Why no server can be run here, or empty when one can.
    static std::string unavailable();

    explicit PulseServer(const std::string& dir);
    ~PulseServer();
    PulseServer(const PulseServer&) = delete;
    PulseServer& operator=(const PulseServer&) = delete;

    bool up() const { return up_; }
    void kill(int sig) { server_.signal(sig); }
    void freeze() { server_.signal(SIGSTOP); }
    void thaw() { server_.signal(SIGCONT); }

    // Records the sink's monitor (what is played) as raw 16-bit samples into `file`; returns
    // once the first samples are in it.
    Child recordMonitor(const std::string& file, unsigned rate, unsigned channels) const;
    // Plays a WAV file into the sink; its exit status.
    int play(const std::string& wav) const;

  private:
    std::string dir_;
    Child server_;
    Child keeper_;
    bool up_ = false;
};

}  // namespace testsupport

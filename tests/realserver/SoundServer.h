// A private sound server for tests, with all its state in one folder, a null sink whose monitor
// is the default source, and ALSA's default leading to it. Starting one points this process's
// environment at it, so PortAudio, once initialised after that, sees it. Which server runs is
// the stage's choice, in AURX_TEST_SERVER:
//   pulseaudio      PulseAudio, ALSA's default through its `pulse` plugin (the default);
//   pipewire        PipeWire with WirePlumber and pipewire-pulse, as Debian's desktops run it,
//                   ALSA's default through pipewire-alsa's plugin;
//   pipewire-pulse  the same session, ALSA's default through the `pulse` plugin.
#pragma once

#include <chrono>
#include <csignal>
#include <memory>
#include <string>

#include "tests/realserver/Child.h"

namespace testsupport {

class SoundServer {
  public:
    virtual ~SoundServer() = default;

    virtual bool up() const = 0;
    // What the server said when it would not start.
    virtual std::string log() const = 0;
    // The server process itself (the one that owns the sink).
    virtual void kill(int sig) = 0;
    // The process that owns the sink: the server itself, or on PipeWire pipewire-pulse, which
    // made the null sink (the session itself goes on).
    virtual void killSinkOwner(int sig) { kill(sig); }
    virtual void freeze() = 0;
    virtual void thaw() = 0;
    // The ALSA device, besides "default", that PortAudio lists for the server.
    virtual std::string alsaDevice() const = 0;

    // Records the sink's monitor (what is played) as raw 16-bit samples into `file`; returns
    // once the first samples are in it.
    Child recordMonitor(const std::string& file, unsigned rate, unsigned channels) const;
    // Plays a WAV file into the sink (or the sink named); its exit status.
    int play(const std::string& wav, const std::string& sink = "nullsink",
             std::chrono::milliseconds bound = std::chrono::milliseconds(30000)) const;
    // A microphone for this computer's calls: a second null sink, "micsink", whose monitor
    // becomes the default source. False when the server would not have it.
    bool addMicrophone() const;
    // Makes `source` the default source (the speakers' sink stays the default sink).
    bool useSource(const std::string& source) const;
};

// Why the chosen server cannot be run here, or empty when it can.
std::string soundServerUnavailable();
std::unique_ptr<SoundServer> startSoundServer(const std::string& dir);

}  // namespace testsupport

// Whether ALSA's default device leads to a PulseAudio server, and which server and source it
// names: PulseAudio's plugin, or PipeWire's (whose server answers PulseAudio's clients through
// pipewire-pulse on the desktops that run it). Where it does, the recorder records the default
// input from that server directly: the same source, without the plugin's second buffer, and
// without PortAudio's ALSA thread, which spins when PipeWire goes away under it.
#pragma once

#include <optional>
#include <string>

namespace aurx::wave {

struct PulseRoute {
    std::string server;  // empty: the client's default server
    std::string device;  // empty: the server's default source or sink
    // ALSA's default is PipeWire's plugin: the route holds only where pipewire-pulse answers.
    bool pipeWire = false;

    bool operator==(const PulseRoute&) const = default;
};

// From the process's ALSA configuration (read once by ALSA; its PulseAudio hook counts the
// server as there only while it runs). Nothing when the default device is anything else.
std::optional<PulseRoute> alsaDefaultPulseRoute();
// The same from a configuration given as text; nothing when it does not parse.
std::optional<PulseRoute> pulseRouteIn(const std::string& alsaConfig);

}  // namespace aurx::wave

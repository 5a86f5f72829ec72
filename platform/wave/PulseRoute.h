// Whether ALSA's default device is PulseAudio's plugin, and which server and source it names.
// Where it is, the recorder records the default input from PulseAudio directly: the same
// server and source, without the plugin's second buffer in between.
#pragma once

#include <optional>
#include <string>

namespace aurx::wave {

struct PulseRoute {
    std::string server;  // empty: the client's default server
    std::string device;  // empty: the server's default source or sink

    bool operator==(const PulseRoute&) const = default;
};

// From the process's ALSA configuration (read once by ALSA; its PulseAudio hook counts the
// server as there only while it runs). Nothing when the default device is anything else.
std::optional<PulseRoute> alsaDefaultPulseRoute();
// The same from a configuration given as text; nothing when it does not parse.
std::optional<PulseRoute> pulseRouteIn(const std::string& alsaConfig);

}  // namespace aurx::wave

#include "platform/wave/PulseRoute.h"

#include <alsa/asoundlib.h>

#include <cstring>

namespace aurx::wave {
namespace {

std::string stringField(snd_config_t* node, const char* key) {
    snd_config_t* field = nullptr;
    const char* text = nullptr;
    if (snd_config_search(node, key, &field) < 0 || snd_config_get_string(field, &text) < 0 ||
        !text)
        return {};
    return text;
}

// PipeWire's node names are the names its PulseAudio server gives the sources; "-1" or none
// is the default.
std::string pipeWireNode(const std::string& node) {
    return node == "-1" ? std::string() : node;
}

// A definition that is only a name ("pulse:handset") stands for the PCM of that name, as ALSA
// opens it; a few steps at most, so that names that lead to each other end.
std::optional<PulseRoute> routeOf(snd_config_t* top, const std::string& name = "default",
                                  int steps = 8) {
    snd_config_t* pcm = nullptr;
    // The definition comes expanded (arguments, functions), as a copy of its own.
    if (steps == 0 || snd_config_search_definition(top, "pcm", name.c_str(), &pcm) < 0)
        return std::nullopt;
    std::optional<PulseRoute> route;
    const char* other = nullptr;
    if (snd_config_get_string(pcm, &other) == 0 && other)
        route = routeOf(top, other, steps - 1);
    else if (const std::string type = stringField(pcm, "type"); type == "pulse")
        route = PulseRoute{stringField(pcm, "server"), stringField(pcm, "device")};
    else if (type == "pipewire")
        route = PulseRoute{{}, pipeWireNode(stringField(pcm, "capture_node")), true};
    snd_config_delete(pcm);
    return route;
}

}  // namespace

std::optional<PulseRoute> alsaDefaultPulseRoute() {
    snd_config_t* top = nullptr;
    if (snd_config_update_ref(&top) < 0 || !top) return std::nullopt;
    auto route = routeOf(top);
    snd_config_unref(top);
    return route;
}

std::optional<PulseRoute> pulseRouteIn(const std::string& alsaConfig) {
    snd_input_t* in = nullptr;
    if (snd_input_buffer_open(&in, alsaConfig.data(), static_cast<ssize_t>(alsaConfig.size())) < 0)
        return std::nullopt;
    snd_config_t* top = nullptr;
    std::optional<PulseRoute> route;
    if (snd_config_top(&top) == 0 && snd_config_load(top, in) == 0) route = routeOf(top);
    if (top) snd_config_delete(top);
    snd_input_close(in);
    return route;
}

}  // namespace aurx::wave

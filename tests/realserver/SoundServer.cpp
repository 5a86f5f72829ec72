#include "tests/realserver/SoundServer.h"

#include <cstdlib>
#include <filesystem>
#include <thread>

#include "tests/realserver/PipeWireServer.h"
#include "tests/realserver/PulseServer.h"

namespace testsupport {

namespace {

std::string chosen() {
    const char* server = std::getenv("AURX_TEST_SERVER");
    return server && *server ? server : "pulseaudio";
}

}  // namespace

Child SoundServer::recordMonitor(const std::string& file, unsigned rate, unsigned channels) const {
    Child recorder({"parecord", "--raw", "--latency-msec=20", "--rate=" + std::to_string(rate),
                    "--channels=" + std::to_string(channels), "--format=s16le", "-d",
                    "nullsink.monitor", file});
    // On a busy machine parecord can take longer to connect than any fixed pause: what is
    // played before its first block would be missing from the recording.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    const auto recording = [&] {
        std::error_code error;
        const auto size = std::filesystem::file_size(file, error);
        return !error && size > 0;
    };
    while (recorder.running() && !recording() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return recorder;
}

int SoundServer::play(const std::string& wav) const {
    return runProgram({"paplay", wav});
}

std::string soundServerUnavailable() {
    const std::string server = chosen();
    if (server == "pulseaudio") return PulseServer::unavailable();
    if (server == "pipewire")
        return PipeWireServer::unavailable(PipeWireServer::AlsaRoute::PipeWirePlugin);
    if (server == "pipewire-pulse")
        return PipeWireServer::unavailable(PipeWireServer::AlsaRoute::PulsePlugin);
    return "AURX_TEST_SERVER names no server this rig can run: " + server;
}

std::unique_ptr<SoundServer> startSoundServer(const std::string& dir) {
    const std::string server = chosen();
    if (server == "pipewire")
        return std::make_unique<PipeWireServer>(dir, PipeWireServer::AlsaRoute::PipeWirePlugin);
    if (server == "pipewire-pulse")
        return std::make_unique<PipeWireServer>(dir, PipeWireServer::AlsaRoute::PulsePlugin);
    return std::make_unique<PulseServer>(dir);
}

}  // namespace testsupport

#include "tests/realserver/SoundServer.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "tests/realserver/PipeWireServer.h"
#include "tests/realserver/PulseServer.h"

namespace testsupport {

namespace {

std::string pactlSays(const std::string& question) {
    std::string out;
    if (FILE* p = ::popen(("pactl " + question + " 2>/dev/null").c_str(), "r")) {
        char line[256];
        if (std::fgets(line, sizeof line, p)) out = line;
        ::pclose(p);
    }
    while (!out.empty() && (out.back() == '\n' || out.back() == ' '))
        out.pop_back();
    return out;
}

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

int SoundServer::play(const std::string& wav, const std::string& sink,
                      std::chrono::milliseconds bound) const {
    return runProgram({"paplay", "-d", sink, wav}, bound);
}

bool SoundServer::addMicrophone() const {
    return runProgram({"pactl", "load-module", "module-null-sink", "sink_name=micsink",
                       "rate=48000", "channels=2"}) == 0 &&
           useSource("micsink.monitor");
}

bool SoundServer::useSource(const std::string& source) const {
    // PipeWire's session manager takes a moment to see a new sink, and may choose another
    // default sink meanwhile.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < deadline) {
        runProgram({"pactl", "set-default-source", source});
        runProgram({"pactl", "set-default-sink", "nullsink"});
        if (pactlSays("get-default-source") == source &&
            pactlSays("get-default-sink") == "nullsink")
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
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

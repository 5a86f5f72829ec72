#include "tests/realserver/PulseServer.h"

#include <sys/stat.h>

#include <csignal>
#include <cstdlib>
#include <thread>

#include "tests/support/TempDir.h"

namespace testsupport {

std::string PulseServer::unavailable() {
    for (const char* program : {"pulseaudio", "pactl", "parecord", "paplay"})
        if (!onPath(program))
            return std::string(program) +
                   " is not installed (packages pulseaudio, pulseaudio-utils)";
    if (!exists("/usr/lib/x86_64-linux-gnu/alsa-lib/libasound_module_pcm_pulse.so") &&
        !exists("/usr/lib/alsa-lib/libasound_module_pcm_pulse.so") &&
        !exists("/usr/lib/aarch64-linux-gnu/alsa-lib/libasound_module_pcm_pulse.so"))
        return "ALSA's pulse plugin is not installed (package libasound2-plugins)";
    return {};
}

PulseServer::PulseServer(const std::string& dir) : dir_(dir) {
    for (const char* sub : {"/run", "/state", "/home"})
        ::mkdir((dir + sub).c_str(), 0700);
    writeFile(dir + "/pa.pa",
              "load-module module-null-sink sink_name=nullsink rate=48000 channels=2 "
              "sink_properties=device.description=NullSink\n"
              "load-module module-native-protocol-unix socket=" +
                  dir +
                  "/run/native auth-anonymous=1\n"
                  "set-default-sink nullsink\n"
                  "set-default-source nullsink.monitor\n");
    writeFile(dir + "/client.conf",
              "autospawn = no\ndefault-server = unix:" + dir + "/run/native\n");
    writeFile(dir + "/home/.asoundrc",
              "pcm.!default { type pulse }\nctl.!default { type pulse }\n");
    // The system's ALSA configuration, as a user has it (the tests' main sets a private one).
    ::setenv("ALSA_CONFIG_PATH", "/usr/share/alsa/alsa.conf", 1);
    ::setenv("HOME", (dir + "/home").c_str(), 1);
    ::setenv("PULSE_SERVER", ("unix:" + dir + "/run/native").c_str(), 1);
    ::setenv("PULSE_CLIENTCONFIG", (dir + "/client.conf").c_str(), 1);
    ::setenv("PULSE_RUNTIME_PATH", (dir + "/run").c_str(), 1);
    ::setenv("PULSE_STATE_PATH", (dir + "/state").c_str(), 1);
    server_ =
        Child({"pulseaudio", "-n", "-F", dir + "/pa.pa", "--daemonize=no", "--exit-idle-time=-1",
               "--disallow-exit", "--use-pid-file=no", "--log-target=file:" + dir + "/pa.log"},
              dir + "/pa.out");
    for (int i = 0; i < 100 && server_.running() && !up_; ++i) {
        up_ = runProgram({"pactl", "info"}, std::chrono::milliseconds(2000)) == 0;
        if (!up_) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    if (up_)
        keeper_ = Child({"parecord", "--raw", "--latency-msec=10", "--rate=8000", "--channels=1",
                         "--format=s16le", "-d", "nullsink.monitor", "/dev/null"});
}

PulseServer::~PulseServer() {
    keeper_.stop();
    server_.stop();
}

std::string PulseServer::log() const {
    return readFile(dir_ + "/pa.out");
}

}  // namespace testsupport

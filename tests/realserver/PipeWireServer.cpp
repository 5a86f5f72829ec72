#include "tests/realserver/PipeWireServer.h"

#include <sys/stat.h>

#include <cstdlib>
#include <thread>

#include "tests/support/TempDir.h"

namespace testsupport {

namespace {

constexpr char kTriplet[] = "x86_64-linux-gnu";

// Where scripts/install-deps unpacks pipewire-alsa (installing it would remove pulseaudio).
std::string pluginFolder() {
    const char* folder = std::getenv("PARLARO_PIPEWIRE_ALSA");
    return folder && *folder ? folder : "/usr/local/lib/parlaro-tests/pipewire-alsa";
}

std::string pluginLibraries() {
    return pluginFolder() + "/usr/lib/" + kTriplet + "/alsa-lib/";
}

std::string pluginConfiguration() {
    return pluginFolder() + "/usr/share/alsa/alsa.conf.d/";
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    if (const auto at = text.find(from); at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

// Asks until `check` says yes, a few seconds at most.
template <class Check>
bool eventually(Check check) {
    for (int i = 0; i < 100; ++i) {
        if (check()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

}  // namespace

std::string PipeWireServer::unavailable(AlsaRoute route) {
    for (const char* program :
         {"pipewire", "wireplumber", "pipewire-pulse", "dbus-daemon", "pactl", "parecord"})
        if (!onPath(program))
            return std::string(program) +
                   " is not installed (packages pipewire, pipewire-pulse, wireplumber, dbus, "
                   "pulseaudio-utils)";
    if (route == AlsaRoute::PipeWirePlugin &&
        !exists(pluginLibraries() + "libasound_module_pcm_pipewire.so"))
        return "pipewire-alsa's plugin is not unpacked in " + pluginFolder() +
               " (scripts/install-deps does it)";
    if (route == AlsaRoute::PulsePlugin &&
        !exists(std::string("/usr/lib/") + kTriplet + "/alsa-lib/libasound_module_pcm_pulse.so"))
        return "ALSA's pulse plugin is not installed (package libasound2-plugins)";
    return {};
}

PipeWireServer::PipeWireServer(const std::string& dir, AlsaRoute route) : dir_(dir), route_(route) {
    const std::string run = dir + "/run";
    for (const std::string& sub : {run, dir + "/home", dir + "/alsa"})
        ::mkdir(sub.c_str(), 0700);
    writeFile(dir + "/client.conf", "autospawn = no\n");
    ::setenv("XDG_RUNTIME_DIR", run.c_str(), 1);
    ::setenv("HOME", (dir + "/home").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (dir + "/home/.config").c_str(), 1);
    ::setenv("XDG_STATE_HOME", (dir + "/home/.state").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (dir + "/home/.local").c_str(), 1);
    ::setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + run + "/bus").c_str(), 1);
    ::setenv("PULSE_SERVER", ("unix:" + run + "/pulse/native").c_str(), 1);
    ::setenv("PULSE_CLIENTCONFIG", (dir + "/client.conf").c_str(), 1);
    ::unsetenv("PULSE_RUNTIME_PATH");
    ::unsetenv("PIPEWIRE_REMOTE");
    routeAlsa();

    bus_ = Child({"dbus-daemon", "--session", "--nofork", "--address=unix:path=" + run + "/bus"},
                 dir + "/dbus.out");
    eventually([&] { return exists(run + "/bus"); });
    // A desktop's PipeWire runs its data threads at real-time priority (through RealtimeKit);
    // raised above ordinary work here (where this may), it keeps its pace on a busy machine
    // as it does there.
    pipewire_ = Child({"nice", "-n", "-11", "pipewire"}, dir + "/pipewire.out");
    eventually([&] { return exists(run + "/pipewire-0"); });
    wireplumber_ = Child({"wireplumber"}, dir + "/wireplumber.out");
    pulse_ = Child({"nice", "-n", "-11", "pipewire-pulse"}, dir + "/pipewire-pulse.out");
    const auto answers = [] {
        return runProgram({"pactl", "info"}, std::chrono::milliseconds(2000)) == 0;
    };
    if (!eventually(answers)) return;
    if (runProgram({"pactl", "load-module", "module-null-sink", "sink_name=nullsink", "rate=48000",
                    "channels=2"}) != 0)
        return;
    // WirePlumber takes a moment to see the new sink; until it does, the defaults do not hold.
    up_ = eventually([&] {
        runProgram({"pactl", "set-default-sink", "nullsink"});
        runProgram({"pactl", "set-default-source", "nullsink.monitor"});
        const std::string out = dir_ + "/default-source.out";
        Child ask({"pactl", "get-default-source"}, out);
        ask.wait();
        return readFile(out).find("nullsink.monitor") != std::string::npos;
    });
}

PipeWireServer::~PipeWireServer() {
    thaw();
    pulse_.stop();
    wireplumber_.stop();
    pipewire_.stop();
    bus_.stop();
}

void PipeWireServer::freeze() {
    pipewire_.signal(SIGSTOP);
    pulse_.signal(SIGSTOP);
}

void PipeWireServer::thaw() {
    pulse_.signal(SIGCONT);
    pipewire_.signal(SIGCONT);
}

std::string PipeWireServer::log() const {
    return readFile(dir_ + "/pipewire.out") + readFile(dir_ + "/wireplumber.out") +
           readFile(dir_ + "/pipewire-pulse.out");
}

// ALSA's default as the desktop has it. A private copy of the system's alsa.conf reads only
// this folder's configuration: the system's /etc/alsa/conf.d would make `pulse` the default
// whenever a PulseAudio server (pipewire-pulse included) answers.
void PipeWireServer::routeAlsa() {
    if (route_ == AlsaRoute::PulsePlugin) {
        ::setenv("ALSA_CONFIG_PATH", "/usr/share/alsa/alsa.conf", 1);
        writeFile(dir_ + "/home/.asoundrc",
                  "pcm.!default { type pulse }\nctl.!default { type pulse }\n");
        return;
    }
    const std::string conf = dir_ + "/alsa";
    writeFile(conf + "/50-pipewire.conf", "pcm_type.pipewire { lib \"" + pluginLibraries() +
                                              "libasound_module_pcm_pipewire.so\" }\n"
                                              "ctl_type.pipewire { lib \"" +
                                              pluginLibraries() +
                                              "libasound_module_ctl_pipewire.so\" }\n" +
                                              readFile(pluginConfiguration() + "50-pipewire.conf"));
    writeFile(conf + "/99-pipewire-default.conf",
              readFile(pluginConfiguration() + "99-pipewire-default.conf"));
    std::string alsa = readFile("/usr/share/alsa/alsa.conf");
    alsa = replaced(alsa, "\"/etc/alsa/conf.d\"", "\"" + conf + "\"");
    alsa = replaced(alsa, "\"/var/lib/alsa/conf.d\"", "");
    alsa = replaced(alsa, "\"/usr/etc/alsa/conf.d\"", "");
    writeFile(dir_ + "/alsa.conf", alsa);
    ::setenv("ALSA_CONFIG_PATH", (dir_ + "/alsa.conf").c_str(), 1);
}

}  // namespace testsupport

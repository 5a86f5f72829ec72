// A user with settings, a temporary recording folder and a calls folder, and the mover run
// as a process over them.
#pragma once

#include "services/registry/RegistryStore.h"
#include "tests/support/ProcessRunner.h"
#include "tests/support/TempDir.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <ctime>
#include <filesystem>
#include <string>

namespace testsupport {

struct MoverSetup {
    TempDir dir;
    std::string wavs = dir.file("wavs");
    std::string calls = dir.file("calls");
    ProcessOptions options{{{"XDG_CONFIG_HOME", dir.file("config")},
                            {"XDG_CONFIG_DIRS", dir.file("xdg")},
                            {"XDG_RUNTIME_DIR", dir.path()}}};

    MoverSetup() {
        std::filesystem::create_directories(wavs);
        std::filesystem::create_directories(calls);
    }

    void setting(const char* name, const std::string& value) const {
        parlaro::registry::RegistryStore store(
            {QString::fromStdString(dir.file("config/Parlaro")), "", "Parlaro"});
        store.set(parlaro::registry::Root::CurrentUser, "Software\\Parlaro", name,
                  parlaro::registry::RegistryValue::string(QByteArray::fromStdString(value)), true);
    }
    void folders(const std::string& from, const std::string& to) const {
        setting("Wavs", from);
        setting("CALLPATH", to);
    }
    ProcessResult run() const { return runProcess(program("mover"), {}, options); }
};

// The PARLARO-MESSAGE lines of a run, one per line.
inline std::string messages(const ProcessResult& r) {
    std::string out;
    std::size_t pos = 0;
    while ((pos = r.err.find("PARLARO-MESSAGE ", pos)) != std::string::npos) {
        const auto end = r.err.find('\n', pos);
        out += r.err.substr(pos, end - pos) + "\n";
        pos = end;
    }
    return out;
}

// A recording finished a while ago: the mover leaves alone what was written a moment ago.
inline void writeRecording(const std::string& path, const std::string& bytes) {
    writeFile(path, bytes);
    const timespec times[2] = {{0, UTIME_OMIT}, {::time(nullptr) - 60, 0}};
    ::utimensat(AT_FDCWD, path.c_str(), times, 0);
}

}  // namespace testsupport

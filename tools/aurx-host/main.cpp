// aurx-host: a command-line container for the recorder control. Commands come from the files
// named on the command line, else from standard input.
#include <dlfcn.h>

#include <filesystem>
#include <fstream>
#include <iostream>

#include "aurx/SoundLibraries.h"
#include "tools/aurx-host/HostSession.h"
#include "tools/aurx-host/MeterModule.h"

namespace {

// The module sits beside the program in the build tree and in the library folder once
// installed; it is looked for by path, since a sanitizer's runtime, not the program, is the
// one that calls dlopen in a sanitized build, and the program's run path does not apply then.
void* loadMeterModule() {
    std::error_code error;
    const auto program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return nullptr;
    const auto folder = program.parent_path();
    for (const auto& place : {folder, folder.parent_path() / AURX_HOST_LIBDIR}) {
        const auto file = place / AURX_HOST_METER_MODULE;
        if (std::filesystem::exists(file, error))
            return dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    }
    return nullptr;
}

// Loads the meter renderer at its first use; it stays loaded until the program ends.
bool renderMeter(const aurx::AURX300Ctrl& control, int width, int height, const std::string& path) {
    static AurxHostRenderMeter* const render = [] {
        void* module = loadMeterModule();
        if (!module) {
            const char* why = dlerror();
            std::cerr << "render-meter: "
                      << (why ? why : AURX_HOST_METER_MODULE " is not installed") << std::endl;
            return static_cast<AurxHostRenderMeter*>(nullptr);
        }
        return reinterpret_cast<AurxHostRenderMeter*>(dlsym(module, AURX_HOST_METER_ENTRY));
    }();
    return render && render(control, width, height, path.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    // What the sound libraries print, and what PortAudio is shown, are the program's to set.
    aurx::prepareSoundLibraries();
    host::HostSession session(std::cout, renderMeter);
    if (argc < 2) return session.run(std::cin, "<stdin>", std::cerr);
    for (int i = 1; i < argc; ++i) {
        std::ifstream in(argv[i]);
        if (!in) {
            std::cerr << argv[i] << ": cannot read" << std::endl;
            return 2;
        }
        if (const int status = session.run(in, argv[i], std::cerr); status != 0) return status;
    }
    return 0;
}

// aurx-host: a command-line container for the recorder control. Commands come from the files
// named on the command line, else from standard input.
#include <dlfcn.h>

#include <fstream>
#include <iostream>

#include "tools/aurx-host/HostSession.h"
#include "tools/aurx-host/MeterModule.h"

namespace {

// Loads the meter renderer at its first use; it stays loaded until the program ends.
bool renderMeter(const aurx::AURX300Ctrl& control, int width, int height, const std::string& path) {
    static AurxHostRenderMeter* const render = [] {
        void* module = dlopen(AURX_HOST_METER_MODULE, RTLD_NOW | RTLD_LOCAL);
        if (!module) {
            std::cerr << "render-meter: " << dlerror() << std::endl;
            return static_cast<AurxHostRenderMeter*>(nullptr);
        }
        return reinterpret_cast<AurxHostRenderMeter*>(dlsym(module, AURX_HOST_METER_ENTRY));
    }();
    return render && render(control, width, height, path.c_str());
}

}  // namespace

int main(int argc, char** argv) {
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

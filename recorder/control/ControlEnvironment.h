// What a control is built on: the sound devices, the codecs, the program launcher for the
// mixer, and whether its worker thread can be started (a test can deny it to act out a
// system that has run out of threads).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/codecs/CodecManager.h"
#include "platform/wave/DeviceSet.h"

namespace aurx {

struct ControlEnvironment {
    std::shared_ptr<wave::DeviceSet> devices;
    std::shared_ptr<const codecs::Manager> codecs;
    // Starts a program without waiting for it; false when it could not be started.
    std::function<bool(const std::vector<std::string>& argv)> launch;
    bool workerAvailable = true;

    // The process's devices (AURX_DEVICES), the installed codecs, the real launcher.
    static ControlEnvironment standard();
};

}  // namespace aurx

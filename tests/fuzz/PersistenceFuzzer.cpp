// Loads arbitrary bytes as the design-time stream (what a host keeps with its form, and what
// aurx-host's load reads) into a control at its defaults. Whatever the bytes, nothing may
// crash, and no property may end outside what its setter allows; a stream that loads saves
// back to one that loads again to the same bytes.
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <vector>

#include "aurx/AURX300Ctrl.h"
#include "aurx/Persistence.h"
#include "platform/wave/DeviceSet.h"
#include "recorder/control/ControlEnvironment.h"

namespace {

struct Controls {
    std::unique_ptr<aurx::AURX300Ctrl> loaded;
    std::unique_ptr<aurx::AURX300Ctrl> reloaded;
    std::vector<std::uint8_t> defaults;  // the stream of a new control
};

std::unique_ptr<aurx::AURX300Ctrl> makeControl() {
    auto environment = aurx::ControlEnvironment::standard();
    environment.devices = aurx::wave::makeVirtualDevices();
    return std::make_unique<aurx::AURX300Ctrl>(environment);
}

Controls& controls() {
    static Controls c = [] {
        Controls made{makeControl(), makeControl(), {}};
        made.defaults = aurx::saveDesignState(*made.loaded);
        return made;
    }();
    return c;
}

void check(bool promise) {
    if (!promise) __builtin_trap();
}

bool oneOf(std::int32_t value, std::initializer_list<std::int32_t> allowed) {
    for (const auto a : allowed)
        if (value == a) return true;
    return false;
}

bool toneInRange(float seconds) {
    return seconds >= 0 && seconds <= 60;
}

// Every property the stream sets, against what its setter accepts.
void checkInRange(const aurx::AURX300Ctrl& c) {
    check(c.get_NumSegments() >= 1 && c.get_NumSegments() <= 20);
    check(c.get_Orientation() >= 0 && c.get_Orientation() <= 3);
    check(c.get_Style() == 0 || c.get_Style() == 1);
    check(oneOf(c.get_SampleRate(), {6000, 8000, 11025, 16000, 22050, 32000, 44100, 48000, 64000,
                                     88200, 96000, 192000}));
    check(c.get_NumChannels() == 1 || c.get_NumChannels() == 2);
    check(oneOf(c.get_BitsPerSample(), {8, 16, 100, 106, 107}));
    check(toneInRange(c.get_PreToneDuration()));
    check(toneInRange(c.get_PostToneDuration()));
    check(c.get_RecordTimeLimit() >= 0);  // false for not-a-number too
    check(c.get_RecordLimit() >= 0);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    controls();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto& c = controls();
    // Each input starts from the defaults, which must load.
    check(aurx::loadDesignState(*c.loaded, c.defaults));
    // A copy of exactly the input's length, so that any read beyond it is seen.
    const std::vector<std::uint8_t> stream(data, data + size);
    const bool loaded = aurx::loadDesignState(*c.loaded, stream);
    checkInRange(*c.loaded);
    if (loaded) {
        const auto saved = aurx::saveDesignState(*c.loaded);
        check(aurx::loadDesignState(*c.reloaded, saved));
        checkInRange(*c.reloaded);
        check(aurx::saveDesignState(*c.reloaded) == saved);
    }
    return 0;
}

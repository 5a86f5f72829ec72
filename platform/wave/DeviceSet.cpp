#include "platform/wave/DeviceSet.h"

#include <cstdlib>
#include <mutex>
#include <string_view>

namespace aurx::wave {

std::shared_ptr<DeviceSet> systemDevices() {
    static std::once_flag once;
    static std::shared_ptr<DeviceSet> devices;
    std::call_once(once, [] {
        const char* choice = std::getenv("AURX_DEVICES");
        if (choice && std::string_view(choice) == "virtual")
            devices = makeVirtualDevices();
        else
            devices = makeSoundServerDevices();
    });
    return devices;
}

bool acceptsLinearPcm(const codecs::WaveFormat& f) {
    return f.tag == codecs::kTagPcm && f.channels > 0 &&
           (f.bitsPerSample == 8 || f.bitsPerSample == 16) &&
           f.blockAlign == f.channels * f.bitsPerSample / 8;
}

std::string productName(const std::string& name) {
    if (name.size() <= kMaxNameLength) return name;
    std::size_t cut = kMaxNameLength;
    // Step back over continuation bytes so that a multi-byte character is not split.
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80)
        --cut;
    return name.substr(0, cut);
}

}  // namespace aurx::wave

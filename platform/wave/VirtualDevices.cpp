// The virtual devices: input 0 "Virtual Line In" and output 0 "Virtual Speaker". They take
// linear PCM of 8 or 16 bits, one or two channels, at any of the recorder's sampling rates.
#include <algorithm>
#include <iterator>

#include "platform/wave/DeviceSet.h"

namespace wave {
namespace {

constexpr std::uint32_t kRates[] = {6000,  8000,  11025, 16000, 22050, 32000,
                                    44100, 48000, 64000, 88200, 96000, 192000};

bool acceptable(const codecs::WaveFormat& f) {
    return f.tag == codecs::kTagPcm && (f.bitsPerSample == 8 || f.bitsPerSample == 16) &&
           (f.channels == 1 || f.channels == 2) &&
           f.blockAlign == f.channels * f.bitsPerSample / 8 &&
           std::find(std::begin(kRates), std::end(kRates), f.samplesPerSec) != std::end(kRates);
}

bool exists(int device) {
    return device == kDefaultDevice || device == 0;
}

class VirtualDevices : public DeviceSet {
  public:
    int inputCount() const override { return 1; }
    int outputCount() const override { return 1; }
    std::optional<std::string> inputName(int device) const override {
        if (!exists(device)) return std::nullopt;
        return std::string("Virtual Line In");
    }
    std::optional<std::string> outputName(int device) const override {
        if (!exists(device)) return std::nullopt;
        return std::string("Virtual Speaker");
    }
    bool inputAccepts(int device, const codecs::WaveFormat& f) const override {
        return exists(device) && acceptable(f);
    }
    bool outputAccepts(int device, const codecs::WaveFormat& f) const override {
        return exists(device) && acceptable(f);
    }
};

}  // namespace

std::shared_ptr<DeviceSet> makeVirtualDevices() {
    return std::make_shared<VirtualDevices>();
}

}  // namespace wave

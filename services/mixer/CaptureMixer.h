// The sound cards' recording mixers as the application touches them: the cards that record,
// and on each its controls with a recording volume or a switch. ALSA's simple mixer stands
// behind it on the machine; tests give fakes.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace parlaro::mixer {

// One card's recording controls. A read that fails gives nothing; anything unexpected is
// thrown as a std::exception.
class CaptureMixer {
  public:
    virtual ~CaptureMixer() = default;
    struct Control {
        std::string name;
        bool volume = false;  // a recording volume
        bool onOff = false;   // a switch
    };
    virtual std::vector<Control> controls() = 0;
    // Nothing when it cannot be read.
    virtual std::optional<long> volume(const std::string& name) = 0;
    virtual void setVolume(const std::string& name, long value) = 0;
    virtual std::optional<bool> isOn(const std::string& name) = 0;
    virtual void setOn(const std::string& name, bool on) = 0;
};

class MixerSystem {
  public:
    virtual ~MixerSystem() = default;
    // The number of devices that record.
    virtual int captureDeviceCount() = 0;
    // Nothing when the mixer cannot be opened.
    virtual std::unique_ptr<CaptureMixer> open(int device) = 0;
};

// The machine's ALSA cards that record.
std::unique_ptr<MixerSystem> openAlsaMixers();

}  // namespace parlaro::mixer

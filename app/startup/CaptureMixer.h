// The nudge given to the sound cards' recording mixers when the window loads, so that the
// microphone input carrying the telephone line is live: the microphone's recording volume is
// moved up 10 steps and back down 20 (it ends 10 below where it was), and a microphone boost
// switch that is on is switched off and on again. Nothing is kept. The mixers are reached
// through small interfaces: ALSA's simple mixer on the machine, fakes in tests.
#pragma once

#include "app/recording/Prompter.h"

#include <QString>

#include <memory>
#include <optional>
#include <vector>

namespace parlaro {

// One card's recording controls.
class CaptureMixer {
  public:
    virtual ~CaptureMixer() = default;
    struct Control {
        QString name;
        bool volume = false;  // a recording volume
        bool onOff = false;   // a switch
    };
    virtual std::vector<Control> controls() = 0;
    // Nothing when it cannot be read.
    virtual std::optional<long> volume(const QString& name) = 0;
    virtual void setVolume(const QString& name, long value) = 0;
    virtual std::optional<bool> isOn(const QString& name) = 0;
    virtual void setOn(const QString& name, bool on) = 0;
};

class MixerSystem {
  public:
    virtual ~MixerSystem() = default;
    // The number of devices that record.
    virtual int captureDeviceCount() = 0;
    // Nothing when the mixer cannot be opened.
    virtual std::unique_ptr<CaptureMixer> open(int device) = 0;
};

// Mixers 0 to captureDeviceCount() - 1 in turn; the first that cannot be opened ends the
// nudge silently. A control that fails is reported and the nudge goes on.
void NudgeCaptureMixers(MixerSystem& mixers, Prompter& prompter);

// The machine's ALSA cards.
std::unique_ptr<MixerSystem> makeAlsaMixerSystem();

}  // namespace parlaro

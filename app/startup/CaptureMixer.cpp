#include "app/startup/CaptureMixer.h"

#include "app/recording/StatusDisplay.h"

#include <stdexcept>

namespace parlaro {

namespace {

constexpr long kVolumeNudge = 10;

// The microphone line's controls are those named for it; its boost is a switch named for the
// boost or for its 20 dB.
bool onMicrophone(const QString& name) {
    return name.contains("mic", Qt::CaseInsensitive);
}
bool isBoost(const QString& name) {
    return name.contains("20") || name.toUpper().contains("BOO");
}

void nudge(CaptureMixer& mixer, const CaptureMixer::Control& c, Prompter& prompter) {
    try {
        if (c.volume) {
            if (const auto v = mixer.volume(c.name)) {
                mixer.setVolume(c.name, *v + kVolumeNudge);
                mixer.setVolume(c.name, *v - kVolumeNudge);
            }
        }
        if (c.onOff && isBoost(c.name) && mixer.isOn(c.name).value_or(false)) {
            mixer.setOn(c.name, false);
            mixer.setOn(c.name, true);
        }
    } catch (const std::exception& e) {
        prompter.show(
            {kProductName,
             "Error occured in modMixer:FindVolumeControls: " + QString::fromUtf8(e.what()),
             Icon::Exclamation, Buttons::Ok});
    }
}

}  // namespace

void NudgeCaptureMixers(MixerSystem& mixers, Prompter& prompter) {
    const int devices = mixers.captureDeviceCount();
    for (int device = 0; device < devices; ++device) {
        const std::unique_ptr<CaptureMixer> mixer = mixers.open(device);
        if (!mixer) return;
        // Volumes first, then the switches, as each kind of control is looked for in turn.
        const std::vector<CaptureMixer::Control> controls = mixer->controls();
        for (const bool volumes : {true, false}) {
            for (const CaptureMixer::Control& c : controls) {
                if (!onMicrophone(c.name)) continue;
                CaptureMixer::Control only = c;
                only.volume = volumes && c.volume;
                only.onOff = !volumes && c.onOff;
                nudge(*mixer, only, prompter);
            }
        }
    }
}

}  // namespace parlaro

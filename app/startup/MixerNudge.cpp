#include "app/startup/MixerNudge.h"

#include "app/recording/StatusDisplay.h"

#include <QString>

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

void report(Prompter& prompter, const char* where, const std::exception& e) {
    prompter.show(
        {kProductName,
         QString("Error occured in modMixer:") + where + ": " + QString::fromUtf8(e.what()),
         Icon::Exclamation, Buttons::Ok});
}

// The control's value, nothing when it cannot be read; an unexpected failure is told.
std::optional<long> GetVolumeControlValue(mixer::CaptureMixer& mixer, const std::string& name,
                                          Prompter& prompter) {
    try {
        return mixer.volume(name);
    } catch (const std::exception& e) {
        report(prompter, "GetVolumeControlValue", e);
        return std::nullopt;
    }
}

void FindVolumeControls(mixer::CaptureMixer& mixer, const mixer::CaptureMixer::Control& c,
                        bool volumes, Prompter& prompter) {
    try {
        if (volumes) {
            if (const auto v = GetVolumeControlValue(mixer, c.name, prompter)) {
                mixer.setVolume(c.name, *v + kVolumeNudge);
                mixer.setVolume(c.name, *v - kVolumeNudge);
            }
            return;
        }
        if (isBoost(QString::fromStdString(c.name)) && mixer.isOn(c.name).value_or(false)) {
            mixer.setOn(c.name, false);
            mixer.setOn(c.name, true);
        }
    } catch (const std::exception& e) {
        report(prompter, "FindVolumeControls", e);
    }
}

}  // namespace

void NudgeCaptureMixers(mixer::MixerSystem& mixers, Prompter& prompter) {
    const int devices = mixers.captureDeviceCount();
    for (int device = 0; device < devices; ++device) {
        const std::unique_ptr<mixer::CaptureMixer> card = mixers.open(device);
        if (!card) return;
        // Volumes first, then the switches, as each kind of control is looked for in turn.
        const std::vector<mixer::CaptureMixer::Control> controls = card->controls();
        for (const bool volumes : {true, false}) {
            for (const mixer::CaptureMixer::Control& c : controls) {
                if (!onMicrophone(QString::fromStdString(c.name))) continue;
                if (volumes ? c.volume : c.onOff) FindVolumeControls(*card, c, volumes, prompter);
            }
        }
    }
}

}  // namespace parlaro

// Real sound devices through PortAudio. Inputs and outputs are numbered separately, in
// PortAudio's device order, counting only devices with input (or output) channels.
#include <alsa/asoundlib.h>
#include <portaudio.h>
#ifdef AURX_HAVE_JACK
#include <jack/jack.h>
#endif

#include <mutex>

#include "platform/wave/DeviceSet.h"

namespace wave {
namespace {

void quietAlsa(const char*, int, const char*, int, const char*, ...) {}
#ifdef AURX_HAVE_JACK
void quietJack(const char*) {}
#endif

// PortAudio is initialised once per process; the ALSA and JACK libraries otherwise fill
// stderr with complaints on machines without a sound card.
class PortAudioSession {
  public:
    PortAudioSession() {
        snd_lib_error_set_handler(quietAlsa);
#ifdef AURX_HAVE_JACK
        jack_set_error_function(quietJack);
        jack_set_info_function(quietJack);
#endif
        ok_ = Pa_Initialize() == paNoError;
    }
    ~PortAudioSession() {
        if (ok_) Pa_Terminate();
    }
    PortAudioSession(const PortAudioSession&) = delete;
    PortAudioSession& operator=(const PortAudioSession&) = delete;
    bool ok() const {
        return ok_;
    }

  private:
    bool ok_ = false;
};

class PortAudioDevices : public DeviceSet {
  public:
    int inputCount() const override { return count(true); }
    int outputCount() const override { return count(false); }
    std::optional<std::string> inputName(int device) const override { return name(true, device); }
    std::optional<std::string> outputName(int device) const override { return name(false, device); }
    bool inputAccepts(int device, const codecs::WaveFormat& f) const override {
        return accepts(true, device, f);
    }
    bool outputAccepts(int device, const codecs::WaveFormat& f) const override {
        return accepts(false, device, f);
    }

  private:
    static bool has(const PaDeviceInfo* info, bool input) {
        return info && (input ? info->maxInputChannels : info->maxOutputChannels) > 0;
    }

    int count(bool input) const {
        if (!session_.ok()) return 0;
        int n = 0;
        for (PaDeviceIndex i = 0; i < Pa_GetDeviceCount(); ++i)
            if (has(Pa_GetDeviceInfo(i), input)) ++n;
        return n;
    }

    // Our device number to PortAudio's index; paNoDevice when there is none.
    PaDeviceIndex index(bool input, int device) const {
        if (!session_.ok()) return paNoDevice;
        if (device == kDefaultDevice)
            return input ? Pa_GetDefaultInputDevice() : Pa_GetDefaultOutputDevice();
        int n = 0;
        for (PaDeviceIndex i = 0; i < Pa_GetDeviceCount(); ++i)
            if (has(Pa_GetDeviceInfo(i), input) && n++ == device) return i;
        return paNoDevice;
    }

    std::optional<std::string> name(bool input, int device) const {
        const PaDeviceIndex i = index(input, device);
        if (i == paNoDevice) return std::nullopt;
        const PaDeviceInfo* info = Pa_GetDeviceInfo(i);
        if (!info || !info->name) return std::nullopt;
        return productName(info->name);
    }

    bool accepts(bool input, int device, const codecs::WaveFormat& f) const {
        const PaDeviceIndex i = index(input, device);
        if (i == paNoDevice || f.tag != codecs::kTagPcm || f.channels == 0) return false;
        if (f.bitsPerSample != 8 && f.bitsPerSample != 16) return false;
        const PaDeviceInfo* info = Pa_GetDeviceInfo(i);
        PaStreamParameters p{};
        p.device = i;
        p.channelCount = f.channels;
        p.sampleFormat = f.bitsPerSample == 8 ? paUInt8 : paInt16;
        p.suggestedLatency = input ? info->defaultLowInputLatency : info->defaultLowOutputLatency;
        return Pa_IsFormatSupported(input ? &p : nullptr, input ? nullptr : &p, f.samplesPerSec) ==
               paFormatIsSupported;
    }

    PortAudioSession session_;
};

}  // namespace

std::shared_ptr<DeviceSet> makePortAudioDevices() {
    return std::make_shared<PortAudioDevices>();
}

}  // namespace wave

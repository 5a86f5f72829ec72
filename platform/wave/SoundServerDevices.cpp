// The system's devices as the recorder uses them all day: PortAudio (ALSA, PulseAudio,
// PipeWire) for every numbered device and for output, started at the first question that needs
// it, and the PulseAudio server itself (pipewire-pulse on PipeWire's desktops) for the default
// input where ALSA's default device leads there (it also answers the format questions on both
// default devices). Listening on the default input then costs neither PortAudio's start (which
// opens every device ALSA defines) nor the ALSA plugin's second buffer. There the last input,
// after PortAudio's, is this computer's own calls, recorded from the same server.
#include <chrono>
#include <mutex>

#include "platform/wave/DeviceSet.h"
#include "platform/wave/PaSession.h"
#include "platform/wave/PulseRoute.h"
#include "platform/wave/PulseStreams.h"

namespace aurx::wave {
namespace {

constexpr std::chrono::milliseconds kServerAsked{1000};

class SoundServerDevices : public DeviceSet {
  public:
    SoundServerDevices() = default;
    SoundServerDevices(const SoundServerDevices&) = delete;
    SoundServerDevices& operator=(const SoundServerDevices&) = delete;
    // Streams closed late (their server held them up) are waited for a little, so that those
    // closed by now end with their threads joined.
    ~SoundServerDevices() override {
        BoundedCalls::process().settle(std::chrono::milliseconds(500));
    }

    int inputCount() const override { return portAudio().inputCount() + (route() ? 1 : 0); }
    int outputCount() const override { return portAudio().outputCount(); }
    std::optional<std::string> inputName(int device) const override {
        if (computerCalls(device)) return std::string(kComputerCallsName);
        return portAudio().inputName(device);
    }
    std::optional<std::string> outputName(int device) const override {
        return portAudio().outputName(device);
    }
    bool inputAccepts(int device, const codecs::WaveFormat& f) const override {
        if (device == kDefaultDevice && route()) return pulseAccepts(f);
        if (computerCalls(device)) return computerCallsAccept(f);
        return portAudio().inputAccepts(device, f);
    }
    // The default output plays through the same server (by PortAudio and the plugin), which
    // takes any PCM it carries: asking it needs no PortAudio.
    bool outputAccepts(int device, const codecs::WaveFormat& f) const override {
        if (device == kDefaultDevice && route()) return pulseAccepts(f);
        return portAudio().outputAccepts(device, f);
    }
    std::unique_ptr<InputStream> openInput(int device, const codecs::WaveFormat& f,
                                           BufferSink& sink) override {
        // No second try through PortAudio when the server does not take the stream: its
        // default leads to the same server, and starting it waits on a server that is frozen.
        if (device == kDefaultDevice && route()) return openPulseInput(*route(), f, sink);
        if (computerCalls(device)) return openComputerCallsInput(*route(), f, sink);
        return portAudio().openInput(device, f, sink);
    }
    std::unique_ptr<OutputStream> openOutput(int device, const codecs::WaveFormat& f,
                                             BufferSink& sink) override {
        return portAudio().openOutput(device, f, sink);
    }

  private:
    bool computerCalls(int device) const {
        return device >= 0 && route() && device == portAudio().inputCount();
    }
    const std::optional<PulseRoute>& route() const {
        std::call_once(routeRead_, [this] {
            route_ = alsaDefaultPulseRoute();
            // Without pipewire-pulse, PipeWire is reached through PortAudio and its plugin.
            if (route_ && route_->pipeWire && !pulseServerAnswers(*route_, kServerAsked))
                route_.reset();
        });
        return route_;
    }
    DeviceSet& portAudio() const {
        std::call_once(portAudioStarted_, [this] { portAudio_ = makePortAudioDevices(); });
        return *portAudio_;
    }

    mutable std::once_flag routeRead_;
    mutable std::optional<PulseRoute> route_;
    mutable std::once_flag portAudioStarted_;
    mutable std::shared_ptr<DeviceSet> portAudio_;
};

}  // namespace

std::shared_ptr<DeviceSet> makeSoundServerDevices() {
    return std::make_shared<SoundServerDevices>();
}

}  // namespace aurx::wave

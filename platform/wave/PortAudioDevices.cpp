// Real sound devices through PortAudio. Inputs and outputs are numbered separately, in
// PortAudio's device order, counting only devices with input (or output) channels.
#include <portaudio.h>

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <tuple>

#include "platform/wave/DeviceSet.h"
#include "platform/wave/PaSession.h"
#include "platform/wave/PaStreams.h"

namespace aurx::wave {
namespace {

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
    std::unique_ptr<InputStream> openInput(int device, const codecs::WaveFormat& f,
                                           BufferSink& sink) override {
        const PaDeviceIndex i = index(true, device);
        if (i == paNoDevice || !acceptsLinearPcm(f)) return nullptr;
        return openPaInput(i, f, sink);
    }
    std::unique_ptr<OutputStream> openOutput(int device, const codecs::WaveFormat& f,
                                             BufferSink& sink) override {
        const PaDeviceIndex i = index(false, device);
        if (i == paNoDevice || !acceptsLinearPcm(f)) return nullptr;
        return openPaOutput(i, f, sink);
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

    // Asking opens the device, which a frozen sound server holds up: each question gets a
    // bound, and while one is held up the answers given before stand. A question never
    // answered is taken as yes: opening the device will tell, within its own bound.
    bool accepts(bool input, int device, const codecs::WaveFormat& f) const {
        const PaDeviceIndex i = index(input, device);
        if (i == paNoDevice || !acceptsLinearPcm(f)) return false;
        const PaDeviceInfo* info = Pa_GetDeviceInfo(i);
        PaStreamParameters p{};
        p.device = i;
        p.channelCount = f.channels;
        p.sampleFormat = f.bitsPerSample == 8 ? paUInt8 : paInt16;
        p.suggestedLatency = input ? info->defaultLowInputLatency : info->defaultLowOutputLatency;
        const Question key{input, i, f.samplesPerSec, f.channels, f.bitsPerSample};
        std::lock_guard lock(questionsMutex_);
        const auto remembered = [&] {
            const auto known = answers_.find(key);
            return known == answers_.end() || known->second;
        };
        if (heldUp_ && !heldUp_->done.load()) return remembered();
        auto answer = std::make_shared<Answer>();
        const double rate = f.samplesPerSec;
        const bool inTime = BoundedCalls::process().run(
            [answer, p, input, rate] {
                answer->yes.store(Pa_IsFormatSupported(input ? &p : nullptr, input ? nullptr : &p,
                                                       rate) == paFormatIsSupported);
                answer->done.store(true);
            },
            kQuestionBound);
        if (!inTime) {
            heldUp_ = std::move(answer);
            return remembered();
        }
        heldUp_.reset();
        answers_[key] = answer->yes.load();
        return answer->yes.load();
    }

    static constexpr std::chrono::milliseconds kQuestionBound{1000};
    using Question = std::tuple<bool, PaDeviceIndex, std::uint32_t, std::uint16_t, std::uint16_t>;
    struct Answer {
        std::atomic<bool> yes{false};
        std::atomic<bool> done{false};
    };

    PortAudioSession session_;
    mutable std::mutex questionsMutex_;
    mutable std::map<Question, bool> answers_;
    mutable std::shared_ptr<Answer> heldUp_;
};

}  // namespace

std::shared_ptr<DeviceSet> makePortAudioDevices() {
    return std::make_shared<PortAudioDevices>();
}

}  // namespace aurx::wave

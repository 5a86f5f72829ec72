// Real sound devices through PortAudio. Inputs and outputs are numbered separately, in
// PortAudio's device order, counting only devices with input (or output) channels.
#include <alsa/asoundlib.h>
#include <portaudio.h>
#ifdef AURX_HAVE_JACK
#include <jack/jack.h>
#endif

#include <atomic>
#include <cstring>
#include <mutex>

#include "platform/wave/SpscRing.h"

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

PaSampleFormat sampleFormat(const codecs::WaveFormat& f) {
    return f.bitsPerSample == 8 ? paUInt8 : paInt16;
}

// Buffers travel from the worker to the callback through one ring and come back through the
// sink; the callback copies, counts and hands over, nothing more.
class PaStreamBase {
  public:
    PaStreamBase(const codecs::WaveFormat& format, BufferSink& sink, Direction direction)
        : format_(format), sink_(sink), direction_(direction) {}
    PaStreamBase(const PaStreamBase&) = delete;
    PaStreamBase& operator=(const PaStreamBase&) = delete;
    virtual ~PaStreamBase() {
        if (stream_) {
            Pa_AbortStream(stream_);
            Pa_CloseStream(stream_);
        }
    }

    bool open(PaDeviceIndex device) {
        const PaDeviceInfo* info = Pa_GetDeviceInfo(device);
        if (!info) return false;
        PaStreamParameters p{};
        p.device = device;
        p.channelCount = format_.channels;
        p.sampleFormat = sampleFormat(format_);
        const bool input = direction_ == Direction::Input;
        p.suggestedLatency = input ? info->defaultHighInputLatency : info->defaultHighOutputLatency;
        return Pa_OpenStream(&stream_, input ? &p : nullptr, input ? nullptr : &p,
                             format_.samplesPerSec, paFramesPerBufferUnspecified, paNoFlag,
                             &PaStreamBase::callback, this) == paNoError;
    }

  protected:
    static int callback(const void* in, void* out, unsigned long frames,
                        const PaStreamCallbackTimeInfo*, PaStreamCallbackFlags, void* self) {
        static_cast<PaStreamBase*>(self)->process(
            static_cast<const std::uint8_t*>(in), static_cast<std::uint8_t*>(out),
            frames * static_cast<PaStreamBase*>(self)->format_.blockAlign);
        return paContinue;
    }

    void process(const std::uint8_t* in, std::uint8_t* out, std::size_t bytes) {
        std::size_t done = 0;
        const bool input = direction_ == Direction::Input;
        while (done < bytes) {
            if (input ? false : paused_.load(std::memory_order_acquire)) break;
            if (!current_) {
                const auto next = pending_.front();
                if (!next) break;
                pending_.pop();
                current_ = *next;
                used_ = 0;
            }
            const std::size_t size = input ? current_->capacity : current_->length;
            const std::size_t n = std::min(bytes - done, size - used_);
            if (input)
                std::memcpy(current_->data + used_, in + done, n);
            else
                std::memcpy(out + done, current_->data + used_, n);
            used_ += n;
            done += n;
            if (used_ == size) {
                if (input) current_->length = size;
                sink_.bufferDone(direction_, *current_);
                current_ = nullptr;
            }
        }
        // Nothing to play (or paused): silence. Nothing to record into: the sound is lost.
        if (!input && done < bytes)
            std::memset(out + done, format_.bitsPerSample == 8 ? 0x80 : 0, bytes - done);
    }

    // Stops the stream and returns every buffer it still holds.
    void abortAndReturn() {
        if (Pa_IsStreamActive(stream_) == 1 || Pa_IsStreamStopped(stream_) == 0)
            Pa_AbortStream(stream_);
        if (current_) {
            if (direction_ == Direction::Input) current_->length = used_;
            sink_.bufferDone(direction_, *current_);
            current_ = nullptr;
        }
        while (const auto b = pending_.front()) {
            pending_.pop();
            if (direction_ == Direction::Input) (*b)->length = 0;
            sink_.bufferDone(direction_, **b);
        }
    }

    const codecs::WaveFormat format_;
    BufferSink& sink_;
    const Direction direction_;
    PaStream* stream_ = nullptr;
    SpscRing<Buffer*, 16> pending_;
    Buffer* current_ = nullptr;  // the callback's, or the worker's once the stream is stopped
    std::size_t used_ = 0;
    std::atomic<bool> paused_{false};
};

class PaInput : public InputStream, public PaStreamBase {
  public:
    using PaStreamBase::PaStreamBase;
    bool add(Buffer& b) override { return pending_.push(&b); }
    bool start() override { return Pa_StartStream(stream_) == paNoError; }
    void reset() override { abortAndReturn(); }
};

class PaOutput : public OutputStream, public PaStreamBase {
  public:
    using PaStreamBase::PaStreamBase;
    bool begin() { return Pa_StartStream(stream_) == paNoError; }
    bool write(Buffer& b) override { return pending_.push(&b); }
    void pause() override { paused_.store(true, std::memory_order_release); }
    void restart() override { paused_.store(false, std::memory_order_release); }
    void reset() override {
        abortAndReturn();
        paused_.store(false, std::memory_order_release);
        Pa_StartStream(stream_);
    }
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
    std::unique_ptr<InputStream> openInput(int device, const codecs::WaveFormat& f,
                                           BufferSink& sink) override {
        const PaDeviceIndex i = index(true, device);
        if (i == paNoDevice || !acceptsPcm(f)) return nullptr;
        auto s = std::make_unique<PaInput>(f, sink, Direction::Input);
        if (!s->open(i)) return nullptr;
        return s;
    }
    std::unique_ptr<OutputStream> openOutput(int device, const codecs::WaveFormat& f,
                                             BufferSink& sink) override {
        const PaDeviceIndex i = index(false, device);
        if (i == paNoDevice || !acceptsPcm(f)) return nullptr;
        auto s = std::make_unique<PaOutput>(f, sink, Direction::Output);
        if (!s->open(i) || !s->begin()) return nullptr;
        return s;
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

    static bool acceptsPcm(const codecs::WaveFormat& f) {
        return f.tag == codecs::kTagPcm && f.channels > 0 &&
               (f.bitsPerSample == 8 || f.bitsPerSample == 16) &&
               f.blockAlign == f.channels * f.bitsPerSample / 8;
    }

    bool accepts(bool input, int device, const codecs::WaveFormat& f) const {
        const PaDeviceIndex i = index(input, device);
        if (i == paNoDevice || !acceptsPcm(f)) return false;
        const PaDeviceInfo* info = Pa_GetDeviceInfo(i);
        PaStreamParameters p{};
        p.device = i;
        p.channelCount = f.channels;
        p.sampleFormat = sampleFormat(f);
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

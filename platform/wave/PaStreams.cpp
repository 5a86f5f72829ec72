#include "platform/wave/PaStreams.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

#include "platform/wave/DeliveryCut.h"
#include "platform/wave/PaSession.h"
#include "platform/wave/SpscRing.h"
#include "platform/wave/StartGate.h"

namespace aurx::wave {

using std::chrono::milliseconds;

namespace {

// Opening and starting a stream normally takes tens of milliseconds; closing one that a
// frozen server holds up must not hold up Stop, which gets two seconds in all.
constexpr milliseconds kOpenBound{2000};
constexpr milliseconds kCloseBound{400};
// A recording's start waits this long at most for the device's first delivery.
constexpr milliseconds kStartBound{1000};
constexpr milliseconds kDrainMargin{1000};
// What a sound server may still hold after it has taken the stream's last sound (its sink's
// buffer), in seconds.
constexpr double kServerMargin = 0.25;
// A playing stream is called for sound every 0.1 s. One that has not been called for this long
// has lost its device without PortAudio ending it (PipeWire's ALSA plugin after its server died
// leaves PortAudio's thread polling in vain): it counts as failed, as an ended one does.
constexpr milliseconds kOutputSilence{1500};
constexpr milliseconds kWatchEvery{250};

PaSampleFormat sampleFormat(const codecs::WaveFormat& f) {
    return f.bitsPerSample == 8 ? paUInt8 : paInt16;
}

// What one PortAudio stream shares between its owner, PortAudio's threads and the bounded
// calls made for it; it lives until the last of them lets go, so a stream that is closed
// late still calls back into a live object. Buffers travel from the owner to the callback
// through one ring and come back through the sink; the callback copies and hands over,
// nothing more.
class PaStreamCore {
  public:
    PaStreamCore(const codecs::WaveFormat& format, BufferSink& sink, Direction direction)
        : format_(format), sink_(sink), direction_(direction) {}
    PaStreamCore(const PaStreamCore&) = delete;
    PaStreamCore& operator=(const PaStreamCore&) = delete;

    static bool open(const std::shared_ptr<PaStreamCore>& core, PaDeviceIndex device) {
        const bool done = BoundedCalls::process().run(
            [core, device] {
                std::lock_guard lock(core->calls_);
                core->opened_ = core->openNow(device);
            },
            kOpenBound);
        return done && core->opened_;
    }

    static bool start(const std::shared_ptr<PaStreamCore>& core) {
        const bool done = BoundedCalls::process().run(
            [core] {
                std::lock_guard lock(core->calls_);
                core->lastCalled_.store(now());
                core->started_ = core->stream_ && Pa_StartStream(core->stream_) == paNoError;
            },
            kOpenBound);
        if (!done || !core->started_) return false;
        if (core->direction_ == Direction::Output)
            core->watchdog_ = std::thread([raw = core.get()] { raw->watch(); });
        else
            core->gate_.open(kStartBound);
        return true;
    }

    // Waits while what the device still holds plays out: until the callback has followed the
    // last sound with more silence than the device and its server hold (a stop that drains,
    // or a close, would otherwise drop the tail, which the server has not played yet).
    bool playOut() {
        const double seconds = latency_.load() + kServerMargin;
        const auto needed = static_cast<std::uint64_t>(seconds * format_.samplesPerSec);
        const auto deadline = std::chrono::steady_clock::now() + kDrainMargin +
                              milliseconds(static_cast<long>(seconds * 1000));
        while (silentFrames_.load(std::memory_order_acquire) < needed) {
            if (failed_.load() || std::chrono::steady_clock::now() >= deadline) return false;
            std::this_thread::sleep_for(milliseconds(10));
        }
        return !failed_.load();
    }

    // Detached for good, then aborted and closed, late if the server holds it up.
    static void close(const std::shared_ptr<PaStreamCore>& core) {
        {
            std::lock_guard lock(core->watch_);
            core->stopping_.store(true);
        }
        core->watchWake_.notify_all();
        if (core->watchdog_.joinable()) core->watchdog_.join();
        core->detach();
        BoundedCalls::process().run(
            [core] {
                std::lock_guard lock(core->calls_);
                if (!core->stream_) return;
                Pa_AbortStream(core->stream_);
                Pa_CloseStream(core->stream_);
                core->stream_ = nullptr;
            },
            kCloseBound);
    }

    bool queue(Buffer& b) { return pending_.push(&b); }
    void setPaused(bool paused) { paused_.store(paused, std::memory_order_release); }
    void deliverUpTo(DeliveryCut::Clock::time_point until, milliseconds bound) {
        cut_.cutAt(until, bound, failed_);
    }

    // Returns every buffer the stream still holds (an input buffer with what it recorded),
    // without a call into PortAudio: the callback is shut out while the owner takes them.
    void returnAll(bool attachAgain) {
        detach();
        cut_.clear();
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
        if (attachAgain) detached_.store(false);
    }

  private:
    bool openNow(PaDeviceIndex device) {
        const PaDeviceInfo* info = Pa_GetDeviceInfo(device);
        if (!info) return false;
        const PaStreamShape shape = PaStreamShape::of(format_, direction_);
        PaStreamParameters p{};
        p.device = device;
        p.channelCount = format_.channels;
        p.sampleFormat = sampleFormat(format_);
        p.suggestedLatency = shape.latency;
        const bool input = direction_ == Direction::Input;
        if (Pa_OpenStream(&stream_, input ? &p : nullptr, input ? nullptr : &p,
                          format_.samplesPerSec, shape.framesPerCallback, paNoFlag,
                          &PaStreamCore::callback, this) != paNoError) {
            stream_ = nullptr;
            return false;
        }
        if (const PaStreamInfo* si = Pa_GetStreamInfo(stream_))
            latency_.store(input ? si->inputLatency : si->outputLatency);
        Pa_SetStreamFinishedCallback(stream_, &PaStreamCore::finished);
        return true;
    }

    // The callback and the finished notice run only while the stream is attached; detach()
    // returns once neither is running, and neither touches a buffer or the sink after it.
    bool enter() {
        inside_.fetch_add(1);
        if (!detached_.load()) return true;
        inside_.fetch_sub(1);
        return false;
    }
    void leave() { inside_.fetch_sub(1); }
    void detach() {
        detached_.store(true);
        while (inside_.load() != 0)
            std::this_thread::yield();
    }

    static std::int64_t now() {
        return std::chrono::steady_clock::now().time_since_epoch().count();
    }

    static int callback(const void* in, void* out, unsigned long frames,
                        const PaStreamCallbackTimeInfo* time, PaStreamCallbackFlags, void* self) {
        auto& core = *static_cast<PaStreamCore*>(self);
        core.lastCalled_.store(now(), std::memory_order_relaxed);
        std::size_t bytes = frames * core.format_.blockAlign;
        if (in) {
            // How long ago the newest frame was captured, where the host API says.
            const double age = time && time->inputBufferAdcTime > 0
                                   ? time->currentTime - time->inputBufferAdcTime -
                                         static_cast<double>(frames) / core.format_.samplesPerSec
                                   : 0;
            // What was captured before the start returned is not the recording's.
            const std::size_t early = core.gate_.before(bytes, core.format_, age);
            if (early == bytes) return paContinue;
            in = static_cast<const std::uint8_t*>(in) + early;
            bytes = core.cut_.keep(bytes - early, core.format_, age);
        }
        if (core.enter()) {
            core.process(static_cast<const std::uint8_t*>(in), static_cast<std::uint8_t*>(out),
                         bytes);
            core.leave();
        } else if (out) {
            core.silence(static_cast<std::uint8_t*>(out), bytes);
        }
        return paContinue;
    }

    // PortAudio's stream thread has ended. Unasked, that means the device failed: its
    // server went away.
    static void finished(void* self) {
        auto& core = *static_cast<PaStreamCore*>(self);
        if (core.stopping_.load()) return;
        core.fail();
    }

    // Told once, whether the stream ended or fell silent.
    void fail() {
        if (failed_.exchange(true)) return;
        if (!enter()) return;
        sink_.deviceFailed(direction_);
        leave();
    }

    // Runs beside a started output stream until it is closed.
    void watch() {
        std::unique_lock lock(watch_);
        while (!watchWake_.wait_for(lock, kWatchEvery, [this] { return stopping_.load(); })) {
            const auto quiet = std::chrono::steady_clock::duration(now() - lastCalled_.load());
            if (quiet < kOutputSilence || failed_.load()) continue;
            lock.unlock();
            fail();
            lock.lock();
        }
    }

    void process(const std::uint8_t* in, std::uint8_t* out, std::size_t bytes) {
        std::size_t done = 0;
        const bool input = direction_ == Direction::Input;
        while (done < bytes) {
            if (!input && paused_.load(std::memory_order_acquire)) break;
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
        if (!input && done < bytes) {
            silence(out + done, bytes - done);
            const std::uint64_t frames = (bytes - done) / format_.blockAlign;
            silentFrames_.store(done > 0 ? frames : silentFrames_.load() + frames,
                                std::memory_order_release);
        } else if (!input) {
            silentFrames_.store(0, std::memory_order_release);
        }
    }

    void silence(std::uint8_t* out, std::size_t bytes) const {
        std::memset(out, format_.bitsPerSample == 8 ? 0x80 : 0, bytes);
    }

    const codecs::WaveFormat format_;
    BufferSink& sink_;
    const Direction direction_;

    std::mutex calls_;  // one call into PortAudio at a time for this stream
    PaStream* stream_ = nullptr;
    bool opened_ = false;
    bool started_ = false;
    std::atomic<double> latency_{0};

    SpscRing<Buffer*, 16> pending_;
    Buffer* current_ = nullptr;  // the callback's, or the owner's while detached
    std::size_t used_ = 0;
    std::atomic<bool> paused_{false};
    std::atomic<bool> detached_{false};
    std::atomic<int> inside_{0};
    std::atomic<bool> stopping_{false};  // a stop was asked: the stream's end is no failure
    std::atomic<bool> failed_{false};
    std::atomic<std::uint64_t> silentFrames_{0};  // played since the last sound
    std::atomic<std::int64_t> lastCalled_{0};
    StartGate gate_;   // input: a start's instant
    DeliveryCut cut_;  // input: a stop's instant     // steady clock, when PortAudio last called
    std::mutex watch_;
    std::condition_variable watchWake_;
    std::thread watchdog_;  // output only, from start to close
};

class PaInput : public InputStream {
  public:
    explicit PaInput(std::shared_ptr<PaStreamCore> core) : core_(std::move(core)) {}
    PaInput(const PaInput&) = delete;
    PaInput& operator=(const PaInput&) = delete;
    ~PaInput() override { PaStreamCore::close(core_); }
    bool add(Buffer& b) override { return core_->queue(b); }
    bool start() override { return PaStreamCore::start(core_); }
    void reset() override { core_->returnAll(true); }
    void deliverUpTo(std::chrono::steady_clock::time_point until,
                     std::chrono::milliseconds bound) override {
        core_->deliverUpTo(until, bound);
    }

  private:
    std::shared_ptr<PaStreamCore> core_;
};

class PaOutput : public OutputStream {
  public:
    explicit PaOutput(std::shared_ptr<PaStreamCore> core) : core_(std::move(core)) {}
    PaOutput(const PaOutput&) = delete;
    PaOutput& operator=(const PaOutput&) = delete;
    ~PaOutput() override { PaStreamCore::close(core_); }
    bool start() { return PaStreamCore::start(core_); }
    bool write(Buffer& b) override { return core_->queue(b); }
    void pause() override { core_->setPaused(true); }
    void restart() override { core_->setPaused(false); }
    void reset() override {
        core_->setPaused(false);
        core_->returnAll(true);
    }
    bool drain() override { return core_->playOut(); }

  private:
    std::shared_ptr<PaStreamCore> core_;
};

template <class Stream>
std::unique_ptr<Stream> openCore(PaDeviceIndex device, const codecs::WaveFormat& format,
                                 BufferSink& sink, Direction direction) {
    auto core = std::make_shared<PaStreamCore>(format, sink, direction);
    if (!PaStreamCore::open(core, device)) {
        PaStreamCore::close(core);
        return nullptr;
    }
    return std::make_unique<Stream>(std::move(core));
}

}  // namespace

PaStreamShape PaStreamShape::of(const codecs::WaveFormat& format, Direction direction) {
    PaStreamShape s;
    s.framesPerCallback = std::max<unsigned long>(format.samplesPerSec / 10, 1);
    // Input: half a second of room, as arecord takes; the callback still comes every 0.1 s,
    // but through PulseAudio's ALSA plugin a small buffer makes the server and the plugin
    // trade data more often (a quarter fewer switches, a third less CPU while recording,
    // measured with bench/real-server-cost). Output: four buffers ahead, so that playback
    // rides out a late wake-up of its thread or of the sound server.
    s.latency = direction == Direction::Input ? 0.5 : 0.4;
    return s;
}

std::unique_ptr<InputStream> openPaInput(PaDeviceIndex device, const codecs::WaveFormat& format,
                                         BufferSink& sink) {
    return openCore<PaInput>(device, format, sink, Direction::Input);
}

std::unique_ptr<OutputStream> openPaOutput(PaDeviceIndex device, const codecs::WaveFormat& format,
                                           BufferSink& sink) {
    auto out = openCore<PaOutput>(device, format, sink, Direction::Output);
    if (out && !out->start()) return nullptr;
    return out;
}

}  // namespace aurx::wave

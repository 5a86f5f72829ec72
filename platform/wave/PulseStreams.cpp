#include "platform/wave/PulseStreams.h"

#include <errno.h>
#include <pulse/pulseaudio.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

#include "platform/wave/DeliveryCut.h"
#include "platform/wave/DeviceSet.h"
#include "platform/wave/PaSession.h"
#include "platform/wave/SpscRing.h"

namespace aurx::wave {

using std::chrono::milliseconds;

namespace {

constexpr milliseconds kOpenBound{2000};
constexpr milliseconds kCloseBound{400};

// The stream's sample layout in libpulse's terms.
pa_sample_spec layoutOf(const codecs::WaveFormat& f) {
    pa_sample_spec layout{};
    layout.format = f.bitsPerSample == 8 ? PA_SAMPLE_U8 : PA_SAMPLE_S16LE;
    layout.rate = f.samplesPerSec;
    layout.channels = static_cast<std::uint8_t>(f.channels);
    return layout;
}

// One record stream and the libpulse main loop that runs it. Everything libpulse calls back
// runs on the loop's thread with the loop's lock held; the owner takes that lock for the few
// things it does itself, which never waits long, since the loop lets go of it while it polls.
// The core lives until the last of its owner and a late close lets go.
class PulseInputCore {
  public:
    PulseInputCore(const codecs::WaveFormat& format, BufferSink& sink)
        : format_(format), sink_(sink) {}
    PulseInputCore(const PulseInputCore&) = delete;
    PulseInputCore& operator=(const PulseInputCore&) = delete;
    ~PulseInputCore() { tearDown(); }

    // Connects and sets up the stream, corked; false when the server did not take it in time.
    bool open(const PulseRoute& route) {
        route_ = route;
        loop_ = pa_threaded_mainloop_new();
        if (!loop_) return false;
        context_ =
            pa_context_new(pa_threaded_mainloop_get_api(loop_), program_invocation_short_name);
        if (!context_) return false;
        pa_context_set_state_callback(context_, &PulseInputCore::contextChanged, this);
        if (pa_context_connect(context_, route_.server.empty() ? nullptr : route_.server.c_str(),
                               PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
            return false;
        if (pa_threaded_mainloop_start(loop_) < 0) return false;
        running_ = true;
        std::unique_lock lock(mutex_);
        ready_.wait_for(lock, kOpenBound, [this] { return phase_ != Phase::Opening; });
        // Too late: a stream that gets ready now is not this owner's.
        if (phase_ == Phase::Opening) phase_ = Phase::Failed;
        return phase_ == Phase::Ready;
    }

    bool start() {
        pa_threaded_mainloop_lock(loop_);
        const bool ok = stream_ && !failed_;
        if (ok) {
            if (pa_operation* o = pa_stream_cork(stream_, 0, nullptr, nullptr))
                pa_operation_unref(o);
        }
        pa_threaded_mainloop_unlock(loop_);
        return ok;
    }

    bool queue(Buffer& b) { return pending_.push(&b); }
    void deliverUpTo(DeliveryCut::Clock::time_point until, milliseconds bound) {
        cut_.cutAt(until, bound, lostFlag_);
    }

    // Returns every buffer held (the current one with what it recorded); the stream goes on
    // with the buffers added after it.
    void returnAll() {
        pa_threaded_mainloop_lock(loop_);
        cut_.clear();
        if (current_) {
            current_->length = used_;
            sink_.bufferDone(Direction::Input, *current_);
            current_ = nullptr;
        }
        while (const auto b = pending_.front()) {
            pending_.pop();
            (*b)->length = 0;
            sink_.bufferDone(Direction::Input, **b);
        }
        pa_threaded_mainloop_unlock(loop_);
    }

    // Lets the owner go at once; the connection is closed within a bound, or later.
    static void close(const std::shared_ptr<PulseInputCore>& core) {
        if (core->loop_ && core->running_) {
            pa_threaded_mainloop_lock(core->loop_);
            core->detached_ = true;
            core->current_ = nullptr;
            pa_threaded_mainloop_unlock(core->loop_);
        }
        BoundedCalls::process().run([core] { core->tearDown(); }, kCloseBound);
    }

  private:
    enum class Phase { Opening, Ready, Failed };

    void tearDown() {
        std::lock_guard once(tearDown_);
        if (!loop_) return;
        if (running_) pa_threaded_mainloop_lock(loop_);
        if (stream_) {
            pa_stream_set_state_callback(stream_, nullptr, nullptr);
            pa_stream_set_read_callback(stream_, nullptr, nullptr);
            pa_stream_disconnect(stream_);
            pa_stream_unref(stream_);
            stream_ = nullptr;
        }
        if (context_) {
            pa_context_set_state_callback(context_, nullptr, nullptr);
            pa_context_disconnect(context_);
            pa_context_unref(context_);
            context_ = nullptr;
        }
        if (running_) {
            pa_threaded_mainloop_unlock(loop_);
            pa_threaded_mainloop_stop(loop_);
        }
        pa_threaded_mainloop_free(loop_);
        loop_ = nullptr;
    }

    // Ends the opening; returns the phase that was reached before.
    Phase settle(Phase phase) {
        Phase before = Phase::Opening;
        {
            std::lock_guard lock(mutex_);
            before = phase_;
            if (phase_ == Phase::Opening) phase_ = phase;
        }
        ready_.notify_all();
        return before;
    }

    // Once the stream was handed out, the end of the connection or of the stream is the device
    // failing: said once, after every buffer finished before it.
    void lost() {
        if (failed_) return;
        failed_ = true;
        lostFlag_.store(true);
        if (settle(Phase::Failed) == Phase::Ready && !detached_)
            sink_.deviceFailed(Direction::Input);
    }

    static void contextChanged(pa_context* c, void* self) {
        auto& core = *static_cast<PulseInputCore*>(self);
        switch (pa_context_get_state(c)) {
            case PA_CONTEXT_READY:
                if (!core.connectStream()) core.settle(Phase::Failed);
                break;
            case PA_CONTEXT_FAILED:
            case PA_CONTEXT_TERMINATED:
                core.lost();
                break;
            default:
                break;
        }
    }

    static void streamChanged(pa_stream* s, void* self) {
        auto& core = *static_cast<PulseInputCore*>(self);
        switch (pa_stream_get_state(s)) {
            case PA_STREAM_READY:
                core.settle(Phase::Ready);
                break;
            case PA_STREAM_FAILED:
            case PA_STREAM_TERMINATED:
                core.lost();
                break;
            default:
                break;
        }
    }

    // The server hands over a fragment of one buffer's length at a time: ten wake-ups a second.
    bool connectStream() {
        const auto layout = layoutOf(format_);
        stream_ = pa_stream_new(context_, "Recording", &layout, nullptr);
        if (!stream_) return false;
        pa_stream_set_state_callback(stream_, &PulseInputCore::streamChanged, this);
        pa_stream_set_read_callback(stream_, &PulseInputCore::readable, this);
        pa_buffer_attr attr{};
        attr.maxlength = static_cast<std::uint32_t>(-1);
        attr.fragsize = static_cast<std::uint32_t>(
            std::max<std::size_t>(format_.samplesPerSec / 10, 1) * format_.blockAlign);
        attr.tlength = attr.prebuf = attr.minreq = static_cast<std::uint32_t>(-1);
        const auto flags =
            static_cast<pa_stream_flags_t>(PA_STREAM_START_CORKED | PA_STREAM_ADJUST_LATENCY);
        return pa_stream_connect_record(stream_,
                                        route_.device.empty() ? nullptr : route_.device.c_str(),
                                        &attr, flags) == 0;
    }

    static void readable(pa_stream* s, std::size_t, void* self) {
        auto& core = *static_cast<PulseInputCore*>(self);
        const void* data = nullptr;
        std::size_t bytes = 0;
        // Peek says when nothing is left (no data, no length); every call into libpulse costs
        // it a system call to check for a fork, so none is made only to ask.
        while (pa_stream_peek(s, &data, &bytes) == 0) {
            if (bytes == 0) break;
            const std::size_t kept = core.cut_.keep(bytes, core.format_);
            if (!core.detached_) core.take(static_cast<const std::uint8_t*>(data), kept);
            pa_stream_drop(s);
        }
    }

    // A hole in what the server sent (no data) is recorded as silence, so that time runs on.
    // Nothing to record into: the sound is lost.
    void take(const std::uint8_t* in, std::size_t bytes) {
        std::size_t done = 0;
        while (done < bytes) {
            if (!current_) {
                const auto next = pending_.front();
                if (!next) return;
                pending_.pop();
                current_ = *next;
                used_ = 0;
            }
            const std::size_t n = std::min(bytes - done, current_->capacity - used_);
            if (in)
                std::memcpy(current_->data + used_, in + done, n);
            else
                std::memset(current_->data + used_, format_.bitsPerSample == 8 ? 0x80 : 0, n);
            used_ += n;
            done += n;
            if (used_ == current_->capacity) {
                current_->length = used_;
                sink_.bufferDone(Direction::Input, *current_);
                current_ = nullptr;
            }
        }
    }

    const codecs::WaveFormat format_;
    BufferSink& sink_;
    PulseRoute route_;

    pa_threaded_mainloop* loop_ = nullptr;
    bool running_ = false;  // the loop's thread was started
    pa_context* context_ = nullptr;
    pa_stream* stream_ = nullptr;
    std::mutex tearDown_;

    std::mutex mutex_;  // for phase_, which the opener waits on
    std::condition_variable ready_;
    Phase phase_ = Phase::Opening;

    DeliveryCut cut_;                    // a stop's instant
    std::atomic<bool> lostFlag_{false};  // failed_, for the owner waiting on a cut
    // Under the loop's lock:
    bool failed_ = false;
    bool detached_ = false;
    Buffer* current_ = nullptr;
    std::size_t used_ = 0;
    SpscRing<Buffer*, 16> pending_;  // the owner adds, the loop's thread takes
};

class PulseInput : public InputStream {
  public:
    explicit PulseInput(std::shared_ptr<PulseInputCore> core) : core_(std::move(core)) {}
    PulseInput(const PulseInput&) = delete;
    PulseInput& operator=(const PulseInput&) = delete;
    ~PulseInput() override { PulseInputCore::close(core_); }
    bool add(Buffer& b) override { return core_->queue(b); }
    bool start() override { return core_->start(); }
    void reset() override { core_->returnAll(); }
    void deliverUpTo(std::chrono::steady_clock::time_point until,
                     std::chrono::milliseconds bound) override {
        core_->deliverUpTo(until, bound);
    }

  private:
    std::shared_ptr<PulseInputCore> core_;
};

}  // namespace

bool pulseServerAnswers(const PulseRoute& route, milliseconds bound) {
    pa_mainloop* loop = pa_mainloop_new();
    if (!loop) return false;
    pa_context* context = pa_context_new(pa_mainloop_get_api(loop), program_invocation_short_name);
    bool answered = false;
    if (context &&
        pa_context_connect(context, route.server.empty() ? nullptr : route.server.c_str(),
                           PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0) {
        // Never blocks: a server that stopped answering costs `bound`, no more.
        const auto deadline = std::chrono::steady_clock::now() + bound;
        for (;;) {
            const pa_context_state_t state = pa_context_get_state(context);
            answered = state == PA_CONTEXT_READY;
            if (answered || !PA_CONTEXT_IS_GOOD(state) ||
                std::chrono::steady_clock::now() >= deadline)
                break;
            if (pa_mainloop_iterate(loop, 0, nullptr) == 0)
                std::this_thread::sleep_for(milliseconds(5));
        }
        pa_context_disconnect(context);
    }
    if (context) pa_context_unref(context);
    pa_mainloop_free(loop);
    return answered;
}

bool pulseAccepts(const codecs::WaveFormat& f) {
    return acceptsLinearPcm(f) && f.channels <= PA_CHANNELS_MAX && f.samplesPerSec >= 1 &&
           f.samplesPerSec <= PA_RATE_MAX;
}

std::unique_ptr<InputStream> openPulseInput(const PulseRoute& route,
                                            const codecs::WaveFormat& format, BufferSink& sink) {
    if (!pulseAccepts(format)) return nullptr;
    auto core = std::make_shared<PulseInputCore>(format, sink);
    if (!core->open(route)) {
        PulseInputCore::close(core);
        return nullptr;
    }
    return std::make_unique<PulseInput>(std::move(core));
}

}  // namespace aurx::wave

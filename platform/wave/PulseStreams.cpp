#include "platform/wave/PulseStreams.h"

#include <errno.h>
#include <pulse/pulseaudio.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/wave/DeliveryCut.h"
#include "platform/wave/DeviceSet.h"
#include "platform/wave/PaSession.h"
#include "platform/wave/SideJoin.h"
#include "platform/wave/SpscRing.h"
#include "platform/wave/StartGate.h"

namespace aurx::wave {

using std::chrono::milliseconds;

namespace {

constexpr milliseconds kOpenBound{2000};
constexpr milliseconds kCloseBound{400};
// A start waits this long at most for the server's first delivery.
constexpr milliseconds kStartBound{1000};
// A side of this computer's calls that delivers nothing holds up the other this long (longer
// than a monitor's latency, half a second on PulseAudio, and shorter than a stall).
constexpr double kJoinLag = 0.75;
// How far a side's capture times may stray from its samples' count before it is put back in
// step: well beyond the jitter of its deliveries (a PulseAudio monitor's arrive up to a tenth
// of a second late now and then, as its sink's latency changes), so that only a side that
// delivered nothing for a while (a sink's monitor while nothing plays) or its drift over a
// long call moves it.
constexpr double kJoinSlack = 0.3;

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
// The core lives until the last of its owner and a late close lets go. Recording this
// computer's calls, it runs two streams, the route's source and the default sink's monitor,
// and joins them into one.
class PulseInputCore {
  public:
    PulseInputCore(const codecs::WaveFormat& format, BufferSink& sink, bool bothSides)
        : format_(format), sink_(sink), sides_(bothSides ? 2 : 1) {
        if (bothSides) {
            join_.emplace(format, kJoinLag, kJoinSlack);
            joined_.resize(std::max<std::size_t>(format.samplesPerSec / 10, 1) * format.blockAlign);
        }
    }
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

    // Both sides start in one message to the server, so that they start together; the
    // recording starts with the first sound delivered after this returns.
    bool start() {
        gate_.close();
        pa_threaded_mainloop_lock(loop_);
        const bool ok = readyStreams_ == sides_ && !failed_;
        for (std::size_t i = 0; ok && i < sides_; ++i)
            if (pa_operation* o = pa_stream_cork(streams_[i].stream, 0, nullptr, nullptr))
                pa_operation_unref(o);
        pa_threaded_mainloop_unlock(loop_);
        if (ok) gate_.open(kStartBound);
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
        if (join_) join_->clear();
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
        for (auto& side : streams_) {
            if (!side.stream) continue;
            pa_stream_set_state_callback(side.stream, nullptr, nullptr);
            pa_stream_set_read_callback(side.stream, nullptr, nullptr);
            pa_stream_disconnect(side.stream);
            pa_stream_unref(side.stream);
            side.stream = nullptr;
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
                // The other side is what the speakers play: the default sink's monitor, asked
                // by name (pipewire-pulse takes "@DEFAULT_MONITOR@" for another source).
                if (core.sides_ == 1)
                    core.connectStreams();
                else if (pa_operation* o =
                             pa_context_get_server_info(c, &PulseInputCore::serverTold, &core))
                    pa_operation_unref(o);
                else
                    core.settle(Phase::Failed);
                break;
            case PA_CONTEXT_FAILED:
            case PA_CONTEXT_TERMINATED:
                core.lost();
                break;
            default:
                break;
        }
    }

    static void serverTold(pa_context* c, const pa_server_info* info, void* self) {
        auto& core = *static_cast<PulseInputCore*>(self);
        pa_operation* o = info && info->default_sink_name
                              ? pa_context_get_sink_info_by_name(c, info->default_sink_name,
                                                                 &PulseInputCore::sinkTold, self)
                              : nullptr;
        if (o)
            pa_operation_unref(o);
        else
            core.settle(Phase::Failed);
    }

    static void sinkTold(pa_context*, const pa_sink_info* info, int last, void* self) {
        auto& core = *static_cast<PulseInputCore*>(self);
        if (last != 0) {
            if (core.monitor_.empty()) core.settle(Phase::Failed);
            return;
        }
        if (info && info->monitor_source_name && core.monitor_.empty()) {
            core.monitor_ = info->monitor_source_name;
            core.connectStreams();
        }
    }

    void connectStreams() {
        for (std::size_t i = 0; i < sides_; ++i)
            if (!connectStream(i)) {
                settle(Phase::Failed);
                return;
            }
    }

    static void streamChanged(pa_stream* s, void* self) {
        auto& core = *static_cast<StreamSide*>(self)->core;
        switch (pa_stream_get_state(s)) {
            case PA_STREAM_READY:
                if (++core.readyStreams_ == core.sides_) core.settle(Phase::Ready);
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
    // Each side of a joined recording comes as 16-bit mono, the server mixing down.
    bool connectStream(std::size_t i) {
        const auto format =
            sides_ == 1 ? format_ : codecs::WaveFormat::pcm(format_.samplesPerSec, 1, 16);
        const auto layout = layoutOf(format);
        streams_[i] = {this,
                       pa_stream_new(context_, i == 0 ? "Recording" : "Recording the other side",
                                     &layout, nullptr)};
        pa_stream* stream = streams_[i].stream;
        if (!stream) return false;
        pa_stream_set_state_callback(stream, &PulseInputCore::streamChanged, &streams_[i]);
        pa_stream_set_read_callback(stream, &PulseInputCore::readable, &streams_[i]);
        pa_buffer_attr attr{};
        attr.maxlength = static_cast<std::uint32_t>(-1);
        attr.fragsize = static_cast<std::uint32_t>(
            std::max<std::size_t>(format.samplesPerSec / 10, 1) * format.blockAlign);
        attr.tlength = attr.prebuf = attr.minreq = static_cast<std::uint32_t>(-1);
        const auto flags =
            static_cast<pa_stream_flags_t>(PA_STREAM_START_CORKED | PA_STREAM_ADJUST_LATENCY);
        const char* device = i == 1                  ? monitor_.c_str()
                             : route_.device.empty() ? nullptr
                                                     : route_.device.c_str();
        return pa_stream_connect_record(stream, device, &attr, flags) == 0;
    }

    static void readable(pa_stream* s, std::size_t, void* self) {
        const auto& stream = *static_cast<StreamSide*>(self);
        auto& core = *stream.core;
        const void* data = nullptr;
        std::size_t bytes = 0;
        // A side of a joined recording: when its oldest sample was captured.
        double capturedAt = core.join_ ? core.oldestCaptured(s) : 0;
        // Peek says when nothing is left (no data, no length); every call into libpulse costs
        // it a system call to check for a fork, so none is made only to ask.
        while (pa_stream_peek(s, &data, &bytes) == 0) {
            if (bytes == 0) break;
            // What was captured before the start returned is not the recording's.
            const std::size_t early = core.gate_.before(bytes, core.deliveredFormat());
            const auto* kept = data ? static_cast<const std::uint8_t*>(data) + early : nullptr;
            if (early == bytes) {
                // all of it
            } else if (core.join_) {
                const auto which =
                    &stream == &core.streams_[0] ? SideJoin::ThisSide : SideJoin::OtherSide;
                core.joinSide(which, kept, bytes - early, capturedAt + core.seconds(early));
            } else {
                core.deliver(kept, bytes - early);
            }
            if (core.join_) capturedAt += core.seconds(bytes);
            pa_stream_drop(s);
        }
    }

    // What each stream delivers: the recording's format, or a side's 16-bit mono.
    codecs::WaveFormat deliveredFormat() const {
        return join_ ? codecs::WaveFormat::pcm(format_.samplesPerSec, 1, 16) : format_;
    }
    double seconds(std::size_t bytes) const {
        return static_cast<double>(bytes / deliveredFormat().blockAlign) / format_.samplesPerSec;
    }

    void deliver(const std::uint8_t* data, std::size_t bytes) {
        const std::size_t kept = cut_.keep(bytes, format_);
        if (!detached_) take(data, kept);
    }

    // When a side's oldest unread sample was captured, taken as the instant its data reached
    // this process less its length: the server's latency figures stray by a quantum or two on
    // PipeWire, while the two sides' deliveries take the same path.
    double oldestCaptured(pa_stream* s) const {
        const double now =
            std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
                .count();
        return now - static_cast<double>(pa_stream_readable_size(s) / 2) / format_.samplesPerSec;
    }

    void joinSide(SideJoin::Side side, const void* data, std::size_t bytes, double capturedAt) {
        join_->push(side, static_cast<const std::int16_t*>(data), bytes / 2, capturedAt);
        while (const std::size_t n = join_->pull(joined_.data(), joined_.size()))
            deliver(joined_.data(), n);
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
    // What each stream's callbacks are handed: the core, and which side the stream is.
    struct StreamSide {
        PulseInputCore* core = nullptr;
        pa_stream* stream = nullptr;
    };
    const std::size_t sides_;
    std::array<StreamSide, 2> streams_{};
    std::size_t readyStreams_ = 0;  // under the loop's lock
    std::string monitor_;           // the other side's source, once the server named it
    std::optional<SideJoin> join_;
    std::vector<std::uint8_t> joined_;
    std::mutex tearDown_;

    std::mutex mutex_;  // for phase_, which the opener waits on
    std::condition_variable ready_;
    Phase phase_ = Phase::Opening;

    StartGate gate_;                     // a start's instant
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

std::unique_ptr<InputStream> openInput(const PulseRoute& route, const codecs::WaveFormat& format,
                                       BufferSink& sink, bool bothSides) {
    auto core = std::make_shared<PulseInputCore>(format, sink, bothSides);
    if (!core->open(route)) {
        PulseInputCore::close(core);
        return nullptr;
    }
    return std::make_unique<PulseInput>(std::move(core));
}

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
    return openInput(route, format, sink, false);
}

bool computerCallsAccept(const codecs::WaveFormat& f) {
    return pulseAccepts(f) && f.channels <= 2;
}

std::unique_ptr<InputStream> openComputerCallsInput(const PulseRoute& route,
                                                    const codecs::WaveFormat& format,
                                                    BufferSink& sink) {
    if (!computerCallsAccept(format)) return nullptr;
    return openInput(route, format, sink, true);
}

}  // namespace aurx::wave

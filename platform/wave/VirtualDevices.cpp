#include "platform/wave/VirtualDevices.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <iterator>
#include <string_view>
#include <thread>
#include <utility>

#include "platform/wave/VirtualLine.h"
#include "platform/wave/VirtualSpeaker.h"

namespace aurx::wave {
namespace {

constexpr std::uint32_t kRates[] = {6000,  8000,  11025, 16000, 22050, 32000,
                                    44100, 48000, 64000, 88200, 96000, 192000};

bool acceptable(const codecs::WaveFormat& f) {
    return f.tag == codecs::kTagPcm && (f.bitsPerSample == 8 || f.bitsPerSample == 16) &&
           (f.channels == 1 || f.channels == 2) &&
           f.blockAlign == f.channels * f.bitsPerSample / 8 &&
           std::find(std::begin(kRates), std::end(kRates), f.samplesPerSec) != std::end(kRates);
}

bool exists(int device) {
    return device == kDefaultDevice || device == 0;
}

std::chrono::nanoseconds durationOf(const Buffer& b, const codecs::WaveFormat& f) {
    const double seconds = static_cast<double>(b.capacity) / f.avgBytesPerSec;
    return std::chrono::nanoseconds(static_cast<std::int64_t>(seconds * 1e9));
}

// What both virtual streams share: the queue of buffers handed over, the pacing thread and
// the manual clock's hook.
class VirtualStream {
  public:
    VirtualStream(Direction direction, const codecs::WaveFormat& format, BufferSink& sink,
                  const VirtualConfig& config)
        : format_(format),
          direction_(direction),
          sink_(sink),
          pacing_(config.pacing),
          clock_(config.clock) {
        if (pacing_ == Pacing::Manual && clock_)
            clock_->attach(
                direction_,
                [this](BufferSink*& s, std::uint64_t& ticket) {
                    s = &sink_;
                    return finishNext(&ticket);
                },
                [this] { unplug(); });
    }
    virtual ~VirtualStream() {
        if (pacing_ == Pacing::Manual && clock_) clock_->detach(direction_);
    }

  protected:
    // Fills (input) or plays (output) one buffer when it finishes.
    virtual void finishing(Buffer& b) = 0;

    void enqueue(Buffer& b) {
        {
            std::lock_guard lock(mutex_);
            queue_.push_back(&b);
        }
        wake_.notify_all();
        if (pacing_ == Pacing::Fast && running()) finishAll();
    }

    bool running() const {
        std::lock_guard lock(mutex_);
        return running_;
    }

    void run() {
        {
            std::lock_guard lock(mutex_);
            if (unplugged_) return;
            running_ = true;
        }
        if (pacing_ == Pacing::Realtime && !thread_.joinable())
            thread_ = std::thread([this] { pace(); });
        if (pacing_ == Pacing::Fast) finishAll();
        wake_.notify_all();
    }

    void hold() {
        std::lock_guard lock(mutex_);
        running_ = false;
    }

    // Returns every buffer still held, unfinished, and stops the pacing.
    void returnAll() {
        stopThread();
        std::lock_guard lock(mutex_);
        for (Buffer* b : queue_) {
            if (direction_ == Direction::Input) b->length = 0;
            sink_.bufferDone(direction_, *b);
        }
        queue_.clear();
    }

    void stopThread() {
        {
            std::lock_guard lock(mutex_);
            quit_ = true;
        }
        wake_.notify_all();
        if (thread_.joinable()) thread_.join();
        std::lock_guard lock(mutex_);
        quit_ = false;
    }

    const codecs::WaveFormat format_;

  private:
    // The device is gone: nothing more is finished, and the owner hears of it once.
    void unplug() {
        {
            std::lock_guard lock(mutex_);
            unplugged_ = true;
            running_ = false;
        }
        sink_.deviceFailed(direction_);
    }

    // Finishing happens under the lock so that the buffers of one stream reach the sink from
    // one thread at a time.
    bool finishNext(std::uint64_t* ticket) {
        std::lock_guard lock(mutex_);
        if (queue_.empty() || !running_) return false;
        Buffer* b = queue_.front();
        queue_.pop_front();
        finishing(*b);
        const std::uint64_t t = sink_.bufferDone(direction_, *b);
        if (ticket) *ticket = t;
        return true;
    }

    void finishAll() {
        while (finishNext(nullptr)) {
        }
    }

    void pace() {
        auto next = std::chrono::steady_clock::now();
        for (;;) {
            std::chrono::nanoseconds period(100'000'000);
            {
                std::unique_lock lock(mutex_);
                if (!queue_.empty()) period = durationOf(*queue_.front(), format_);
            }
            next += period;
            {
                std::unique_lock lock(mutex_);
                if (wake_.wait_until(lock, next, [this] { return quit_; })) return;
                if (!running_) {
                    // Paused: the clock of this stream stands still.
                    wake_.wait(lock, [this] { return quit_ || running_; });
                    if (quit_) return;
                    next = std::chrono::steady_clock::now();
                    continue;
                }
            }
            if (!finishNext(nullptr)) idleTick();
        }
    }

    // A tick with no buffer to finish.
    virtual void idleTick() {}

    const Direction direction_;
    BufferSink& sink_;
    const Pacing pacing_;
    std::shared_ptr<ManualClock> clock_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Buffer*> queue_;
    bool running_ = false;
    bool unplugged_ = false;
    bool quit_ = false;
    std::thread thread_;
};

class VirtualInput : public InputStream, private VirtualStream {
  public:
    VirtualInput(const codecs::WaveFormat& format, BufferSink& sink, const VirtualConfig& config,
                 std::shared_ptr<VirtualLine> line)
        : VirtualStream(Direction::Input, format, sink, config),
          line_(std::move(line)),
          realtime_(config.pacing == Pacing::Realtime),
          keepsTime_(config.pacing != Pacing::Manual || config.manualInputKeepsTime),
          step_(static_cast<double>(line_->rate()) / format.samplesPerSec) {}
    ~VirtualInput() override { stopThread(); }

    bool keepsTime() const override { return keepsTime_; }
    bool add(Buffer& b) override {
        enqueue(b);
        return true;
    }
    bool start() override {
        // In real time the line ran on while nobody listened: pick it up where it is now.
        if (realtime_) cursor_ = line_->elapsedFrames();
        run();
        return true;
    }
    void reset() override {
        hold();
        returnAll();
    }

  private:
    void finishing(Buffer& b) override {
        const std::size_t frames = b.capacity / format_.blockAlign;
        const double lineFrames = static_cast<double>(frames) * step_;
        const double at =
            realtime_ ? std::exchange(cursor_, cursor_ + lineFrames) : line_->claim(lineFrames);
        line_->render(at, format_, b.data, frames);
        b.length = frames * format_.blockAlign;
    }
    void idleTick() override {
        // Nobody took the line's audio of this period: it is gone, as on a real line.
        cursor_ += 0.1 * line_->rate();
    }

    std::shared_ptr<VirtualLine> line_;
    const bool realtime_;
    const bool keepsTime_;
    const double step_;
    double cursor_ = 0;
};

class VirtualOutput : public OutputStream, private VirtualStream {
  public:
    VirtualOutput(const codecs::WaveFormat& format, BufferSink& sink, const VirtualConfig& config)
        : VirtualStream(Direction::Output, format, sink, config),
          speaker_(VirtualSpeaker::create(config.speakerOut, format)) {
        run();
    }
    ~VirtualOutput() override { stopThread(); }

    bool write(Buffer& b) override {
        enqueue(b);
        return true;
    }
    void pause() override { hold(); }
    void restart() override { run(); }
    void reset() override {
        hold();
        returnAll();
        run();  // a reset output plays what is written next, paused or not
    }

  private:
    void finishing(Buffer& b) override {
        if (speaker_) speaker_->play({b.data, b.length});
    }
    std::optional<VirtualSpeaker> speaker_;
};

class VirtualDevices : public DeviceSet {
  public:
    explicit VirtualDevices(VirtualConfig config) : config_(std::move(config)) {}

    int inputCount() const override { return 1; }
    int outputCount() const override { return 1; }
    std::optional<std::string> inputName(int device) const override {
        if (!exists(device)) return std::nullopt;
        return std::string("Virtual Line In");
    }
    std::optional<std::string> outputName(int device) const override {
        if (!exists(device)) return std::nullopt;
        return std::string("Virtual Speaker");
    }
    bool inputAccepts(int device, const codecs::WaveFormat& f) const override {
        return exists(device) && acceptable(f);
    }
    bool outputAccepts(int device, const codecs::WaveFormat& f) const override {
        return exists(device) && acceptable(f);
    }
    std::unique_ptr<InputStream> openInput(int device, const codecs::WaveFormat& f,
                                           BufferSink& sink) override {
        if (!inputAccepts(device, f)) return nullptr;
        line().start();
        return std::make_unique<VirtualInput>(f, sink, config_, line_);
    }
    std::unique_ptr<OutputStream> openOutput(int device, const codecs::WaveFormat& f,
                                             BufferSink& sink) override {
        if (!outputAccepts(device, f)) return nullptr;
        return std::make_unique<VirtualOutput>(f, sink, config_);
    }

  private:
    VirtualLine& line() {
        std::lock_guard lock(mutex_);
        if (!line_) {
            if (!config_.lineIn.empty())
                line_ = VirtualLine::fromFile(config_.lineIn, config_.loop);
            if (!line_) line_ = std::make_shared<VirtualLine>();
        }
        return *line_;
    }

    const VirtualConfig config_;
    std::mutex mutex_;
    std::shared_ptr<VirtualLine> line_;
};

}  // namespace

VirtualConfig VirtualConfig::fromEnvironment() {
    VirtualConfig c;
    if (const char* line = std::getenv("AURX_LINE_IN")) c.lineIn = line;
    if (const char* loop = std::getenv("AURX_LINE_LOOP")) c.loop = std::string_view(loop) == "1";
    if (const char* out = std::getenv("AURX_SPEAKER_OUT")) c.speakerOut = out;
    if (const char* clock = std::getenv("AURX_CLOCK"); clock && std::string_view(clock) == "fast")
        c.pacing = Pacing::Fast;
    return c;
}

std::shared_ptr<DeviceSet> makeVirtualDevices(VirtualConfig config) {
    return std::make_shared<VirtualDevices>(std::move(config));
}

std::shared_ptr<DeviceSet> makeVirtualDevices() {
    return makeVirtualDevices(VirtualConfig::fromEnvironment());
}

}  // namespace aurx::wave

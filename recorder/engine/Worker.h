// The control's worker thread and its one ordered queue, which carries both the host's
// numbered commands and the devices' finished buffers. Devices hand buffers over without
// locking (a ring per direction, and a word per direction for a device that failed); every
// message carries a sequence number so the worker handles them in the order they arrived. The
// worker state (0 to 7) is a shared word the host waits on; waits block on a condition, never spin.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "platform/wave/SpscRing.h"
#include "platform/wave/Streams.h"

namespace engine {

enum WorkerState : int {
    kNoWorker = 0,
    kStarted = 1,
    kIdle = 2,
    kInputFailed = 3,
    kRecording = 4,
    kStopping = 5,
    kOutputFailed = 6,
    kPlaying = 7,
};

enum Command : int {
    kCmdReady = 0,
    kCmdQuit = 1,
    kCmdStartRecording = 2,
    kCmdStopRecording = 3,
    kCmdStartPlayback = 4,
    kCmdStopPlayback = 5,
    kCmdPausePlayback = 6,
};

struct Message {
    enum class Kind { Command, BufferDone, DeviceFailed } kind = Kind::Command;
    int command = 0;
    std::intptr_t param = 0;                             // the command's argument
    wave::Direction direction = wave::Direction::Input;  // BufferDone, DeviceFailed
    wave::Buffer* buffer = nullptr;                      // BufferDone
    std::uint64_t sequence = 0;
};

// Shared words change under this signal so that waiters wake.
class StateSignal {
  public:
    template <class Predicate>
    void waitUntil(Predicate done) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, done);
    }
    void notify() {
        { std::lock_guard lock(mutex_); }
        changed_.notify_all();
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
};

class Worker : public wave::BufferSink {
  public:
    using Handler = std::function<void(const Message&)>;

    // `handler` receives every message except commands 0 and 1, on the worker thread.
    Worker(Handler handler, StateSignal& signal);
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;
    ~Worker() override;

    // Starts the thread and waits until it is idle; false when no thread could be made.
    bool start();
    // Asks the worker to end and waits until it has.
    void quit();

    int state() const { return state_.load(); }
    void setState(int s);
    // Queues a command; the ticket is for waitHandled().
    std::uint64_t post(int command, std::intptr_t param = 0);

    std::uint64_t bufferDone(wave::Direction direction, wave::Buffer& buffer) noexcept override;
    void waitHandled(std::uint64_t ticket) override;
    void deviceFailed(wave::Direction direction) noexcept override;
    // Waits until every message posted so far (by the host or a device) has been handled.
    void settle();

  private:
    bool next(Message& m);
    void run();
    void wake() noexcept;

    Handler handler_;
    StateSignal& signal_;
    std::atomic<int> state_{kNoWorker};
    std::atomic<std::uint64_t> sequence_{1};
    std::atomic<std::uint64_t> handled_{0};
    std::atomic<std::uint32_t> wakeups_{0};
    std::mutex commandsMutex_;
    std::deque<Message> commands_;
    struct Done {
        wave::Buffer* buffer = nullptr;
        std::uint64_t sequence = 0;
    };
    wave::SpscRing<Done, 32> done_[2];
    std::atomic<std::uint64_t> failed_[2]{};  // the sequence of a failure not yet handled; 0: none
    std::thread thread_;
};

}  // namespace engine

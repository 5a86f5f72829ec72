// The control's worker thread and its one ordered queue, which carries both the host's
// commands and the devices' finished buffers. Devices hand buffers over without
// locking (a ring per direction, and a word per direction for a device that failed); every
// message carries a sequence number so the worker handles them in the order they arrived. The
// worker state is a shared word the host waits on; waits block on a condition, never spin.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <variant>

#include "platform/wave/SpscRing.h"
#include "platform/wave/Streams.h"
#include "recorder/Codes.h"

namespace aurx::engine {

using aurx::WorkerCommand;
using aurx::WorkerState;

struct Command {
    WorkerCommand command = WorkerCommand::Ready;
    bool pause = false;  // PausePlayback: pause, or resume
};

// A device handed back one of its buffers.
struct BufferDone {
    wave::Direction direction = wave::Direction::Input;
    wave::Buffer* buffer = nullptr;
};

// A device stopped working.
struct DeviceFailed {
    wave::Direction direction = wave::Direction::Input;
};

// Nothing came for a while during a recording: time to look whether the input has stalled.
struct Tick {};

using Message = std::variant<Command, BufferDone, DeviceFailed, Tick>;

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
    // Makes a change that waiters must see whole: they test their condition before it or
    // after all of it, never in between.
    template <class Change>
    void change(Change apply) {
        {
            std::lock_guard lock(mutex_);
            apply();
        }
        changed_.notify_all();
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
};

class Worker : public wave::BufferSink {
  public:
    using Handler = std::function<void(const Message&)>;

    // `handler` receives every message except the commands Ready and Quit, on the worker thread.
    Worker(Handler handler, StateSignal& signal);
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;
    ~Worker() override;

    // Starts the thread and waits until it is idle; false when no thread could be made.
    bool start();
    // Asks the worker to end and waits until it has.
    void quit();

    WorkerState state() const { return state_.load(); }
    void setState(WorkerState s);
    // Queues a command; the ticket is for waitHandled().
    std::uint64_t post(Command command);
    std::uint64_t post(WorkerCommand command) { return post(Command{command}); }

    std::uint64_t bufferDone(wave::Direction direction, wave::Buffer& buffer) noexcept override;
    void waitHandled(std::uint64_t ticket) override;
    void deviceFailed(wave::Direction direction) noexcept override;
    // Waits until every message posted so far (by the host or a device) has been handled.
    void settle();

  private:
    struct Queued {
        Command command;
        std::uint64_t sequence = 0;
    };
    // The oldest waiting message and its sequence number.
    std::optional<std::pair<Message, std::uint64_t>> next();
    void run();
    // Raises the worker's priority while it plays, and lowers it again after.
    void keepPriority();
    void wake() noexcept;
    // Sleeps until the wake-up count is no longer `seen`.
    void sleepWhile(std::uint32_t seen) noexcept;
    // The same, for `ms` at most; false when the time ran out.
    bool sleepWhile(std::uint32_t seen, long ms) noexcept;

    static constexpr long kStallLookEveryMs = 500;
    Handler handler_;
    StateSignal& signal_;
    std::atomic<WorkerState> state_{WorkerState::NoWorker};
    std::atomic<std::uint64_t> sequence_{1};
    std::atomic<std::uint64_t> handled_{0};
    std::atomic<std::uint32_t> wakeups_{0};
    std::mutex commandsMutex_;
    std::deque<Queued> commands_;
    struct Done {
        wave::Buffer* buffer = nullptr;
        std::uint64_t sequence = 0;
    };
    wave::SpscRing<Done, 32> done_[2];
    std::atomic<std::uint64_t> failed_[2]{};  // the sequence of a failure not yet handled; 0: none
    std::thread thread_;
    // The worker's own: its priority when it started, and whether it is raised now.
    int basePriority_ = 0;
    bool raised_ = false;
};

}  // namespace aurx::engine

// The control's worker thread and its one ordered queue, which carries both the host's
// numbered commands and the devices' buffer-done messages. The worker state (0 to 7) is a
// shared word the host waits on; waits block on a condition, never spin.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

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
    enum class Kind { Command, BufferDone } kind = Kind::Command;
    int command = 0;
    std::intptr_t param = 0;  // command argument, or the finished buffer's index
    int device = 0;           // BufferDone: 0 input, 1 output
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

class Worker {
  public:
    using Handler = std::function<void(const Message&)>;

    // `handler` receives every message except commands 0 and 1, on the worker thread.
    explicit Worker(Handler handler, StateSignal& signal);
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;
    ~Worker();

    // Starts the thread and waits until it is idle; false when no thread could be made.
    bool start();
    // Asks the worker to end and waits until it has.
    void quit();
    bool running() const { return thread_.joinable(); }

    int state() const { return state_.load(); }
    void setState(int s);
    void post(Message m);
    StateSignal& signal() { return signal_; }

  private:
    void run();
    void raisePriority();

    Handler handler_;
    StateSignal& signal_;
    std::atomic<int> state_{kNoWorker};
    std::mutex queueMutex_;
    std::condition_variable queueChanged_;
    std::deque<Message> queue_;
    std::thread thread_;
};

}  // namespace engine

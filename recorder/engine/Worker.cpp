#include "recorder/engine/Worker.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <system_error>

namespace engine {

Worker::Worker(Handler handler, StateSignal& signal)
    : handler_(std::move(handler)), signal_(signal) {}

Worker::~Worker() {
    quit();
}

bool Worker::start() {
    try {
        thread_ = std::thread([this] { run(); });
    } catch (const std::system_error&) {
        return false;
    }
    signal_.waitUntil([this] { return state_.load() != kNoWorker; });
    post(Message{Message::Kind::Command, kCmdReady});
    signal_.waitUntil([this] { return state_.load() != kStarted; });
    return true;
}

void Worker::quit() {
    if (!thread_.joinable()) return;
    post(Message{Message::Kind::Command, kCmdQuit});
    signal_.waitUntil([this] { return state_.load() == kNoWorker; });
    thread_.join();
}

void Worker::setState(int s) {
    state_.store(s);
    signal_.notify();
}

void Worker::post(Message m) {
    {
        std::lock_guard lock(queueMutex_);
        queue_.push_back(m);
    }
    queueChanged_.notify_one();
}

void Worker::raisePriority() {
    // A raised priority keeps the buffers flowing on a busy desktop; where the system does
    // not allow it the worker runs at normal priority.
    const auto tid = static_cast<id_t>(::syscall(SYS_gettid));
    ::setpriority(PRIO_PROCESS, tid, -10);
}

void Worker::run() {
    raisePriority();
    setState(kStarted);
    for (;;) {
        Message m;
        {
            std::unique_lock lock(queueMutex_);
            queueChanged_.wait(lock, [this] { return !queue_.empty(); });
            m = queue_.front();
            queue_.pop_front();
        }
        if (m.kind == Message::Kind::Command && m.command == kCmdReady) {
            setState(kIdle);
        } else if (m.kind == Message::Kind::Command && m.command == kCmdQuit) {
            break;
        } else if (handler_) {
            handler_(m);
        }
    }
    setState(kNoWorker);
}

}  // namespace engine

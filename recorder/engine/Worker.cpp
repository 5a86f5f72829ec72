#include "recorder/engine/Worker.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <optional>
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
    post(kCmdReady);
    signal_.waitUntil([this] { return state_.load() != kStarted; });
    return true;
}

void Worker::quit() {
    if (!thread_.joinable()) return;
    post(kCmdQuit);
    thread_.join();
}

void Worker::setState(int s) {
    state_.store(s);
    signal_.notify();
}

void Worker::wake() noexcept {
    wakeups_.fetch_add(1, std::memory_order_release);
    wakeups_.notify_one();
}

std::uint64_t Worker::post(int command, std::intptr_t param) {
    Message m;
    {
        std::lock_guard lock(commandsMutex_);
        m.command = command;
        m.param = param;
        m.sequence = sequence_.fetch_add(1);
        commands_.push_back(m);
    }
    wake();
    return m.sequence;
}

std::uint64_t Worker::bufferDone(wave::Direction direction, wave::Buffer& buffer) noexcept {
    const std::uint64_t seq = sequence_.fetch_add(1);
    // Ten buffers per stream at most are out, so the ring never fills.
    done_[static_cast<int>(direction)].push(Done{&buffer, seq});
    wake();
    return seq;
}

void Worker::deviceFailed(wave::Direction direction) noexcept {
    // A second report before the first is handled says nothing new.
    std::uint64_t none = 0;
    failed_[static_cast<int>(direction)].compare_exchange_strong(none, sequence_.fetch_add(1));
    wake();
}

void Worker::waitHandled(std::uint64_t ticket) {
    signal_.waitUntil([&] { return handled_.load() >= ticket; });
}

void Worker::settle() {
    waitHandled(sequence_.load() - 1);
}

bool Worker::next(Message& m) {
    // The oldest of: the first command, the first finished buffer of each direction, a
    // failed device of each direction.
    const std::uint64_t none = UINT64_MAX;
    const std::optional<Done> done[2] = {done_[0].front(), done_[1].front()};
    std::uint64_t failed[2];
    for (int d = 0; d < 2; ++d) {
        failed[d] = failed_[d].load();
        if (failed[d] == 0) failed[d] = none;
    }
    std::unique_lock lock(commandsMutex_);
    const std::uint64_t c = commands_.empty() ? none : commands_.front().sequence;
    const std::uint64_t i = done[0] ? done[0]->sequence : none;
    const std::uint64_t o = done[1] ? done[1]->sequence : none;
    const std::uint64_t oldest = std::min({c, i, o, failed[0], failed[1]});
    if (oldest == none) return false;
    if (oldest == c) {
        m = commands_.front();
        commands_.pop_front();
        return true;
    }
    lock.unlock();
    m = Message{};
    m.sequence = oldest;
    for (int d = 0; d < 2; ++d) {
        const auto direction = d == 0 ? wave::Direction::Input : wave::Direction::Output;
        if (oldest == failed[d]) {
            failed_[d].store(0);
            m.kind = Message::Kind::DeviceFailed;
            m.direction = direction;
            return true;
        }
        if (done[d] && oldest == done[d]->sequence) {
            done_[d].pop();
            m.kind = Message::Kind::BufferDone;
            m.direction = direction;
            m.buffer = done[d]->buffer;
            return true;
        }
    }
    return false;
}

void Worker::run() {
    // A raised priority keeps the buffers flowing on a busy desktop; where the system does
    // not allow it the worker runs at normal priority.
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid)), -10);
    setState(kStarted);
    for (;;) {
        const std::uint32_t seen = wakeups_.load(std::memory_order_acquire);
        Message m;
        if (!next(m)) {
            wakeups_.wait(seen, std::memory_order_acquire);
            continue;
        }
        if (m.kind == Message::Kind::Command && m.command == kCmdQuit) break;
        if (m.kind == Message::Kind::Command && m.command == kCmdReady) {
            setState(kIdle);
        } else if (handler_) {
            handler_(m);
        }
        if (m.sequence > handled_.load()) handled_.store(m.sequence);
        signal_.notify();
    }
    setState(kNoWorker);
}

}  // namespace engine

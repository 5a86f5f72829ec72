#include "recorder/engine/Worker.h"

#include "platform/posix/Invariant.h"

#include <linux/futex.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <system_error>

namespace aurx::engine {

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
    signal_.waitUntil([this] { return state_.load() != WorkerState::NoWorker; });
    post(WorkerCommand::Ready);
    signal_.waitUntil([this] { return state_.load() != WorkerState::Started; });
    return true;
}

void Worker::quit() {
    if (!thread_.joinable()) return;
    post(WorkerCommand::Quit);
    thread_.join();
}

void Worker::setState(WorkerState s) {
    state_.store(s);
    signal_.notify();
}

// The wake-up count is waited on with the futex call itself: std::atomic's wait first spins
// and yields the processor four times, which at ten buffers a second costs more system calls
// (and, on a busy machine, switches) than the wait.
static_assert(sizeof(std::atomic<std::uint32_t>) == sizeof(std::uint32_t) &&
              std::atomic<std::uint32_t>::is_always_lock_free);

void Worker::wake() noexcept {
    wakeups_.fetch_add(1, std::memory_order_release);
    ::syscall(SYS_futex, reinterpret_cast<std::uint32_t*>(&wakeups_), FUTEX_WAKE_PRIVATE, 1,
              nullptr, nullptr, 0);
}

void Worker::sleepWhile(std::uint32_t seen) noexcept {
    // Returns at once when a wake-up came after `seen` was read; a spurious return only costs
    // another look at the queues.
    ::syscall(SYS_futex, reinterpret_cast<std::uint32_t*>(&wakeups_), FUTEX_WAIT_PRIVATE, seen,
              nullptr, nullptr, 0);
}

bool Worker::sleepWhile(std::uint32_t seen, long ms) noexcept {
    timespec wait{ms / 1000, (ms % 1000) * 1000000};
    const long r = ::syscall(SYS_futex, reinterpret_cast<std::uint32_t*>(&wakeups_),
                             FUTEX_WAIT_PRIVATE, seen, &wait, nullptr, 0);
    return !(r == -1 && errno == ETIMEDOUT);
}

std::uint64_t Worker::post(Command command) {
    std::uint64_t sequence = 0;
    {
        std::lock_guard lock(commandsMutex_);
        sequence = sequence_.fetch_add(1);
        commands_.push_back(Queued{command, sequence});
    }
    wake();
    return sequence;
}

std::uint64_t Worker::bufferDone(wave::Direction direction, wave::Buffer& buffer) noexcept {
    const std::uint64_t seq = sequence_.fetch_add(1);
    // Ten buffers per stream at most are out, so the ring never fills.
    const bool queued = done_[static_cast<int>(direction)].push(Done{&buffer, seq});
    AURX_INVARIANT(queued);
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

std::optional<std::pair<Message, std::uint64_t>> Worker::next() {
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
    if (oldest == none) return std::nullopt;
    if (oldest == c) {
        const Command command = commands_.front().command;
        commands_.pop_front();
        return std::pair{Message{command}, oldest};
    }
    lock.unlock();
    for (int d = 0; d < 2; ++d) {
        const auto direction = d == 0 ? wave::Direction::Input : wave::Direction::Output;
        if (oldest == failed[d]) {
            failed_[d].store(0);
            return std::pair{Message{DeviceFailed{direction}}, oldest};
        }
        if (done[d] && oldest == done[d]->sequence) {
            done_[d].pop();
            return std::pair{Message{BufferDone{direction, done[d]->buffer}}, oldest};
        }
    }
    return std::nullopt;
}

// Playback's device plays out its buffers in a few tenths of a second, so while playing the
// worker that refills them runs at a raised priority (where the system allows it), which keeps
// the sound flowing on a busy desktop. A recording needs no such haste, since its device holds
// a second of buffers; a raised worker would only preempt the device's thread at each buffer
// it hands over, two extra switches every tenth of a second all day.
void Worker::keepPriority() {
    const WorkerState s = state_.load();
    const bool raise = s == WorkerState::Playing                               ? true
                       : s == WorkerState::Idle || s == WorkerState::Recording ? false
                                                                               : raised_;
    if (raise == raised_) return;
    raised_ = raise;
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid)),
                  raise ? std::min(basePriority_, -10) : basePriority_);
}

void Worker::run() {
    errno = 0;
    basePriority_ = ::getpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid)));
    if (errno != 0) basePriority_ = 0;
    setState(WorkerState::Started);
    for (;;) {
        const std::uint32_t seen = wakeups_.load(std::memory_order_acquire);
        const auto taken = next();
        if (!taken) {
            // While buffers flow they wake the worker long before this; only an input that
            // has stopped delivering lets the time run out.
            if (state_.load() == WorkerState::Recording && handler_) {
                if (!sleepWhile(seen, kStallLookEveryMs)) handler_(Message{Tick{}});
            } else {
                sleepWhile(seen);
            }
            continue;
        }
        const auto& [m, sequence] = *taken;
        const auto* command = std::get_if<Command>(&m);
        if (command && command->command == WorkerCommand::Quit) break;
        if (command && command->command == WorkerCommand::Ready) {
            setState(WorkerState::Idle);
        } else if (handler_) {
            handler_(m);
            keepPriority();
        }
        if (sequence > handled_.load()) handled_.store(sequence);
        signal_.notify();
    }
    setState(WorkerState::NoWorker);
}

}  // namespace aurx::engine

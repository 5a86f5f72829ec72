#include "recorder/control/NotificationQueue.h"

#include "platform/posix/FdIo.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>

namespace aurx {

NotificationQueue::NotificationQueue() : fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

NotificationQueue::~NotificationQueue() = default;

void NotificationQueue::post(Notification n) {
    std::lock_guard lock(mutex_);
    queue_.push_back(n);
    // The descriptor only has to be readable while something waits: signal the first one.
    if (queue_.size() == 1) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto r = ::write(fd_.get(), &one, sizeof one);
    }
}

std::optional<Notification> NotificationQueue::take() {
    std::lock_guard lock(mutex_);
    if (queue_.empty()) return std::nullopt;
    const Notification n = queue_.front();
    queue_.pop_front();
    if (queue_.empty()) {
        std::uint64_t count = 0;
        [[maybe_unused]] const auto r = ::read(fd_.get(), &count, sizeof count);
    }
    return n;
}

void NotificationQueue::takeAll(std::deque<Notification>& out) {
    std::lock_guard lock(mutex_);
    if (queue_.empty()) return;
    out.insert(out.end(), queue_.begin(), queue_.end());
    queue_.clear();
    std::uint64_t count = 0;
    [[maybe_unused]] const auto r = ::read(fd_.get(), &count, sizeof count);
}

bool NotificationQueue::wait(int timeoutMs) const {
    pollfd p{fd_.get(), POLLIN, 0};
    return posix::pollRetrying(&p, 1, timeoutMs) > 0;
}

}  // namespace aurx

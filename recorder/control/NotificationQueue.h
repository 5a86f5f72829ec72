// Notifications from the worker to the host's thread. Any thread may post; the host takes
// them in the order posted. The descriptor is readable while notifications wait, so a host
// can watch it (poll, QSocketNotifier) and then let the control raise its events.
#pragma once

#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>

#include "platform/posix/UniqueFd.h"
#include "recorder/engine/Notifier.h"

namespace aurx {

using NotificationKind = engine::Notice;

struct Notification {
    NotificationKind kind;
    std::uint64_t generation = 0;            // the open file it is about
    StopCause cause = StopCause::Requested;  // for the stop notifications
    std::int64_t position = 0;               // for the input notices: where in the file
    std::int64_t missing = 0;                // and the samples of the line's time stalled
};

class NotificationQueue {
  public:
    NotificationQueue();
    NotificationQueue(const NotificationQueue&) = delete;
    NotificationQueue& operator=(const NotificationQueue&) = delete;
    ~NotificationQueue();

    int fd() const { return fd_.get(); }
    void post(Notification n);
    std::optional<Notification> take();
    // Moves every waiting notification to the end of `out`.
    void takeAll(std::deque<Notification>& out);
    // Waits up to `timeoutMs` (−1: for ever) until a notification waits; true if one does.
    bool wait(int timeoutMs) const;

  private:
    posix::UniqueFd fd_;
    std::mutex mutex_;
    std::deque<Notification> queue_;
};

}  // namespace aurx

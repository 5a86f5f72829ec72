// Event sinks and the notifications that turn into events on the host's thread.
#include <algorithm>

#include "recorder/control/AURX300Ctrl.h"
#include "recorder/store/AudioFile.h"

namespace aurx {

int AURX300Ctrl::Advise(std::shared_ptr<IAURX300CtrlEvents> sink) {
    const int cookie = nextCookie_++;
    sinks_.emplace_back(cookie, std::move(sink));
    return cookie;
}

void AURX300Ctrl::Unadvise(int cookie) {
    std::erase_if(sinks_, [cookie](const auto& s) { return s.first == cookie; });
}

template <class Fn>
void AURX300Ctrl::raise(Fn&& fn) {
    // A handler may connect or disconnect sinks; deliver to those connected when raised.
    const auto sinks = sinks_;
    for (const auto& [cookie, sink] : sinks)
        if (sink) fn(*sink);
}

int AURX300Ctrl::processNotifications() {
    int handled = 0;
    while (const auto n = notifications_.take()) {
        handle(*n);
        ++handled;
    }
    return handled;
}

void AURX300Ctrl::handle(const Notification& n) {
    switch (n.kind) {
        case NotificationKind::RecordingStopped:
            // After a reset and a new open the notice is about a file that is gone.
            if (file_ && n.generation == generation_) file_->finaliseAfterRecording();
            shared_.voxPaused.store(0);
            raise([&](IAURX300CtrlEvents& s) { s.RecordingStopped(n.cause); });
            break;
        case NotificationKind::PlaybackStopped:
            raise([&](IAURX300CtrlEvents& s) { s.PlaybackStopped(n.cause); });
            break;
        case NotificationKind::NewLevels: {
            repaint();
            const float left = shared_.leftLevel.load();
            const float right = shared_.rightLevel.load();
            const std::int16_t leftOver = shared_.leftOverloadCounter.load() >= 9 ? 1 : 0;
            const std::int16_t rightOver = shared_.rightOverloadCounter.load() >= 9 ? 1 : 0;
            raise(
                [&](IAURX300CtrlEvents& s) { s.NewLevelValues(left, leftOver, right, rightOver); });
            break;
        }
        case NotificationKind::VoxChanged:
            if (shared_.status.load() == 3) {
                const std::int16_t paused = shared_.voxPaused.load();
                raise([&](IAURX300CtrlEvents& s) { s.NewVoxState(paused); });
            }
            break;
    }
}

}  // namespace aurx

// Event sinks and the notifications that turn into events on the host's thread.
#include <algorithm>

#include "recorder/control/Control.h"
#include "recorder/store/AudioFile.h"

namespace aurx {

int Control::Advise(std::shared_ptr<IAURX300CtrlEvents> sink) {
    const int cookie = nextCookie_++;
    sinks_.emplace_back(cookie, std::move(sink));
    return cookie;
}

void Control::Unadvise(int cookie) {
    // While events are being raised the entry is only emptied, so that the loop over the
    // sinks stays valid; it is removed afterwards.
    for (auto& s : sinks_)
        if (s.first == cookie) s.second.reset();
    if (raising_ == 0) std::erase_if(sinks_, [](const auto& s) { return !s.second; });
}

template <class Fn>
void Control::raise(Fn&& fn) {
    ++raising_;
    // Sinks connected by a handler hear from the next event on.
    const std::size_t count = sinks_.size();
    for (std::size_t i = 0; i < count && i < sinks_.size(); ++i) {
        const std::shared_ptr<IAURX300CtrlEvents> sink = sinks_[i].second;
        if (sink) fn(*sink);
    }
    if (--raising_ == 0) std::erase_if(sinks_, [](const auto& s) { return !s.second; });
}

int Control::processNotifications() {
    // Taken in batches; a handler that pumps again continues the same batch, so the order
    // holds. What arrives meanwhile is handled too, up to a bound: a worker that posts faster
    // than the handlers run (a fast clock, a busy machine) must not hold the host's thread for
    // ever. What is left has made the descriptor readable again and waits for the next pump.
    constexpr int kMostTakenPerPump = 256;
    int handled = 0;
    for (;;) {
        if (batch_.empty()) {
            if (handled >= kMostTakenPerPump) return handled;
            notifications_.takeAll(batch_);
        }
        if (batch_.empty()) return handled;
        const Notification n = batch_.front();
        batch_.pop_front();
        handle(n);
        ++handled;
    }
}

void Control::handle(const Notification& n) {
    switch (n.kind) {
        case NotificationKind::RecordingStopped:
            // After a reset and a new open the notice is about a file that is gone.
            if (file_ && n.generation == generation_) file_->finaliseAfterRecording();
            shared_.voxPaused.store(0);
            raise([&](IAURX300CtrlEvents& s) { s.RecordingStopped(wire(n.cause)); });
            break;
        case NotificationKind::PlaybackStopped:
            raise([&](IAURX300CtrlEvents& s) { s.PlaybackStopped(wire(n.cause)); });
            break;
        case NotificationKind::NewLevels: {
            repaint();
            const float left = shared_.leftLevel.load();
            const float right = shared_.rightLevel.load();
            const auto reported = [](std::int16_t counter) -> std::int16_t {
                return counter >= engine::kOverloadReported ? 1 : 0;
            };
            const std::int16_t leftOver = reported(shared_.leftOverloadCounter.load());
            const std::int16_t rightOver = reported(shared_.rightOverloadCounter.load());
            raise(
                [&](IAURX300CtrlEvents& s) { s.NewLevelValues(left, leftOver, right, rightOver); });
            break;
        }
        case NotificationKind::InputStalled:
        case NotificationKind::InputResumed: {
            // About the recording of this file only.
            if (n.generation != generation_ || status() != Status::Recording) break;
            const auto at = static_cast<std::int32_t>(n.position);
            const auto missing = static_cast<std::int32_t>(n.missing);
            if (n.kind == NotificationKind::InputStalled)
                raise([&](IAURX300CtrlEvents& s) { s.InputStalled(at); });
            else
                raise([&](IAURX300CtrlEvents& s) { s.InputResumed(at, missing); });
            break;
        }
        case NotificationKind::VoxChanged:
            if (status() == Status::Recording) {
                const std::int16_t paused = shared_.voxPaused.load();
                raise([&](IAURX300CtrlEvents& s) { s.NewVoxState(paused); });
            }
            break;
    }
}

}  // namespace aurx

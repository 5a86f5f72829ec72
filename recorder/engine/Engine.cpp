#include "recorder/engine/Engine.h"

namespace engine {

Engine::Engine(SharedState& shared, Worker& worker, StateSignal& signal, Notifier& notifier,
               wave::DeviceSet& devices, const codecs::Manager& codecs)
    : levels_(shared),
      ctx_{shared, worker, signal, notifier, devices, codecs, levels_},
      capture_(ctx_),
      playback_(ctx_) {}

void Engine::prepare(store::AudioFile* file, std::uint64_t generation) {
    file_ = file;
    generation_ = generation;
}

void Engine::handle(const Message& m) {
    Worker& w = ctx_.worker;
    if (m.kind == Message::Kind::BufferDone) {
        if (m.direction == wave::Direction::Input)
            capture_.onBuffer(*m.buffer);
        else
            playback_.onBuffer(*m.buffer);
        return;
    }
    if (m.kind == Message::Kind::DeviceFailed) {
        if (m.direction == wave::Direction::Input)
            capture_.deviceFailed();
        else
            playback_.deviceFailed();
        return;
    }
    switch (m.command) {
        case kCmdStartRecording:
            if (w.state() == kIdle && file_) capture_.start(*file_, generation_);
            break;
        case kCmdStopRecording:
            if (w.state() == kRecording) capture_.stop();
            break;
        case kCmdStartPlayback:
            if (w.state() == kIdle && file_) playback_.start(*file_, generation_);
            break;
        case kCmdStopPlayback:
            if ((w.state() == kPlaying || w.state() == kStopping) && playback_.active())
                playback_.stop();
            break;
        case kCmdPausePlayback:
            if (w.state() == kPlaying) playback_.pause(m.param != 0);
            break;
        default:
            break;
    }
}

}  // namespace engine

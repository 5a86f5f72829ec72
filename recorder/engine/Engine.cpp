#include "recorder/engine/Engine.h"

namespace aurx::engine {

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

void Engine::prepareSwitch(store::AudioFile* next, std::uint64_t generation,
                           std::int64_t leadInFrames) {
    prepare(next, generation);
    leadInFrames_ = leadInFrames;
    switched_.store(Switched::No);
}

void Engine::handle(const Message& m) {
    if (const auto* done = std::get_if<BufferDone>(&m)) {
        if (done->direction == wave::Direction::Input)
            capture_.onBuffer(*done->buffer);
        else
            playback_.onBuffer(*done->buffer);
        return;
    }
    if (std::holds_alternative<Tick>(m)) {
        capture_.lookForStall();
        return;
    }
    if (const auto* failed = std::get_if<DeviceFailed>(&m)) {
        if (failed->direction == wave::Direction::Input)
            capture_.deviceFailed();
        else
            playback_.deviceFailed();
        return;
    }
    const Command& c = std::get<Command>(m);
    const WorkerState state = ctx_.worker.state();
    switch (c.command) {
        case WorkerCommand::StartRecording:
            if (state == WorkerState::Idle && file_) capture_.start(*file_, generation_);
            break;
        case WorkerCommand::StopRecording:
            if (state == WorkerState::Recording) capture_.stop();
            break;
        case WorkerCommand::SwitchFile:
            // A recording that is already ending (a lost device, a full disk) is not moved.
            if (state == WorkerState::Recording && capture_.active() && !capture_.inserting() &&
                file_)
                switched_.store(capture_.switchTo(*file_, generation_, leadInFrames_)
                                    ? Switched::Yes
                                    : Switched::OldEndLost);
            break;
        case WorkerCommand::StartPlayback:
            if (state == WorkerState::Idle && file_) playback_.start(*file_, generation_);
            break;
        case WorkerCommand::StopPlayback:
            if ((state == WorkerState::Playing || state == WorkerState::Stopping) &&
                playback_.active())
                playback_.stop();
            break;
        case WorkerCommand::PausePlayback:
            if (state == WorkerState::Playing) playback_.pause(c.pause);
            break;
        case WorkerCommand::Ready:
        case WorkerCommand::Quit:
            break;
    }
}

}  // namespace aurx::engine

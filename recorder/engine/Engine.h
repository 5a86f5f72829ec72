// The worker's side of the control: it takes the worker's messages (commands and finished
// buffers) and runs recording and playback on the file the host hands it before a start.
#pragma once

#include <atomic>
#include <cstdint>

#include "recorder/engine/Capture.h"
#include "recorder/engine/EngineContext.h"
#include "recorder/engine/Playback.h"

namespace aurx::store {
class AudioFile;
}

namespace aurx::engine {

class Engine {
  public:
    Engine(SharedState& shared, Worker& worker, StateSignal& signal, Notifier& notifier,
           wave::DeviceSet& devices, const codecs::Manager& codecs);

    // On the host's thread, before posting a start command.
    void prepare(store::AudioFile* file, std::uint64_t generation);
    // On the host's thread, before posting SwitchFile: the file the recording goes on into,
    // and how many frames of the paused audio it begins with.
    void prepareSwitch(store::AudioFile* next, std::uint64_t generation, std::int64_t leadInFrames);
    enum class Switched { No, Yes, OldEndLost };
    // What the last SwitchFile did; read once it has been handled.
    Switched switched() const { return switched_.load(); }
    // On the worker.
    void handle(const Message& m);

  private:
    LevelMeter levels_;
    EngineContext ctx_;
    Capture capture_;
    Playback playback_;
    store::AudioFile* file_ = nullptr;
    std::uint64_t generation_ = 0;
    std::int64_t leadInFrames_ = 0;
    std::atomic<Switched> switched_{Switched::No};
};

}  // namespace aurx::engine

// What the capture and playback paths work with.
#pragma once

#include <array>
#include <vector>

#include "platform/codecs/CodecManager.h"
#include "platform/wave/DeviceSet.h"
#include "recorder/engine/Levels.h"
#include "recorder/engine/Notifier.h"
#include "recorder/engine/SharedState.h"
#include "recorder/engine/Worker.h"

namespace aurx::engine {

struct EngineContext {
    SharedState& shared;
    Worker& worker;
    StateSignal& signal;
    Notifier& notifier;
    wave::DeviceSet& devices;
    const codecs::Manager& codecs;
    LevelMeter& levels;

    void setStatus(aurx::Status status) {
        shared.status.store(status);
        signal.notify();
    }

    // A recording or playback has finished: the worker is idle again, the stop and the final
    // silent levels are reported (in that order), then the host's Stop may return. The file is
    // open again before the stop is reported, so a host that reads Status on the stop event
    // never sees the recording or playback still running; both change under the signal's
    // lock, so Stop still returns only once both reports wait.
    void finished(Notice stopped, std::uint64_t generation, aurx::StopCause cause) {
        worker.setState(WorkerState::Idle);
        signal.change([&] {
            shared.status.store(aurx::Status::FileOpen);
            notifier.notify(stopped, generation, cause);
            levels.end();
            notifier.notify(Notice::NewLevels, generation);
        });
    }
};

// Ten device buffers of 0.1 s each, owned by the worker while a stream is open.
class BufferSet {
  public:
    static constexpr int kCount = 10;
    // 0.1 s of `format` in whole blocks (at least one block).
    void allocate(const codecs::WaveFormat& format);
    void release();
    wave::Buffer& operator[](int i) { return buffers_[static_cast<std::size_t>(i)]; }
    std::size_t bytes() const { return bytes_; }

  private:
    std::vector<std::uint8_t> storage_;
    std::array<wave::Buffer, kCount> buffers_{};
    std::size_t bytes_ = 0;
};

}  // namespace aurx::engine

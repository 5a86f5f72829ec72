// Playing the open file on the worker: ten output buffers filled from the file (PCM as it
// is, A-law and µ-law expanded to 16 bits, codec formats through the decoding stream),
// refilled as each comes back, the position advanced by what has played, pause and resume,
// the end of the data (which ends once the device has played it out), read errors, a lost
// device, and stopping.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "recorder/engine/EngineContext.h"
#include "recorder/store/AudioFile.h"

namespace aurx::engine {

class Playback {
  public:
    explicit Playback(EngineContext& ctx) : ctx_(ctx) {}

    // StartPlayback in the Idle state. Ends Playing, or OutputFailed when nothing can play.
    void start(store::AudioFile& file, std::uint64_t generation);
    // StopPlayback.
    void stop();
    // PausePlayback: pauses, or resumes.
    void pause(bool paused);
    void onBuffer(wave::Buffer& buffer);
    // The output device went away: the playback ends with OutputLost.
    void deviceFailed();
    bool active() const { return output_ != nullptr; }

  private:
    // Frames read into the buffer; 0 at the end of the data, negative on a read error.
    std::int64_t fill(wave::Buffer& buffer);
    std::int64_t fillCompressed(wave::Buffer& buffer);
    void failWith(aurx::StopCause cause);
    void release();

    EngineContext& ctx_;
    store::AudioFile* file_ = nullptr;
    std::uint64_t generation_ = 0;
    codecs::WaveFormat format_{};  // what the output device plays
    std::unique_ptr<wave::OutputStream> output_;
    BufferSet buffers_;
    int outstanding_ = 0;
    // After a stop the first buffer to come back still counts as played, later ones do not.
    enum class StopAccounting { Playing, Asked, Counted };
    StopAccounting stopAccounting_ = StopAccounting::Playing;
    aurx::StopCause cause_ = aurx::StopCause::Requested;

    std::vector<std::uint8_t> companded_;
    std::unique_ptr<codecs::Stream> decoder_;
    std::vector<std::uint8_t> source_;
    std::size_t leftover_ = 0;
    std::vector<std::uint8_t> decoded_;
    std::int64_t readOffset_ = -1;
    unsigned flags_ = 0;
};

}  // namespace aurx::engine

// Recording on the worker: the input device's ten buffers, each measured and then written to
// the open file (as captured for PCM, through G.711 for A-law and µ-law, through the codec's
// stream for a codec format, with its leftover source bytes carried to the next buffer), the
// manual and voice-operated pauses, the marker tones around every written stretch, the
// lead-in carried over from a paused recording stopped just before, the move into a new file
// while the input runs on, the recording limit, write failures, a lost input device and the
// finish.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "recorder/engine/EngineContext.h"
#include "recorder/engine/PreRoll.h"
#include "recorder/engine/StallWatch.h"
#include "recorder/store/AudioFile.h"

namespace aurx::engine {

class Capture {
  public:
    explicit Capture(EngineContext& ctx) : ctx_(ctx) {}

    // StartRecording in the Idle state. Ends Recording, or InputFailed when the input cannot
    // be started.
    void start(store::AudioFile& file, std::uint64_t generation);
    // StopRecording while Recording.
    void stop();
    // While Recording: the current file ends as a stop would end it, and the buffers that
    // follow go to `next`, which begins with the last `leadInFrames` frames of the audio the
    // paused recording kept; the recording is no longer paused. The input never stops, so no
    // sample falls between the two files. False when the current file's end could not be
    // written (the move is made all the same).
    bool switchTo(store::AudioFile& next, std::uint64_t generation, std::int64_t leadInFrames);
    void onBuffer(wave::Buffer& buffer);
    // The input device went away: the recording ends with InputLost and keeps what it
    // captured.
    void deviceFailed();
    // Nothing arrived for a while: tells the host once when the input has stalled.
    void lookForStall();
    bool active() const { return input_ != nullptr; }
    // The recording collects its audio apart, to be put into the data at its end.
    bool inserting() const { return file_ != nullptr && file_->inserting(); }

  private:
    bool openEncoder();
    void alignMpegWritePoint();
    void stopWith(aurx::StopCause cause);
    void writeFailed();
    bool writeAudio(const std::uint8_t* data, std::size_t bytes, std::int32_t frames);
    // The last `wanted` frames of what the pre-roll holds, as captured audio.
    bool writePreRoll(std::size_t wanted);
    // Opens the encoder of a compressed file and finds where its writing starts.
    bool prepareFile();
    // What the encoder still holds, the post-tone and everything gathered, to the file; the
    // encoder is closed after. False when that could not be written.
    bool endFile();
    bool flushEncoder();
    bool encode(const std::uint8_t* data, std::size_t bytes, unsigned extraFlags,
                bool countsAsAudio);
    bool writeEncoded(std::size_t bytes, bool countsAsAudio);
    bool writeTone(bool post);
    // After a stall: silence for the line's missing time, where the buffers would have gone.
    void fillGap(std::int64_t frames);
    void finish();
    void release();

    EngineContext& ctx_;
    store::AudioFile* file_ = nullptr;
    std::uint64_t generation_ = 0;
    codecs::WaveFormat format_{};  // what the input device records
    std::unique_ptr<wave::InputStream> input_;
    BufferSet buffers_;
    int outstanding_ = 0;
    bool tonePending_ = true;
    aurx::StopCause cause_ = aurx::StopCause::Requested;
    bool failed_ = false;
    PreRoll preRoll_;
    StallWatch stall_;

    std::vector<std::uint8_t> companded_;  // G.711 output of one buffer
    std::unique_ptr<codecs::Stream> encoder_;
    std::vector<std::uint8_t> source_;  // encoder input; its first `leftover_` bytes wait
    std::size_t leftover_ = 0;
    std::vector<std::uint8_t> encoded_;
    unsigned flags_ = 0;
};

}  // namespace aurx::engine

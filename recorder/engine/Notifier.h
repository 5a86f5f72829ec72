// How the worker reaches the host's thread: notifications, tagged with the open file's
// generation, that the host turns into events.
#pragma once

#include <cstdint>

#include "recorder/Codes.h"

namespace aurx::engine {

enum class Notice : int {
    RecordingStopped = 1,
    PlaybackStopped = 2,
    NewLevels = 3,
    VoxChanged = 4,
    InputStalled = 5,  // the input has delivered nothing for a second
    InputResumed = 6,  // it delivers again; the missing time was filled with silence
};

class Notifier {
  public:
    virtual ~Notifier() = default;
    // `cause` goes with the two stop notices.
    virtual void notify(Notice notice, std::uint64_t generation,
                        aurx::StopCause cause = aurx::StopCause::Requested) = 0;
    // The two input notices, with the file's sample position and the samples that were missing.
    virtual void notifyGap(Notice notice, std::uint64_t generation, std::int64_t position,
                           std::int64_t missing) {
        (void)position;
        (void)missing;
        notify(notice, generation);
    }
};

}  // namespace aurx::engine

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
};

class Notifier {
  public:
    virtual ~Notifier() = default;
    // `cause` goes with the two stop notices.
    virtual void notify(Notice notice, std::uint64_t generation,
                        aurx::StopCause cause = aurx::StopCause::Requested) = 0;
};

}  // namespace aurx::engine

// How the worker reaches the host's thread: notifications, tagged with the open file's
// generation, that the host turns into events.
#pragma once

#include <cstdint>

namespace engine {

enum class Notice : int {
    RecordingStopped = 1,
    PlaybackStopped = 2,
    NewLevels = 3,
    VoxChanged = 4,
};

class Notifier {
  public:
    virtual ~Notifier() = default;
    virtual void notify(Notice notice, std::uint64_t generation, std::int16_t cause = 0) = 0;
};

}  // namespace engine

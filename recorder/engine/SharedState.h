// The words the host's thread and the worker share: the status, the levels and overload
// indication, the voice switch, the stop cause and LastError, and the settings the worker
// reads while it runs. Each is a single atomic value with one writer at a time.
#pragma once

#include <atomic>
#include <cstdint>

#include "recorder/Codes.h"

namespace aurx::engine {

struct SharedState {
    std::atomic<aurx::Status> status{aurx::Status::Created};
    std::atomic<std::int16_t> paused{0};
    std::atomic<aurx::ErrorCode> lastError{aurx::ErrorCode::Ok};
    std::atomic<std::int16_t> voxPaused{0};
    std::atomic<std::int16_t> voxCountdown{0};

    std::atomic<float> leftLevel{0};
    std::atomic<float> rightLevel{0};
    std::atomic<std::int16_t> leftOverloadCounter{0};
    std::atomic<std::int16_t> rightOverloadCounter{0};
    std::atomic<std::int32_t> leftOverload{1};  // a new control shows a fully lit meter
    std::atomic<std::int32_t> rightOverload{1};

    std::atomic<std::int32_t> recordLimit{0};
    std::atomic<float> preToneDuration{0};
    std::atomic<float> postToneDuration{0};
    std::atomic<float> preRollTime{0};
    std::atomic<std::int16_t> voxChannel{0};
    std::atomic<float> voxStartLevel{0};
    std::atomic<float> voxStopLevel{0};
    std::atomic<std::int16_t> voxTime{0};
    std::atomic<std::int16_t> insert{0};
    std::atomic<std::int32_t> recordDevice{-1};
    std::atomic<std::int32_t> playbackDevice{-1};
};

}  // namespace aurx::engine

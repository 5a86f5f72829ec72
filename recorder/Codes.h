// The numbers the control shares with its worker thread, by name, beside the ones it shares
// with its hosts. Nothing here depends on the control or the engine.
#pragma once

#include <cstdint>

#include "aurx/Codes.h"

namespace aurx {

// The worker thread's state, written by the worker and waited on by the host.
enum class WorkerState : std::int32_t {
    NoWorker = 0,  // not started yet, or ended
    Started = 1,   // its queue exists; not ready for work yet
    Idle = 2,
    InputFailed = 3,  // a recording could not start; the host sets Idle again
    Recording = 4,
    Stopping = 5,      // the device was reset and its buffers are coming back
    OutputFailed = 6,  // a playback could not start; the host sets Idle again
    Playing = 7,
};

// What the host asks of the worker. Each is ignored in states it does not name.
enum class WorkerCommand : std::int32_t {
    Ready = 0,           // any state: become Idle
    Quit = 1,            // any state: leave the loop; the state becomes NoWorker
    StartRecording = 2,  // Idle
    StopRecording = 3,   // Recording
    StartPlayback = 4,   // Idle
    StopPlayback = 5,    // Stopping or Playing
    PausePlayback = 6,   // Playing; carries the new pause flag
    SwitchFile = 7,      // Recording: go on into the file prepared for it, without stopping
};

}  // namespace aurx

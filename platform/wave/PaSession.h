// PortAudio for this process, and a place for the calls into it that a sound server may hold
// up (a frozen server blocks them for as long as it is frozen).
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace aurx::wave {

// Runs a call on a thread of its own and waits a bounded time for it. A call that has not
// returned by then is kept running and its thread joined once it has; the process's end
// lets go of threads still held up by then.
class BoundedCalls {
  public:
    BoundedCalls() = default;
    BoundedCalls(const BoundedCalls&) = delete;
    BoundedCalls& operator=(const BoundedCalls&) = delete;
    ~BoundedCalls();

    // True when `call` returned within `bound`; false when it is still running (or no thread
    // could be made, in which case it never ran).
    bool run(std::function<void()> call, std::chrono::milliseconds bound);
    // Waits up to `bound` for the calls still running; true when none is left.
    bool settle(std::chrono::milliseconds bound);

    // The process's one set, usable until the process ends (also from static destructors).
    static BoundedCalls& process();

  private:
    struct Call;
    void sweep();

    std::mutex mutex_;
    std::vector<std::shared_ptr<Call>> running_;
};

// Pa_Initialize and Pa_Terminate. What the sound libraries print is the program's to settle
// (SoundLibraries.h).
class PortAudioSession {
  public:
    PortAudioSession();
    ~PortAudioSession();
    PortAudioSession(const PortAudioSession&) = delete;
    PortAudioSession& operator=(const PortAudioSession&) = delete;
    bool ok() const { return ok_; }

  private:
    bool ok_ = false;
};

}  // namespace aurx::wave

#include "platform/wave/PaSession.h"

#include <portaudio.h>

#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

namespace aurx::wave {

struct BoundedCalls::Call {
    std::thread thread;
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;

    bool waitDone(std::chrono::steady_clock::time_point deadline) {
        std::unique_lock lock(mutex);
        return finished.wait_until(lock, deadline, [this] { return done; });
    }
};

BoundedCalls::~BoundedCalls() {
    settle(std::chrono::milliseconds(0));
    // Only calls held up by a sound server that never answered are left: they are let go
    // rather than waited for.
    for (auto& c : running_)
        c->thread.detach();
}

// Never destroyed: a device set kept in a static (the process's default one) ends after the
// other statics, in an order nothing here controls, and its session still settles the calls
// held up then; those threads end with the process.
BoundedCalls& BoundedCalls::process() {
    union Kept {
        Kept() : calls() {}
        ~Kept() {}
        BoundedCalls calls;
    };
    static Kept kept;
    return kept.calls;
}

bool BoundedCalls::run(std::function<void()> call, std::chrono::milliseconds bound) {
    sweep();
    auto c = std::make_shared<Call>();
    try {
        c->thread = std::thread([c, call = std::move(call)] {
            call();
            {
                std::lock_guard lock(c->mutex);
                c->done = true;
            }
            c->finished.notify_all();
        });
    } catch (const std::system_error&) {
        return false;
    }
    if (c->waitDone(std::chrono::steady_clock::now() + bound)) {
        c->thread.join();
        return true;
    }
    std::lock_guard lock(mutex_);
    running_.push_back(std::move(c));
    return false;
}

bool BoundedCalls::settle(std::chrono::milliseconds bound) {
    const auto deadline = std::chrono::steady_clock::now() + bound;
    std::vector<std::shared_ptr<Call>> calls;
    {
        std::lock_guard lock(mutex_);
        calls = running_;
    }
    for (auto& c : calls)
        c->waitDone(deadline);
    sweep();
    std::lock_guard lock(mutex_);
    return running_.empty();
}

void BoundedCalls::sweep() {
    std::lock_guard lock(mutex_);
    for (auto it = running_.begin(); it != running_.end();) {
        if ((*it)->waitDone(std::chrono::steady_clock::now())) {
            (*it)->thread.join();
            it = running_.erase(it);
        } else {
            ++it;
        }
    }
}

PortAudioSession::PortAudioSession() : ok_(Pa_Initialize() == paNoError) {}

PortAudioSession::~PortAudioSession() {
    // Terminating closes every stream, which a stream still held up by its server would
    // block; PortAudio then stays initialised until the process ends.
    if (ok_ && BoundedCalls::process().settle(std::chrono::milliseconds(500))) Pa_Terminate();
}

}  // namespace aurx::wave

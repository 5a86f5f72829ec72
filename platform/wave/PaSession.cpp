#include "platform/wave/PaSession.h"

#include <alsa/asoundlib.h>
#include <dlfcn.h>
#include <portaudio.h>
#ifdef AURX_HAVE_JACK
#include <jack/jack.h>
#endif

#include <condition_variable>
#include <cstdarg>
#include <cstdio>
#include <cstring>
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

namespace {

void quietAlsa(const char*, int, const char*, int, const char*, ...) {}
#ifdef AURX_HAVE_JACK
void quietJack(const char*) {}
#endif

bool isArgument(snd_config_t* value) {
    const char* text = nullptr;
    return snd_config_get_string(value, &text) == 0 && text[0] == '$';
}

}  // namespace

// PortAudio opens every PCM the configuration defines to see whether it works. The AC-3
// encoder `a52` feeds a sound card's digital output and loads the whole of libavcodec only to
// be asked, which is most of what starting PortAudio costs. Without a sound card it cannot
// open (unless it was given a device of its own to feed), so PortAudio is not shown it there:
// the devices listed stay the same.
void hideCardEncoderWithoutCards() {
    int card = -1;
    if (snd_card_next(&card) != 0 || card >= 0) return;
    if (snd_config_update() < 0 || !snd_config) return;
    snd_config_t* pcm = nullptr;
    snd_config_t* field = nullptr;
    const char* type = nullptr;
    if (snd_config_search(snd_config, "pcm.a52", &pcm) < 0) return;
    if (snd_config_search(pcm, "type", &field) < 0 || snd_config_get_string(field, &type) < 0 ||
        std::strcmp(type, "a52") != 0)
        return;
    if (snd_config_search(pcm, "slavepcm", &field) == 0 && !isArgument(field)) return;
    if (snd_config_search(pcm, "@args.SLAVE.default", &field) == 0) return;
    snd_config_delete(pcm);
}

// The ALSA and JACK libraries otherwise fill stderr with complaints on machines without a
// sound card.
void quietSoundLibraries() {
    snd_lib_error_set_handler(quietAlsa);
#ifdef AURX_HAVE_JACK
    jack_set_error_function(quietJack);
    jack_set_info_function(quietJack);
#endif
}

PortAudioSession::PortAudioSession() {
    quietSoundLibraries();
    // Once: the configuration is the process's, and PortAudio reads it at its first start.
    static std::once_flag hidden;
    std::call_once(hidden, hideCardEncoderWithoutCards);
    ok_ = Pa_Initialize() == paNoError;
}

PortAudioSession::~PortAudioSession() {
    // Terminating closes every stream, which a stream still held up by its server would
    // block; PortAudio then stays initialised until the process ends.
    if (ok_ && BoundedCalls::process().settle(std::chrono::milliseconds(500))) Pa_Terminate();
}

}  // namespace aurx::wave

// PortAudio's ALSA host reports every failed call of a stream whose device went away with an
// "Expression '…' failed in 'src/hostapi/…'" line on stderr, through vfprintf and with no
// hook to turn it off. Those lines are dropped here; the control reports the failure itself.
// Everything else goes to the C library's vfprintf.
extern "C" int vfprintf(std::FILE* stream, const char* format, va_list args) {
    using Print = int (*)(std::FILE*, const char*, va_list);
    static const auto next = reinterpret_cast<Print>(dlsym(RTLD_NEXT, "vfprintf"));
    if (stream == stderr && std::strncmp(format, "Expression '", 12) == 0 &&
        std::strstr(format, "' failed in 'src/hostapi/"))
        return 0;
    return next ? next(stream, format, args) : -1;
}

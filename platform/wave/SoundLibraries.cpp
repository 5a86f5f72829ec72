#include "platform/wave/SoundLibraries.h"

#include <alsa/asoundlib.h>
#include <sys/types.h>
#ifdef AURX_HAVE_JACK
#include <jack/jack.h>
#endif

#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>

#include "platform/posix/FdIo.h"

namespace aurx::wave {
namespace {

void quietAlsa(const char*, int, const char*, int, const char*, ...) {}
#ifdef AURX_HAVE_JACK
void quietJack(const char*) {}
#endif

bool isArgument(snd_config_t* value) {
    const char* text = nullptr;
    return snd_config_get_string(value, &text) == 0 && text[0] == '$';
}

// What stderr writes. The C library may hand a print over in pieces (an unbuffered stream's
// vfprintf writes "E", then "xpression '…"), so text that may still become one of PortAudio's
// lines waits for its line feed; anything else goes out at once.
class StderrFilter {
  public:
    ssize_t write(const char* data, std::size_t size) {
        std::unique_lock lock(mutex_);
        held_.append(data, size);
        std::string out;
        bool dropped = false;
        std::size_t start = 0;
        for (std::size_t end; (end = held_.find('\n', start)) != std::string::npos;
             start = end + 1) {
            const std::string_view line(held_.data() + start, end + 1 - start);
            if (!isPortAudioAssertion(line))
                out += line;
            else
                dropped = true;
        }
        held_.erase(0, start);
        if (!mayBecomeAssertion(held_) || held_.size() > kLongestHeld) {
            out += held_;
            held_.clear();
        }
        const bool failed = posix::writeAll(STDERR_FILENO, out.data(), out.size()) != 0;
        const bool flood = dropped && flooding();
        lock.unlock();
        // A PortAudio stream thread whose server went away (PipeWire's ALSA plugin) loops on a
        // poll that fails at once, printing this line each time. Held here a moment, it sleeps
        // instead of taking a whole core, and PortAudio's abort can cancel it in that sleep.
        // The few lines of a device that fails to open cost nothing.
        if (flood) std::this_thread::sleep_for(kHoldAfterAssertion);
        if (failed) return -1;
        return static_cast<ssize_t>(size);
    }

  private:
    static constexpr std::size_t kLongestHeld = 4096;
    static constexpr std::chrono::milliseconds kHoldAfterAssertion{20};
    static constexpr std::chrono::milliseconds kFloodWindow{100};
    static constexpr int kFlood = 20;
    // Whether assertion lines come faster than any failing call prints them: more than
    // kFlood within kFloodWindow.
    bool flooding() {
        const auto now = std::chrono::steady_clock::now();
        if (now - windowStart_ > kFloodWindow) {
            windowStart_ = now;
            inWindow_ = 0;
        }
        return ++inWindow_ > kFlood;
    }
    static bool mayBecomeAssertion(std::string_view text) {
        constexpr std::string_view kStart = "Expression '";
        return text.size() < kStart.size() ? kStart.starts_with(text) : text.starts_with(kStart);
    }

    std::mutex mutex_;
    std::string held_;
    std::chrono::steady_clock::time_point windowStart_{};
    int inWindow_ = 0;
};

ssize_t writeFiltered(void* filter, const char* data, std::size_t size) {
    return static_cast<StderrFilter*>(filter)->write(data, size);
}

}  // namespace

void quietSoundLibraries() {
    snd_lib_error_set_handler(quietAlsa);
#ifdef AURX_HAVE_JACK
    jack_set_error_function(quietJack);
    jack_set_info_function(quietJack);
#endif
}

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

bool isPortAudioAssertion(std::string_view line) {
    return line.starts_with("Expression '") && line.ends_with('\n') &&
           line.find("' failed in 'src/hostapi/") != std::string_view::npos;
}

std::string withoutPortAudioAssertions(std::string_view text) {
    std::string kept;
    while (!text.empty()) {
        const auto end = text.find('\n');
        const auto line = text.substr(0, end == std::string_view::npos ? text.size() : end + 1);
        if (!isPortAudioAssertion(line)) kept += line;
        text.remove_prefix(line.size());
    }
    return kept;
}

// PortAudio's ALSA host prints its assertions with vfprintf on stderr, from its own stream
// threads as well as from the calls it is given, and offers no hook to turn them off; the
// control reports the failure itself. The C library lets a program set its standard streams,
// and a stream of our own functions can leave those lines out.
void filterPortAudioAssertions() {
    static std::once_flag once;
    std::call_once(once, [] {
        // Lives as long as the process: stderr is written to until its very end.
        static StderrFilter filter;
        FILE* filtered = fopencookie(&filter, "w", {nullptr, &writeFiltered, nullptr, nullptr});
        if (!filtered) return;
        std::setvbuf(filtered, nullptr, _IONBF, 0);
        std::fflush(stderr);
        stderr = filtered;
    });
}

}  // namespace aurx::wave

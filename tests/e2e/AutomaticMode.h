// Automatic mode as the end-to-end tests set it up, and what its timers make of speech on the
// line, measured against the real program.
#pragma once

#include "tests/e2e/LineAudio.h"
#include "tests/e2e/Workstation.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace e2e {

inline constexpr int kCallTimeOut = 2;
inline constexpr int kMinCallLength = 2;
inline constexpr int kPreRoll = 3;

struct Automatic {
    int format = 0;  // GSM 6.10
    int preRoll = kPreRoll;
    bool addNote = false;
};

inline void preset(const Workstation& ws, const Automatic& a) {
    ws.set("AutoRecord", 1);
    ws.set("AddNote", a.addNote ? 1 : 0);
    ws.set("CallTimeOut", kCallTimeOut);
    ws.set("MinCallLength", kMinCallLength);
    ws.set("Sensitivity", -18);
    ws.set("Format", a.format);
    ws.set("PreRoll", a.preRoll);
}

// Where a call's file begins, in seconds after the onset of its speech (negative: before it).
// The first loud poll comes up to 0.3 s after the onset (a 0.1 s capture buffer, then a 200 ms
// poll); the call reaches back PreRoll seconds from there, as far as the detection had been
// listening (`heard` seconds before the onset). Without PreRoll it begins where the trigger
// fired: at the first loud poll after 1.5 s, 1.6 to 2.0 s after the onset.
inline double callBegins(int preRoll, double heard = 1e9) {
    return preRoll > 0 ? -std::min(preRoll - 0.15, heard) : 1.75;
}

// Where a call the latch ends stops, in seconds after its last word. The latch counts down once
// a second from CallTimeOut after each loud poll and ends the call CallTimeOut to CallTimeOut + 1
// seconds after the last one (measured: CallTimeOut + 0.2 to + 0.9).
inline double callEndsAfterSpeech(int callTimeOut) {
    return callTimeOut + 0.55;
}

inline double expectedCallSeconds(const Span& speech, int preRoll, int callTimeOut,
                                  double heard = 1e9) {
    return speech.length() - callBegins(preRoll, heard) + callEndsAfterSpeech(callTimeOut);
}

// How long the detection listened before the onset of `speech[i]`: from the line's start for
// the first call, else from the end of the call before (it listens again at the next poll).
inline double heardBefore(const std::vector<Span>& speech, std::size_t i, int callTimeOut) {
    if (i == 0) return speech[0].start;
    return speech[i].start - speech[i - 1].end - callEndsAfterSpeech(callTimeOut) - 0.2;
}

// The N in a kept call's name is the elapsed time the status bar showed at its last update: it
// is read once a second and cut to whole seconds, so it trails the file's length by up to 2 s.
inline bool nameLengthFits(int n, double fileSeconds) {
    return n <= fileSeconds + 0.05 && n > fileSeconds - 2;
}

// The line's own time: it starts to play when the detection first listens.
class LineClock {
  public:
    explicit LineClock(std::chrono::steady_clock::time_point start) : start_(start) {}
    void sleepUntil(double lineSeconds) const {
        std::this_thread::sleep_until(
            start_ + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                         std::chrono::duration<double>(lineSeconds)));
    }

  private:
    std::chrono::steady_clock::time_point start_;
};

}  // namespace e2e

// Decides from the polled input level when a call is on the line, and where its speech began.
// About 1.5 s of voice starts a call; the short dips between words and syllables do not start
// the count again, while a click or a short burst never starts one. The onset is the first
// loud poll after the line was quiet for a while: the call file reaches back to it.
#pragma once

#include <QtGlobal>

namespace parlaro {

class VoiceTrigger {
  public:
    // Voice needed before a call starts.
    static constexpr qint64 kTriggerMs = 1500;
    // Loud polls this close belong to the same speech. Natural speech dips below the
    // threshold for 0.1-0.3 s between syllables and up to 0.5 s between sentences (espeak-ng
    // voices at 140-220 words a minute, 0.1 s buffers at -18 dB); polled every 0.2 s, such a
    // dip leaves up to three quiet polls, 0.8 s between two loud ones, and the rest is the
    // timer's slack. A pause of a second starts the count again.
    static constexpr qint64 kLongestGapMs = 900;
    // A loud poll after this much quiet starts new speech.
    static constexpr qint64 kOnsetQuietMs = 2000;

    // One poll at `atMs` (a steady clock); true when it starts a call: the speech has lasted
    // kTriggerMs, this poll is loud and at least half of the speech's polls were.
    bool poll(qint64 atMs, bool loud);
    // Forgets the speech (after a call, or while detection is held).
    void reset() { *this = VoiceTrigger{}; }
    // The first loud poll of the speech that led to the trigger; -1 before any.
    qint64 onsetMs() const { return onset_; }
    // Speech is under way (the trigger is counting).
    bool counting() const { return start_ >= 0; }

  private:
    qint64 start_ = -1;     // the speech's first loud poll
    qint64 lastLoud_ = -1;  // any loud poll
    qint64 onset_ = -1;
    int polls_ = 0;
    int loudPolls_ = 0;
};

}  // namespace parlaro

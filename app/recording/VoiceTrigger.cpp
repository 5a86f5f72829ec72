#include "app/recording/VoiceTrigger.h"

namespace parlaro {

bool VoiceTrigger::poll(qint64 atMs, bool loud) {
    if (loud) {
        if (lastLoud_ < 0 || atMs - lastLoud_ >= kOnsetQuietMs) onset_ = atMs;
        if (start_ < 0 || atMs - lastLoud_ > kLongestGapMs) {
            start_ = atMs;
            polls_ = 0;
            loudPolls_ = 0;
        }
        lastLoud_ = atMs;
    } else if (start_ >= 0 && atMs - lastLoud_ > kLongestGapMs) {
        start_ = -1;
    }
    if (start_ < 0) return false;
    ++polls_;
    if (loud) ++loudPolls_;
    return loud && atMs - start_ >= kTriggerMs && 2 * loudPolls_ >= polls_;
}

}  // namespace parlaro

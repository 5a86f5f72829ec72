// The nudge given to the sound cards' recording mixers when the window loads, so that the
// microphone input carrying the telephone line is live: the microphone's recording volume is
// moved up 10 steps and back down 20 (it ends 10 below where it was), and a microphone boost
// switch that is on is switched off and on again. Nothing is kept.
#pragma once

#include "services/mixer/CaptureMixer.h"
#include "services/prompts/Prompter.h"

namespace parlaro {

// Mixers 0 to captureDeviceCount() - 1 in turn; the first that cannot be opened ends the
// nudge silently, as does a machine without a recording device or a microphone. A control
// that fails unexpectedly is reported and the nudge goes on.
void NudgeCaptureMixers(mixer::MixerSystem& mixers, Prompter& prompter);

}  // namespace parlaro

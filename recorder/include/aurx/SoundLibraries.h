// What belongs to the whole process rather than to a control: the sound libraries' messages
// on standard error and ALSA's configuration as PortAudio reads it. The library never changes
// them by itself. A program that wants them settled as aurx-host and Parlaro have them calls
// prepareSoundLibraries() once, first thing in main: before it makes a control, and before
// any other thread writes to standard error.
#pragma once

#include "aurx/aurx_export.h"

namespace aurx {

// - ALSA's error handler, and JACK's error and information functions, drop what those
//   libraries print about cards and servers this machine lacks;
// - stderr (the C library's stream) becomes a stream that writes everything to descriptor 2
//   but PortAudio's "Expression '…' failed in 'src/hostapi/…'" lines, which its ALSA host
//   prints, also from its own threads, for every failed call once a sound server has gone
//   away (the control reports that failure itself); fileno(stderr) is then -1, and
//   descriptor 2 and std::cerr are as they were;
// - on a machine without sound cards, the AC-3 encoder `a52`, which only feeds a card, is
//   taken out of ALSA's configuration, so that PortAudio's first start does not load
//   libavcodec to ask it (the devices listed stay the same).
AURX_EXPORT void prepareSoundLibraries();

}  // namespace aurx

// The virtual devices: input 0 "Virtual Line In" (the virtual line) and output 0 "Virtual
// Speaker". They take linear PCM of 8 or 16 bits, one or two channels, at any of the
// recorder's sampling rates, and pace their buffers as configured.
#pragma once

#include <memory>
#include <string>

#include "platform/wave/DeviceSet.h"
#include "platform/wave/VirtualClock.h"

namespace aurx::wave {

struct VirtualConfig {
    std::string lineIn;      // WAV file for the line; empty: silence
    bool loop = false;       // start the line again after its end
    std::string speakerOut;  // WAV file the speaker writes; empty: discard
    Pacing pacing = Pacing::Realtime;
    std::shared_ptr<ManualClock> clock;  // for Pacing::Manual
    // A hand-stepped input counts as stalled when not stepped for a while, as a real one would.
    bool manualInputKeepsTime = false;

    // AURX_LINE_IN, AURX_LINE_LOOP, AURX_SPEAKER_OUT and AURX_CLOCK.
    static VirtualConfig fromEnvironment();
};

std::shared_ptr<DeviceSet> makeVirtualDevices(VirtualConfig config);

}  // namespace aurx::wave

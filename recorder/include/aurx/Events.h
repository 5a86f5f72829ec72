// The control's outgoing interface: its events, raised on the host's thread only, and the host
// site through which the control asks to be redrawn.
#pragma once

#include <cstdint>
#include "aurx/aurx_export.h"

namespace aurx {

class AURX_EXPORT IAURX300CtrlEvents {
  public:
    virtual ~IAURX300CtrlEvents() = default;
    virtual void RecordingStopped(std::int16_t errorCode) = 0;               // DISPID 1
    virtual void PlaybackStopped(std::int16_t errorCode) = 0;                // DISPID 2
    virtual void NewLevelValues(float leftLevel, std::int16_t leftOverload,  // DISPID 3
                                float rightLevel, std::int16_t rightOverload) = 0;
    virtual void NewVoxState(std::int16_t voxState) = 0;  // DISPID 4
    // The recording's input has delivered nothing for a second (a sound server that stopped,
    // a suspended device); the file is at `samplePosition`. Hosts written before these two
    // events need not handle them.
    virtual void InputStalled(std::int32_t samplePosition) { (void)samplePosition; }  // DISPID 5
    // It delivers again, at `samplePosition`, after `stalledSamples` of the line's time
    // (counted from its last sound before the stall). What of that time the device does not
    // hand over afterwards is filled with silence, so that the file keeps the line's timeline.
    virtual void InputResumed(std::int32_t samplePosition,  // DISPID 6
                              std::int32_t stalledSamples) {
        (void)samplePosition;
        (void)stalledSamples;
    }
};

class AURX_EXPORT ControlSite {
  public:
    virtual ~ControlSite() = default;
    // The meter's picture changed; redraw it (without erasing the background).
    virtual void invalidate() = 0;
};

}  // namespace aurx

// The control's outgoing interface: the four events, raised on the host's thread only, and
// the host site through which the control asks to be redrawn.
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
};

class AURX_EXPORT ControlSite {
  public:
    virtual ~ControlSite() = default;
    // The meter's picture changed; redraw it (without erasing the background).
    virtual void invalidate() = 0;
};

}  // namespace aurx

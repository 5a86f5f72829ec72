// The event sink through which an AurxWidget hears its control's events and raises them as
// its signals.
#pragma once

#include "aurx/Events.h"

namespace aurxqt {

class AurxWidget;

class SignalSink : public aurx::IAURX300CtrlEvents {
  public:
    explicit SignalSink(AurxWidget& widget) : widget_(widget) {}

    void RecordingStopped(std::int16_t errorCode) override;
    void PlaybackStopped(std::int16_t errorCode) override;
    void NewLevelValues(float leftLevel, std::int16_t leftOverload, float rightLevel,
                        std::int16_t rightOverload) override;
    void NewVoxState(std::int16_t voxState) override;
    void InputStalled(std::int32_t samplePosition) override;
    void InputResumed(std::int32_t samplePosition, std::int32_t stalledSamples) override;

  private:
    AurxWidget& widget_;  // disconnects this sink before it goes
};

}  // namespace aurxqt

#include "recorder/qt/SignalSink.h"

#include "recorder/qt/AurxWidget.h"

namespace aurxqt {

void SignalSink::RecordingStopped(std::int16_t errorCode) {
    emit widget_.RecordingStopped(errorCode);
}

void SignalSink::PlaybackStopped(std::int16_t errorCode) {
    emit widget_.PlaybackStopped(errorCode);
}

void SignalSink::NewLevelValues(float leftLevel, std::int16_t leftOverload, float rightLevel,
                                std::int16_t rightOverload) {
    emit widget_.NewLevelValues(leftLevel, leftOverload, rightLevel, rightOverload);
}

void SignalSink::NewVoxState(std::int16_t voxState) {
    emit widget_.NewVoxState(voxState);
}

void SignalSink::InputStalled(std::int32_t samplePosition) {
    emit widget_.InputStalled(samplePosition);
}

void SignalSink::InputResumed(std::int32_t samplePosition, std::int32_t stalledSamples) {
    emit widget_.InputResumed(samplePosition, stalledSamples);
}

}  // namespace aurxqt

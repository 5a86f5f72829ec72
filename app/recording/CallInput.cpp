#include "app/recording/CallInput.h"

#include "app/recording/Recorder.h"
#include "core/settings/AppSettings.h"

namespace parlaro {

CallInput CallInputFromSetting(int32_t value) {
    return value == static_cast<int32_t>(CallInput::ComputerCalls) ? CallInput::ComputerCalls
                                                                   : CallInput::Line;
}

bool ApplyCallInput(Recorder& recorder, const AppSettings& settings) {
    if (CallInputFromSetting(settings.Input) == CallInput::ComputerCalls) {
        const auto names = recorder.RecordDeviceNames();
        for (std::size_t i = 0; i < names.size(); ++i) {
            if (names[i] != kComputerCallsDevice) continue;
            // GSM 6.10 carries one channel: there both sides are mixed.
            const int16_t channels = settings.gsmFormat() ? 1 : 2;
            return recorder.setRecordDevice(static_cast<int32_t>(i)) &&
                   recorder.setNumChannels(channels);
        }
    }
    recorder.setRecordDevice(-1);
    recorder.setNumChannels(1);
    return CallInputFromSetting(settings.Input) == CallInput::Line;
}

QString ComputerCallsMissingText() {
    return "This computer's calls cannot be recorded here: no PulseAudio or PipeWire sound "
           "server carries this desktop's microphone and speakers.\nCalls are recorded from "
           "the line input.";
}

}  // namespace parlaro

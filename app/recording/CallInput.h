// Which input calls are recorded from, kept in the Input setting: the line (a phone line or
// handset wired into the sound card's input, the system's default input), or this computer's
// own calls (a softphone's or a meeting program's: the microphone and what the speakers play,
// as the desktop's sound server carries them). The computer's calls are stereo where the
// format allows (this side left, the other side right) and mixed to one channel in GSM.
#pragma once

#include <QString>

#include <cstdint>

namespace parlaro {

class Recorder;
struct AppSettings;

enum class CallInput : int32_t { Line = 0, ComputerCalls = 1 };

// The recorder's name for the computer's calls among its inputs.
inline const QString kComputerCallsDevice = QStringLiteral("This computer's calls");

CallInput CallInputFromSetting(int32_t value);

// Points the recorder at the settings' input, in the channels the format takes. False when
// the computer's calls were asked for and the sound system has no such input: the recorder is
// then left on the line.
bool ApplyCallInput(Recorder& recorder, const AppSettings& settings);

// Said when ApplyCallInput fails.
QString ComputerCallsMissingText();

}  // namespace parlaro

// The recording controller: turns the sound input into call recordings. In automatic mode it
// keeps the recording control capturing, paused, into a temporary file (voice detection),
// polls its levels, starts a call after about 1.5 s of voice above `Sensitivity` and ends it
// after `CallTimeOut` quiet seconds; the capture runs on into the call file, which reaches back
// to where the speech began. In manual mode Record and Stop do it. A kept call is renamed with
// its length, handed to the mover, offered a note and put at the top of the call list.
//
// The window's timers call the procedures named after them; tests call them directly.
#pragma once

#include "app/recording/InputStallNotes.h"
#include "app/recording/Recorder.h"
#include "app/recording/RecordingView.h"
#include "app/recording/StatusDisplay.h"
#include "app/recording/VoiceTrigger.h"
#include "app/startup/MainStartup.h"
#include "app/support/Clock.h"
#include "app/support/Launcher.h"
#include "core/calls/CallRecord.h"
#include "core/settings/AppSettings.h"
#include "services/prompts/Prompter.h"

#include <memory>

namespace parlaro {

// The hex text of the GSM 6.10 format the calls are recorded in (`Format` 0).
inline const QString kGsmFormatText = QStringLiteral("31000100401f0000590600004100000002004001");
// Special BitsPerSample code that makes the control record the AcmFormat.
inline constexpr int16_t kAcmBitsPerSample = 100;

struct RecordingControllerParts {
    Recorder& recorder;
    Prompter& prompter;
    Launcher& launcher;
    const Clock& clock;
    StatusDisplay& status;
    Timers& timers;
    RecordingView& view;
    NotePrompt& notePrompt;
};

class RecordingController {
  public:
    RecordingController(RecordingControllerParts parts, AppSettings& settings,
                        const ProgramValues& values, QString programFolder);

    // The recorder's set-up during the window's load. False when voice detection cannot be
    // reset (the program then runs in manual mode and the rest of the load is skipped).
    bool SetUpRecorder();

    // Timer bodies.
    void PollDetection();        // Detection, every 200 ms
    void VoxLatchTick();         // tmrVoxLatch, every second
    void UpdateTimeStamp();      // tmrTimeStamp, every second
    void AddNoteTimerElapsed();  // tmrAddNote

    void CheckLevels();
    void StartRecording();
    QString MakeCallFileName();
    void StartControlRecording();
    void StopRecording(bool discard);
    void SetPlaybackButtons(bool enabled);
    void UpdateButtonStates();
    void SuspendDetection();
    void ResumeDetection();

    // Buttons and keys.
    void onRecord();
    void onStop();
    void onPause(Recorder* player);
    void onOptions();
    void onKey(int functionKey);  // 9, 10 or 11

    // Ends a running call as the latch would, without the note prompt (a shutdown, the end of
    // the desktop session). Nothing when no call runs.
    void EndCallForShutdown();

    // Playback (Part of the library) tells the controller when a call is open for playback.
    void setPlaybackMode(bool on) { playbackMode_ = on; }
    bool playbackMode() const { return playbackMode_; }

    bool monitoring() const { return monitoring_; }
    bool recording() const { return recording_; }
    bool callPending() const { return callPending_; }
    bool optionsOpen() const { return optionsOpen_; }
    // A call the user stopped holds detection until the line has been quiet for CallTimeOut.
    bool heldAfterStop() const { return holdQuietSince_ >= 0; }
    const QString& fileName() const { return fileName_; }
    const CallRecord& currentCall() const { return currentCall_; }

    // Seconds of the line before the trigger that a call starting now begins with.
    double leadInSeconds() const;

  private:
    void reportStopError(const std::exception& error);
    void refreshDuration();
    void finishKeptCall(CallRecord call, bool wasMinimised, const QString& note);
    void endCallAsLatch(bool withNote);
    void endCallForOptions();
    void checkRecorderStopped();
    // The control's news of its input: the status bar says a stall while it lasts, and the call
    // keeps a note line for the time it lost.
    void showInputNews();
    // While held after a stop: true until the line has been quiet for CallTimeOut.
    bool stillHeld(bool voice);

    Recorder& rec_;
    Prompter& prompter_;
    Launcher& launcher_;
    const Clock& clock_;
    StatusDisplay& status_;
    Timers& timers_;
    RecordingView& view_;
    NotePrompt& notePrompt_;
    AppSettings& settings_;
    const ProgramValues& values_;
    QString programFolder_;

    bool monitoring_ = false;
    bool recording_ = false;
    bool callPending_ = false;
    bool optionsOpen_ = false;
    bool playbackMode_ = false;
    VoiceTrigger trigger_;
    int32_t latchCounter_ = 0;
    qint64 holdQuietSince_ = -1;  // when the line was last loud while held; -1: not held
    // Detection was listening when the call started: the capture goes on into the call file.
    bool continuesListening_ = false;
    CallRecord currentCall_;
    QString fileName_;
    bool wasMinimised_ = false;
    QString lastDuration_ = QStringLiteral("00:00:00");
    // The note a kept call gets without the prompt (a call ended for the options).
    QString presetNote_;
    InputStallNotes stalls_;
    // The control really records the current call: its start succeeded and it has not been
    // seen to stop by itself.
    bool controlRecording_ = false;
    // Guards against a timer body running again inside a message box's event loop.
    bool busy_ = false;
    bool noPrompt_ = false;
};

}  // namespace parlaro

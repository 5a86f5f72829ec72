// The recording controller's buttons and keys: Record, Stop, Pause, Options and F9 to F11, and
// which of the window's buttons are enabled when.
#include "app/recording/RecordingController.h"

namespace parlaro {

void RecordingController::SetPlaybackButtons(bool enabled) {
    for (MainButton b : {MainButton::Play, MainButton::Pause, MainButton::Rewind10,
                         MainButton::Rewind30, MainButton::Advance10, MainButton::Advance30})
        view_.setButtonEnabled(b, enabled);
    view_.setButtonEnabled(MainButton::Record, !settings_.AutoRecord);
    view_.setButtonEnabled(MainButton::Stop, !settings_.AutoRecord);
}

void RecordingController::UpdateButtonStates() {
    const bool canPlay = settings_.CanPlay;
    for (MainButton b :
         {MainButton::Play, MainButton::Pause, MainButton::Rewind10, MainButton::Rewind30,
          MainButton::Advance10, MainButton::Advance30, MainButton::Save, MainButton::Email})
        view_.setButtonEnabled(b, canPlay);
    view_.setButtonEnabled(MainButton::Stop, !settings_.AutoRecord || canPlay);
    view_.setButtonEnabled(MainButton::Record, !settings_.AutoRecord && !playbackMode_);
}

void RecordingController::SuspendDetection() {
    timers_.stop(MainTimer::Detection);
    UpdateButtonStates();
}

void RecordingController::ResumeDetection() {
    if (settings_.AutoRecord) timers_.start(MainTimer::Detection);
    UpdateButtonStates();
}

void RecordingController::onRecord() {
    callPending_ = true;
    StartRecording();
    StartControlRecording();
    SetPlaybackButtons(false);
}

void RecordingController::onStop() {
    if (callPending_) {
        rec_.Stop();
        StopRecording(false);
        callPending_ = false;
        if (settings_.AutoRecord) {
            view_.setButtonEnabled(MainButton::Stop, false);
            // The far end may still be talking: a new call starts only once the line has
            // been quiet for CallTimeOut, so that one conversation is not cut into two files.
            timers_.stop(MainTimer::VoxLatch);
            trigger_.reset();
            holdQuietSince_ = clock_.steadyMs();
            status_.SetStatus(QString("Call stopped - the next call starts after %1 s of quiet")
                                  .arg(settings_.CallTimeOut));
        }
    } else if (playbackMode_) {
        view_.stopPlayback();
    }
}

void RecordingController::onPause(Recorder* player) {
    Recorder& target = playbackMode_ && player ? *player : rec_;
    target.setPaused(!target.Paused());
}

void RecordingController::onOptions() {
    bool enter = true;
    if (recording_) {
        Message warning{"Warning",
                        "Entering options now will terminate the recording! Press OK to go to "
                        "Options, Cancel to carry on recording",
                        Icon::Exclamation, Buttons::OkCancel};
        // A stray Enter or Space must not end a call.
        warning.secondIsDefault = true;
        enter = prompter_.show(warning) == Answer::Ok;
        // The call recorded so far is kept, as a shutdown keeps it.
        if (enter && recording_) endCallForOptions();
    }
    if (enter) {
        optionsOpen_ = true;
        monitoring_ = false;
        view_.runOptions();
    }
    if (!playbackMode_) ResumeDetection();
    status_.SetStatus(recording_ ? "Recording" : "Ready");
    optionsOpen_ = false;
}

void RecordingController::endCallForOptions() {
    presetNote_ = QStringLiteral("Recording ended when the options were opened.");
    EndCallForShutdown();
    presetNote_.clear();
}

void RecordingController::onKey(int functionKey) {
    switch (functionKey) {
        case 9:
            if (settings_.AutoRecord) return;
            onRecord();
            recording_ = true;
            if (view_.isMinimised()) view_.flashCaption();
            return;
        case 10:
            onStop();
            return;
        case 11:
            if (!settings_.AutoRecord) view_.playSelectedCall();
            return;
        default:
            return;
    }
}

}  // namespace parlaro

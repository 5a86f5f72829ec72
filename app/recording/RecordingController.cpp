#include "app/recording/RecordingController.h"
#include "app/recording/CallInput.h"

#include "app/recording/MoverStart.h"
#include "app/recording/RecorderMessages.h"
#include "app/recording/TimeText.h"
#include "core/calls/CallFiles.h"
#include "core/calls/CallsFolderAccess.h"
#include "core/support/AppError.h"
#include "core/support/RuntimeErrors.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cmath>

namespace parlaro {

namespace {

// Nearest whole second, a half going to the even second (9.5 → 10, 10.5 → 10).
int32_t roundHalfEven(double seconds) {
    if (!std::isfinite(seconds) || seconds < 0) return 0;
    return static_cast<int32_t>(std::nearbyint(std::min(seconds, 2147483647.0)));
}

// The longest stretch of the line a call may begin with before its trigger.
constexpr double kLongestLeadIn = 10;

// A level as the level labels show it: one decimal, a dash where nothing was measured.
QString levelText(float level) {
    return level <= -100 ? QStringLiteral("\u2014") : QString::number(level, 'f', 1);
}

// Keeps a timer body from running again inside its own message box.
class BusyGuard {
  public:
    explicit BusyGuard(bool& flag) : flag_(flag), entered_(!flag) { flag_ = true; }
    ~BusyGuard() {
        if (entered_) flag_ = false;
    }
    BusyGuard(const BusyGuard&) = delete;
    BusyGuard& operator=(const BusyGuard&) = delete;
    bool entered() const { return entered_; }

  private:
    bool& flag_;
    bool entered_;
};

}  // namespace

RecordingController::RecordingController(RecordingControllerParts parts, AppSettings& settings,
                                         const ProgramValues& values, QString programFolder)
    : rec_(parts.recorder),
      prompter_(parts.prompter),
      launcher_(parts.launcher),
      clock_(parts.clock),
      status_(parts.status),
      timers_(parts.timers),
      view_(parts.view),
      notePrompt_(parts.notePrompt),
      settings_(settings),
      values_(values),
      programFolder_(std::move(programFolder)) {}

bool RecordingController::SetUpRecorder() {
    if (settings_.gsmFormat()) {
        rec_.setBitsPerSample(kAcmBitsPerSample);
        rec_.setAcmFormat(kGsmFormatText);
    }
    if (!ApplyCallInput(rec_, settings_))
        prompter_.show({kProductName, ComputerCallsMissingText(), Icon::Exclamation, Buttons::Ok});
    // The control keeps the most a call may reach back; each call takes what it needs.
    rec_.setPreRollTime(settings_.PreRoll > 0 ? static_cast<float>(kLongestLeadIn) : 0.0F);
    UpdateButtonStates();
    status_.setPanel(2, "00:00:00");
    status_.SetStatus("Ready");
    if (!settings_.AutoRecord) {
        // Until its first reset a control shows every segment lit, its design-time look; a
        // missing input device is told when Record is pressed.
        rec_.Reset();
        rec_.LastError();
        return true;
    }
    monitoring_ = false;
    if (const int16_t code = rec_.Reset(); code != 0) {
        prompter_.show({kProductName,
                        "Failed to reset Voice Detection - please run in manual mode. Err: " +
                            QString::number(code),
                        Icon::Exclamation, Buttons::Ok});
        settings_.AutoRecord = false;
        UpdateButtonStates();
        return false;
    }
    recording_ = false;
    optionsOpen_ = false;
    return true;
}

void RecordingController::PollDetection() {
    const BusyGuard guard(busy_);
    if (!guard.entered()) return;
    if (!settings_.AutoRecord || optionsOpen_) return;
    CheckLevels();
    if (recording_ || monitoring_) return;

    rec_.Stop();
    rec_.Reset();
    if (const int16_t code = rec_.OpenTemporaryFile(); code != 0) {
        settings_.AutoRecord = false;
        UpdateButtonStates();
        ShowRecorderError(prompter_, code, "");
        return;
    }
    rec_.setPaused(true);
    if (const int16_t code = rec_.StartRecording(); code != 0) {
        settings_.AutoRecord = false;
        UpdateButtonStates();
        prompter_.show({kProductName,
                        "Failed to initialise Voice Detection - Check that other devices are not "
                        "recording audio. \nSwitching to manual control.\nErr: " +
                            QString::number(code),
                        Icon::Exclamation, Buttons::Ok});
        return;
    }
    monitoring_ = true;
}

void RecordingController::CheckLevels() {
    const RecorderLevels levels = rec_.GetLevels();
    const RecorderStatus status = rec_.Status();
    if (optionsOpen_ || static_cast<int16_t>(status) <= static_cast<int16_t>(RecorderStatus::Ready))
        return;
    // Voice detection that the control ended by itself (a device that went away) starts
    // afresh at the next poll.
    if (monitoring_ && status != RecorderStatus::Recording) {
        rec_.LastError();
        monitoring_ = false;
        trigger_.reset();
        return;
    }
    view_.setLevelTexts(levelText(levels.left), levelText(levels.right));

    // The computer's calls are heard on both sides: this side left, the other side right.
    const float loudest = CallInputFromSetting(settings_.Input) == CallInput::ComputerCalls
                              ? std::max(levels.left, levels.right)
                              : levels.left;
    const bool voice = loudest > static_cast<float>(settings_.Sensitivity);
    if (voice) latchCounter_ = settings_.CallTimeOut;
    if (recording_ || stillHeld(voice)) return;
    if (!trigger_.poll(clock_.steadyMs(), voice)) return;
    if (timers_.isActive(MainTimer::AddNote) && notePrompt_.isOpen())
        notePrompt_.CloseAddNoteForm(notePrompt_.text());
    if (playbackMode_) onStop();
    StartRecording();
    timers_.start(MainTimer::VoxLatch);
}

bool RecordingController::stillHeld(bool voice) {
    if (holdQuietSince_ < 0) return false;
    const qint64 now = clock_.steadyMs();
    if (voice) holdQuietSince_ = now;
    if (now - holdQuietSince_ < static_cast<qint64>(settings_.CallTimeOut) * 1000) return true;
    holdQuietSince_ = -1;
    status_.SetStatus("Ready");
    return false;
}

double RecordingController::leadInSeconds() const {
    if (settings_.PreRoll <= 0 || trigger_.onsetMs() < 0) return 0;
    const double sinceOnset = static_cast<double>(clock_.steadyMs() - trigger_.onsetMs()) / 1000;
    return std::clamp(sinceOnset + settings_.PreRoll, 0.0, kLongestLeadIn);
}

void RecordingController::VoxLatchTick() {
    const BusyGuard guard(busy_);
    if (!guard.entered()) return;
    // The call ends on the tick after the counter has run out, so that it ends CallTimeOut to
    // CallTimeOut + 1 seconds after the last loud poll, never sooner: a pause shorter than
    // CallTimeOut must not cut a call in two.
    if (latchCounter_ > 0) {
        --latchCounter_;
        return;
    }
    endCallAsLatch(true);
}

void RecordingController::endCallAsLatch(bool withNote) {
    timers_.stop(MainTimer::VoxLatch);
    trigger_.reset();
    // Shorter than MinCallLength by even a sample is too short: rounding kept a 9.92 s call.
    const double position = rec_.CurrentTimePosition();
    const bool discard = !(position >= settings_.MinCallLength);
    if (!discard) currentCall_.CallDuration = roundHalfEven(position);
    timers_.stop(MainTimer::Detection);
    noPrompt_ = !withNote;
    StopRecording(discard);
    noPrompt_ = false;
    timers_.start(MainTimer::Detection);
    status_.SetStatus("Ready");
    status_.setPanel(2, "00:00:00");
}

void RecordingController::StartRecording() {
    currentCall_ = CallRecord{};
    stalls_.takeLines();
    callPending_ = true;
    wasMinimised_ = view_.isMinimised();
    if (wasMinimised_ && settings_.Maximise) view_.restoreForCall();
    fileName_ = MakeCallFileName();
    status_.SetRecordingIndicator(true);
    SetPlaybackButtons(false);
    continuesListening_ = monitoring_ && rec_.Status() == RecorderStatus::Recording;
    monitoring_ = false;
    recording_ = true;
    status_.SetStatus("Recording");
    StartControlRecording();
}

QString RecordingController::MakeCallFileName() {
    const QDateTime now = clock_.now();
    currentCall_.LoginName = values_.userName;
    currentCall_.CallDate = now.date();
    currentCall_.CallTime = QTime(now.time().hour(), now.time().minute(), now.time().second());
    currentCall_.CallDuration = 0;
    return now.toString("yyyyMMdd") + "-" + now.toString("HHmmss") + "-" + values_.userName +
           ".wav";
}

void RecordingController::StartControlRecording() {
    controlRecording_ = false;
    const QString path = values_.tempFolder + fileName_;
    // The listening capture goes on into the call file, so that nothing said between the
    // trigger and the start of the call is lost, and the file begins where the speech did.
    if (std::exchange(continuesListening_, false) &&
        rec_.ContinueInNewFile(path, static_cast<float>(leadInSeconds())) == 0) {
        controlRecording_ = true;
        status_.SetStatus("Recording");
        return;
    }
    rec_.Stop();
    rec_.setPaused(false);
    if (const int16_t code = rec_.OpenNewFile(path); code != 0)
        ShowRecorderError(prompter_, code, fileName_);
    if (const int16_t code = rec_.StartRecording(); code != 0) {
        ShowRecorderError(prompter_, code, fileName_);
    } else {
        controlRecording_ = true;
        status_.SetStatus("Recording");
    }
}

void RecordingController::StopRecording(bool discard) {
    controlRecording_ = false;
    // The length in the name is the duration display's, taken now rather than at the last
    // tick of the clock, which can be a second behind the recording.
    refreshDuration();
    try {
        rec_.Stop();
        rec_.Reset();
        status_.SetRecordingIndicator(false);
        status_.SetStatus("Recording Complete");

        QString digits = lastDuration_;
        digits.remove(':');
        const int32_t n = HMSToSeconds(digits);
        const QString newName =
            QString(fileName_).replace(".wav", "-" + QString::number(n) + ".wav");
        QFile file(values_.tempFolder + fileName_);
        if (!file.exists()) throw AppError(errors::kFileNotFound, "File not found");
        if (QFile::exists(values_.tempFolder + newName))
            throw AppError(errors::kFileExists, "File already exists");
        if (!file.rename(values_.tempFolder + newName))
            throw AppError(errors::kPathFileAccessError, "Path/File access error");
        fileName_ = newName;

        if (discard) {
            if (settings_.AutoRecord) {
                QFile::remove(values_.tempFolder + fileName_);
            } else {
                view_.setButtonEnabled(MainButton::Quit, true);
                view_.setButtonEnabled(MainButton::Options, true);
            }
        } else {
            CallRecord call = currentCall_;
            call.RecordingLocation = fileName_;
            call.CallDuration = n;
            const QStringList gaps = stalls_.takeLines();
            StartMover(launcher_, prompter_, programFolder_, [this] { view_.callsFiled(); });
            const bool wasMinimised = wasMinimised_;
            if (!presetNote_.isEmpty()) {
                finishKeptCall(call, false, noteWithLines(presetNote_, gaps));
            } else if (settings_.AddNote && !noPrompt_) {
                timers_.start(MainTimer::AddNote);
                notePrompt_.open([this, call, wasMinimised, gaps](const QString& note) {
                    finishKeptCall(call, wasMinimised, noteWithLines(note, gaps));
                });
            } else {
                finishKeptCall(call, false, noteWithLines("", gaps));
            }
        }
    } catch (const std::exception& e) {
        reportStopError(e);
    }
    // Even after a failure the controller must be ready for the next call.
    recording_ = false;
    UpdateButtonStates();
    callPending_ = false;
}

void RecordingController::finishKeptCall(CallRecord call, bool wasMinimised, const QString& note) {
    timers_.stop(MainTimer::AddNote);
    if (wasMinimised) view_.minimise();
    call.CallNote = note;
    if (!note.isEmpty()) {
        // The mover makes the calls folder too, but it may not have run yet.
        MakeCallsFolder(settings_.CallPath);
        WriteCallNote(call, settings_.CallPath, prompter_);
    }
    const QString folder =
        settings_.CallPath.endsWith('/') ? settings_.CallPath : settings_.CallPath + "/";
    call.RecordingLocation = folder + call.RecordingLocation;
    view_.addRecordedCall(call);
}

void RecordingController::AddNoteTimerElapsed() {
    timers_.stop(MainTimer::AddNote);
    if (notePrompt_.isOpen()) notePrompt_.CloseAddNoteForm(notePrompt_.text());
}

void RecordingController::reportStopError(const std::exception& error) {
    prompter_.show(runtimeErrorMessage(Guarded::StopRecording, error));
}

void RecordingController::refreshDuration() {
    const double position = rec_.CurrentTimePosition();
    const int32_t seconds = std::isfinite(position) && position > 0
                                ? static_cast<int32_t>(std::min(position, 2147483647.0))
                                : 0;
    lastDuration_ = SecondsToHMS(seconds, 1);
}

void RecordingController::UpdateTimeStamp() {
    status_.setPanel(4, ClockText(clock_.now()));
    refreshDuration();
    status_.setPanel(2, lastDuration_);
    const BusyGuard guard(busy_);
    if (!guard.entered()) return;
    showInputNews();
    checkRecorderStopped();
}

void RecordingController::showInputNews() {
    switch (stalls_.take(rec_.TakeInputNews(), recording_ && controlRecording_)) {
        case InputStallNotes::Change::Stalled:
            status_.SetStatus("No sound is coming in - the sound system has stopped");
            break;
        case InputStallNotes::Change::Resumed:
            status_.SetStatus(recording_ ? "Recording" : "Ready");
            break;
        case InputStallNotes::Change::None:
            break;
    }
}

void RecordingController::checkRecorderStopped() {
    if (!recording_ || !controlRecording_ || rec_.Status() == RecorderStatus::Recording) return;
    // The control ended the call by itself (a full disk, a device gone): keep what was
    // recorded, end the call as the latch would, then say why, once.
    controlRecording_ = false;
    const int16_t code = rec_.LastError();
    if (settings_.AutoRecord) {
        endCallAsLatch(true);
    } else {
        onStop();
    }
    if (code != 0) ShowRecorderError(prompter_, code, fileName_);
}

void RecordingController::EndCallForShutdown() {
    if (!callPending_) return;
    if (settings_.AutoRecord) {
        endCallAsLatch(false);
    } else {
        rec_.Stop();
        noPrompt_ = true;
        StopRecording(false);
        noPrompt_ = false;
        callPending_ = false;
    }
}

}  // namespace parlaro

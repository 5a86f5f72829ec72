#include "app/library/playback/CallPlayback.h"

#include "app/recording/RecorderMessages.h"
#include "app/recording/TimeText.h"
#include "core/calls/CallFiles.h"

#include <QFileInfo>

#include <algorithm>
#include <cmath>

namespace parlaro {

namespace {

int wholeSeconds(double seconds) {
    if (!std::isfinite(seconds) || seconds < 0) return 0;
    return static_cast<int>(std::nearbyint(std::min(seconds, 32767.0)));
}

}  // namespace

void CallPlayback::warn(const QString& text) {
    prompter_.show({kProductName, text, Icon::Exclamation, Buttons::Ok});
}

void CallPlayback::PlayCall(const QString& key, CallCollection& calls) {
    player_.Reset();
    openCall_.clear();
    QString path;
    try {
        path = GetCall(calls, key).RecordingLocation;
    } catch (const std::exception&) {
        return;
    }
    if (!QFileInfo(path).isFile()) {
        warn("Call file doesnt exist!");
        return;
    }
    OpenCallForPlayback(path);
}

void CallPlayback::OpenCallForPlayback(const QString& path) {
    player_.setPlayOnly(true);
    const QString ending = path.right(3).toLower();
    if (ending == "wav") player_.setDataOnly(0);
    if (ending == "mp3") player_.setDataOnly(2);
    if (const int16_t code = player_.OpenExistingOrNewFile(path); code != 0) {
        warn("Failed to open call for playback! Error was: " + QString::number(code));
        return;
    }
    openCall_ = path;
    if (player_.Status() != RecorderStatus::FileOpen) {
        warn("Error - player not ready to play!");
        return;
    }
    if (player_.NumSamples() == 0) {
        warn("Error - no samples!");
        player_.Reset();
        return;
    }
    recording_.setPlaybackMode(true);
    view_.setSliderValue(0);
    view_.setSliderMaximum(wholeSeconds(player_.TotalTime() + 0.5));
    view_.setPositionTimer(true);
    player_.setCurrentTimePosition(0);
    recording_.SuspendDetection();
    view_.showOpenCall(path);
    if (const int16_t code = player_.StartPlayback(); code != 0) {
        ShowRecorderError(prompter_, code, path);
        StopPlayback();
    }
}

void CallPlayback::releaseCall(const QString& recording) {
    if (!playing() || openCall_ != recording) return;
    player_.Stop();
    StopPlayback();
}

void CallPlayback::StopPlayback() {
    player_.Reset();
    openCall_.clear();
    player_.setPaused(false);
    view_.setPositionText("00:00:00");
    view_.setSliderValue(0);
    view_.setPositionTimer(false);
    view_.showOpenCall("");
    dragging_ = false;
    recording_.setPlaybackMode(false);
    recording_.ResumeDetection();
}

void CallPlayback::PositionTimerTick() {
    // A player that stopped by itself (its device failed) ends playback like the end of the
    // file does, rather than leaving the window in playback for ever.
    if (player_.CurrentSamplePosition() < player_.NumSamples() &&
        player_.Status() == RecorderStatus::Playing) {
        const int seconds = wholeSeconds(player_.CurrentTimePosition());
        view_.setPositionText(SecondsToHMS(seconds, 1));
        view_.setSliderValue(seconds);
    } else {
        StopPlayback();
    }
}

void CallPlayback::onPlay(const QString& selectedKey, CallCollection& calls) {
    if (playing()) {
        player_.setCurrentTimePosition(0);
        if (player_.Paused()) player_.setPaused(false);
        return;
    }
    if (!selectedKey.isEmpty()) PlayCall(selectedKey, calls);
}

void CallPlayback::onRewind(int seconds) {
    if (!playing()) return;
    player_.setCurrentTimePosition(std::max(player_.CurrentTimePosition() - seconds, 0.0));
}

void CallPlayback::onAdvance(int seconds) {
    if (!playing()) return;
    const double target = std::min(player_.CurrentTimePosition() + seconds, player_.TotalTime());
    if (player_.Paused()) view_.setSliderValue(wholeSeconds(target));
    player_.setCurrentTimePosition(target);
}

void CallPlayback::onSliderPressed() {
    if (!playing()) return;
    dragging_ = true;
    player_.setPaused(true);
    view_.setPositionTimer(false);
}

void CallPlayback::onSliderMoved(int seconds) {
    if (dragging_ && playing()) view_.setPositionText(SecondsToHMS(seconds, 1));
}

void CallPlayback::onSliderReleased() {
    if (!playing()) {
        view_.setSliderValue(0);
        return;
    }
    dragging_ = false;
    seekTo(view_.sliderValue());
}

void CallPlayback::seekTo(double seconds) {
    if (!playing()) return;
    player_.setCurrentTimePosition(seconds);
    view_.setPositionText(SecondsToHMS(wholeSeconds(player_.CurrentTimePosition()), 1));
    player_.setPaused(false);
    view_.setPositionTimer(true);
}

}  // namespace parlaro

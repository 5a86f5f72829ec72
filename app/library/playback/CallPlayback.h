// Playing calls through the window's player: opening a call, the position timer, the
// position slider, Play while playing, rewind and advance, and the end of playback. Voice
// detection is suspended while a call plays.
#pragma once

#include "app/recording/Recorder.h"
#include "app/recording/RecordingController.h"
#include "core/calls/CallCollection.h"
#include "services/prompts/Prompter.h"

namespace parlaro {

// What playback shows: the slider sldPlayBackPos, the label lblPlaybackPos and the timer
// tmrPlaybackPos.
class PlaybackView {
  public:
    virtual ~PlaybackView() = default;
    virtual void setSliderMaximum(int seconds) = 0;
    virtual void setSliderValue(int seconds) = 0;
    virtual int sliderValue() const = 0;
    virtual void setPositionText(const QString& text) = 0;
    virtual void setPositionTimer(bool running) = 0;
    // The call now open for playback ("" when none), for the waveform strip.
    virtual void showOpenCall(const QString& path) = 0;
};

class CallPlayback {
  public:
    CallPlayback(Recorder& player, Prompter& prompter, PlaybackView& view,
                 RecordingController& recording)
        : player_(player), prompter_(prompter), view_(view), recording_(recording) {}

    void PlayCall(const QString& key, CallCollection& calls);
    void OpenCallForPlayback(const QString& path);
    void StopPlayback();
    // A recording about to be deleted: when it is the call playing, playback stops first.
    void releaseCall(const QString& recording);
    void PositionTimerTick();  // tmrPlaybackPos, every 250 ms

    // The Play button: from the start when a call plays, else the selected call ("" when the
    // list is empty: nothing happens).
    void onPlay(const QString& selectedKey, CallCollection& calls);
    void onRewind(int seconds);
    void onAdvance(int seconds);
    void onSliderPressed();
    void onSliderMoved(int seconds);
    void onSliderReleased();
    // A click on the waveform strip: go there, as releasing the slider does.
    void seekTo(double seconds);

    bool playing() const { return recording_.playbackMode(); }

  private:
    void warn(const QString& text);

    Recorder& player_;
    Prompter& prompter_;
    PlaybackView& view_;
    RecordingController& recording_;
    bool dragging_ = false;
    QString openCall_;  // the recording the player has open, "" when none
};

}  // namespace parlaro

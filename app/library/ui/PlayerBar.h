// The main window's player: Play, the buttons that rewind and advance, the open call's
// waveform over the position slider, and the position. The player control itself works
// unseen; its meter would only repeat the sound. The recording buttons lead its row.
#pragma once

#include "app/library/playback/CallPlayback.h"
#include "app/recording/ControlRecorder.h"
#include "app/support/WindowButtons.h"

#include <QWidget>

#include <memory>

class QLabel;
class QSlider;

namespace aurxqt {
class AurxWidget;
}

namespace parlaro {

class WaveformStrip;

class PlayerBar final : public QWidget, public PlaybackView {
    Q_OBJECT
  public:
    // `leading`: what goes first in the row of buttons.
    PlayerBar(QWidget* parent, WindowButtons& buttons, Timers& timers, QWidget* leading);

    aurxqt::AurxWidget& control() { return *control_; }
    Recorder& player() { return *player_; }
    void connectTo(CallPlayback& playback);

    // PlaybackView
    void setSliderMaximum(int seconds) override;
    void setSliderValue(int seconds) override;
    int sliderValue() const override;
    void setPositionText(const QString& text) override;
    void setPositionTimer(bool running) override;
    void showOpenCall(const QString& path) override;

  private:
    WindowButtons& buttons_;
    Timers& timers_;
    aurxqt::AurxWidget* control_ = nullptr;
    std::unique_ptr<ControlRecorder> player_;  // goes before the control it drives
    WaveformStrip* waveform_ = nullptr;
    QSlider* slider_ = nullptr;
    QLabel* position_ = nullptr;
};

}  // namespace parlaro

#include "app/library/ui/PlayerBar.h"

#include "app/library/ui/WaveformStrip.h"
#include "recorder/qt/AurxWidget.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include <array>
#include <tuple>

namespace parlaro {

namespace {

struct Skip {
    MainButton role;
    const char* name;
    const char* text;
    const char* tip;
    int seconds;  // forward when positive
};
constexpr std::array<Skip, 4> kSkips{{
    {MainButton::Rewind30, "cmdPBOffsetMinus30", "<< 30", "Rewind call playback 30 seconds", -30},
    {MainButton::Rewind10, "cmdPBOffsetMinus10", "< 10", "Rewind call playback 10 seconds", -10},
    {MainButton::Advance10, "cmdPBOffsetPlus10", "10 >", "Advance call playback 10 seconds", 10},
    {MainButton::Advance30, "cmdPBOffsetPlus30", "30 >>", "Advance call playback 30 seconds", 30},
}};

}  // namespace

PlayerBar::PlayerBar(QWidget* parent, WindowButtons& buttons, Timers& timers, QWidget* leading)
    : QWidget(parent), buttons_(buttons), timers_(timers) {
    control_ = new aurxqt::AurxWidget(this);
    control_->setObjectName("AURXPlayer");
    PlaceForTelephone(*control_);
    control_->hide();
    player_ = std::make_unique<ControlRecorder>(control_->control());

    auto* rows = new QVBoxLayout(this);
    rows->setContentsMargins(0, 0, 0, 0);
    auto* controls = new QHBoxLayout;
    controls->addWidget(leading);
    controls->addWidget(
        buttons_.add(this, MainButton::Play, "cmdPlay", "P&lay (F11)", "Play the selected call"));
    for (const Skip& skip : kSkips)
        controls->addWidget(buttons_.add(this, skip.role, skip.name, skip.text, skip.tip));
    controls->addStretch();
    rows->addLayout(controls);

    auto* position = new QHBoxLayout;
    auto* track = new QVBoxLayout;
    track->setSpacing(0);
    waveform_ = new WaveformStrip(this);
    track->addWidget(waveform_);
    slider_ = new QSlider(Qt::Horizontal, this);
    slider_->setObjectName("sldPlayBackPos");
    slider_->setToolTip("Position in the call");
    slider_->setRange(0, 0);
    track->addWidget(slider_);
    position->addLayout(track, 1);
    position_ = new QLabel("00:00:00", this);
    position_->setObjectName("lblPlaybackPos");
    position->addWidget(position_);
    rows->addLayout(position);
}

void PlayerBar::connectTo(CallPlayback& playback) {
    connect(slider_, &QSlider::sliderPressed, this, [&playback] { playback.onSliderPressed(); });
    connect(slider_, &QSlider::sliderMoved, this,
            [&playback](int v) { playback.onSliderMoved(v); });
    connect(slider_, &QSlider::sliderReleased, this, [&playback] { playback.onSliderReleased(); });
    connect(waveform_, &WaveformStrip::seekRequested, this,
            [&playback](double at) { playback.seekTo(at); });
    for (const Skip& skip : kSkips) {
        connect(buttons_[skip.role], &QPushButton::clicked, this,
                [&playback, seconds = skip.seconds] {
                    if (seconds > 0) {
                        playback.onAdvance(seconds);
                    } else {
                        playback.onRewind(-seconds);
                    }
                });
    }
}

void PlayerBar::setSliderMaximum(int seconds) {
    slider_->setMaximum(seconds);
}

void PlayerBar::setSliderValue(int seconds) {
    slider_->setValue(seconds);
    waveform_->setPosition(seconds);
}

int PlayerBar::sliderValue() const {
    return slider_->value();
}

void PlayerBar::setPositionText(const QString& text) {
    position_->setText(text);
}

void PlayerBar::setPositionTimer(bool running) {
    if (running) {
        timers_.start(MainTimer::PlaybackPos);
    } else {
        timers_.stop(MainTimer::PlaybackPos);
    }
}

void PlayerBar::showOpenCall(const QString& path) {
    waveform_->showCall(path, path.isEmpty() ? 0.0 : player_->TotalTime());
}

}  // namespace parlaro

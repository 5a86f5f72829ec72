#include "app/recording/ui/RecordingPanel.h"

#include "app/support/Lamp.h"
#include "recorder/qt/AurxWidget.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>

namespace parlaro {

RecordingPanel::RecordingPanel(QWidget* parent, WindowButtons& buttons)
    : QWidget(parent), buttons_(buttons) {
    auto* line = new QHBoxLayout(this);
    line->setContentsMargins(0, 0, 0, 0);
    lamp_ = new QLabel(this);
    lamp_->setObjectName("imgRecording");
    line->addWidget(lamp_);
    meter_ = new aurxqt::AurxWidget(this);
    meter_->setObjectName("AURXCtrl");
    meter_->setToolTip("Level of the telephone line");
    meter_->setMinimumSize(160, 28);
    meter_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    meter_->setFixedHeight(32);
    // Dark unlit segments keep the scale readable on any desktop theme.
    meter_->setBackColor(0x00303030);
    meter_->setNumSegments(20);
    PlaceForTelephone(*meter_);
    line->addWidget(meter_, 1);
    auto* levels = new QGridLayout;
    // A dash until a level has been measured.
    leftLevel_ = new QLabel(QStringLiteral("\u2014"), this);
    leftLevel_->setObjectName("lblLeftLevel");
    rightLevel_ = new QLabel(QStringLiteral("\u2014"), this);
    rightLevel_->setObjectName("lblRightLevel");
    for (QLabel* l : {leftLevel_, rightLevel_}) {
        l->setMinimumWidth(l->fontMetrics().horizontalAdvance("-99.9 dB"));
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    levels->addWidget(new QLabel("L", this), 0, 0);
    levels->addWidget(leftLevel_, 0, 1);
    levels->addWidget(new QLabel("R", this), 1, 0);
    levels->addWidget(rightLevel_, 1, 1);
    line->addLayout(levels);
    recorder_ = std::make_unique<ControlRecorder>(meter_->control());

    buttonStrip_ = new QWidget(this);
    auto* strip = new QHBoxLayout(buttonStrip_);
    strip->setContentsMargins(0, 0, 0, 0);
    strip->addWidget(buttons_.add(buttonStrip_, MainButton::Record, "cmdRecord", "&Record (F9)",
                                  "Record a call by hand"));
    strip->addWidget(buttons_.add(buttonStrip_, MainButton::Stop, "cmdStop", "S&top (F10)",
                                  "End the recording or the playback"));
    strip->addWidget(
        buttons_.add(buttonStrip_, MainButton::Pause, "cmdPause", "&Pause", "Pause or resume"));
}

void RecordingPanel::showStatusIn(QStatusBar& bar) {
    const std::array<int, 4> stretch{3, 1, 1, 3};
    for (std::size_t i = 0; i < panels_.size(); ++i) {
        panels_[i] = new QLabel(&bar);
        panels_[i]->setObjectName(QString("panel%1").arg(i + 1));
        panels_[i]->setFrameShape(QFrame::StyledPanel);
        bar.addWidget(panels_[i], stretch[i]);
    }
}

void RecordingPanel::connectTo(RecordingController& controller, Recorder& player) {
    connect(buttons_[MainButton::Record], &QPushButton::clicked, this,
            [&controller] { controller.onRecord(); });
    connect(buttons_[MainButton::Stop], &QPushButton::clicked, this,
            [&controller] { controller.onStop(); });
    connect(buttons_[MainButton::Pause], &QPushButton::clicked, this,
            [&controller, &player] { controller.onPause(&player); });
    for (int key : {9, 10, 11}) {
        auto* shortcut = new QShortcut(QKeySequence(Qt::Key_F1 + key - 1), window());
        connect(shortcut, &QShortcut::activated, this,
                [&controller, key] { controller.onKey(key); });
    }
}

QString RecordingPanel::panelText(int panel) const {
    if (panel < 1 || panel > static_cast<int>(panels_.size())) return {};
    return panelTexts_[static_cast<std::size_t>(panel - 1)];
}

void RecordingPanel::setPanelText(int panel, const QString& text) {
    if (panel < 1 || panel > static_cast<int>(panels_.size())) return;
    const auto i = static_cast<std::size_t>(panel - 1);
    panelTexts_[i] = text;
    // The clock changes every second all day: a minimised window is shown its texts when it
    // comes back, rather than laid out for each.
    if (!window()->isMinimized() && panels_[i]->text() != text) panels_[i]->setText(text);
}

void RecordingPanel::setIndicator(bool recording, const QString& tooltip) {
    lamp_->setPixmap(lampPicture(recording ? QColor(Qt::red) : QColor(Qt::green)));
    lamp_->setToolTip(tooltip);
}

void RecordingPanel::setCaption(const QString& caption) {
    window()->setWindowTitle(caption);
}

void RecordingPanel::setLevelTexts(const QString& left, const QString& right) {
    // Five times a second all day: a minimised window is not laid out again for labels
    // nobody sees, and an unchanged text is not set again.
    if (window()->isMinimized()) return;
    if (leftLevel_->text() != left) leftLevel_->setText(left);
    if (rightLevel_->text() != right) rightLevel_->setText(right);
}

void RecordingPanel::windowStateChanged(bool minimised) {
    meter_->setWatchingEvents(!minimised);
    if (minimised) return;
    for (std::size_t i = 0; i < panels_.size(); ++i)
        if (panels_[i]) panels_[i]->setText(panelTexts_[i]);
}

}  // namespace parlaro

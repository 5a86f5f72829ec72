// The recording side of the main window: the recording lamp, the line's level meter (the
// recording control itself) and its two levels, the buttons that record (Record, Stop, Pause
// and their keys F9 to F11), and the status bar's texts. It shows what the recording
// controller and the status procedures tell it.
#pragma once

#include "app/recording/ControlRecorder.h"
#include "app/recording/RecordingController.h"
#include "app/recording/StatusDisplay.h"
#include "app/support/WindowButtons.h"

#include <QWidget>

#include <array>
#include <memory>

class QLabel;
class QStatusBar;

namespace aurxqt {
class AurxWidget;
}

namespace parlaro {

class RecordingPanel final : public QWidget, public StatusView {
    Q_OBJECT
  public:
    RecordingPanel(QWidget* parent, WindowButtons& buttons);

    aurxqt::AurxWidget& control() { return *meter_; }
    Recorder& recorder() { return *recorder_; }
    // Record, Stop and Pause, which lead the player's row.
    QWidget* buttonStrip() const { return buttonStrip_; }
    // The status bar's four panels go into `bar`.
    void showStatusIn(QStatusBar& bar);
    void connectTo(RecordingController& controller, Recorder& player);

    QString panelText(int panel) const;
    void setLevelTexts(const QString& left, const QString& right);
    // The window was minimised or came back: the control collects its events meanwhile, and
    // the texts set while minimised are shown on return.
    void windowStateChanged(bool minimised);

    // StatusView
    void setPanelText(int panel, const QString& text) override;
    void setIndicator(bool recording, const QString& tooltip) override;
    void setCaption(const QString& caption) override;

  private:
    WindowButtons& buttons_;
    QLabel* lamp_ = nullptr;
    aurxqt::AurxWidget* meter_ = nullptr;
    QLabel* leftLevel_ = nullptr;
    QLabel* rightLevel_ = nullptr;
    QWidget* buttonStrip_ = nullptr;
    std::unique_ptr<ControlRecorder> recorder_;  // goes before the control it drives
    std::array<QLabel*, 4> panels_{};
    std::array<QString, 4> panelTexts_;  // what the panels say, also while minimised
};

}  // namespace parlaro

// What the main window shows of the recorder's state: the status bar panels, the recording
// indicator and the caption.
#pragma once

#include "core/settings/AppSettings.h"
#include "core/settings/Product.h"

namespace parlaro {

// The parts of the main window these procedures write to.
class StatusView {
  public:
    virtual ~StatusView() = default;
    // Panels are numbered from 1.
    virtual void setPanelText(int panel, const QString& text) = 0;
    virtual void setIndicator(bool recording, const QString& tooltip) = 0;
    virtual void setCaption(const QString& caption) = 0;
};

class StatusDisplay {
  public:
    StatusDisplay(StatusView& view, const AppSettings& settings)
        : view_(view), settings_(settings) {}

    // Panel 1: the text and the current recording mode.
    void SetStatus(const QString& text);
    void SetRecordingIndicator(bool on);
    void ShowCaption();
    void setPanel(int panel, const QString& text) { view_.setPanelText(panel, text); }

  private:
    StatusView& view_;
    const AppSettings& settings_;
};

}  // namespace parlaro

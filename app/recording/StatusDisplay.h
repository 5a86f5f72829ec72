// What the main window shows of the recorder's state: the status bar panels, the recording
// indicator and the caption.
#pragma once

#include "app/recording/StatusView.h"
#include "core/settings/AppSettings.h"
#include "core/settings/Product.h"

namespace parlaro {

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

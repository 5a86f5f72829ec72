#include "app/recording/StatusDisplay.h"

namespace parlaro {

void StatusDisplay::SetStatus(const QString& text) {
    view_.setPanelText(
        1, text + (settings_.AutoRecord ? " - Automatic Recording" : " - Manual Recording"));
}

void StatusDisplay::SetRecordingIndicator(bool on) {
    view_.setIndicator(on, on ? "Recording" : "Ready");
    SetStatus(on ? "Recording" : "Ready");
}

void StatusDisplay::ShowCaption() {
    view_.setCaption(kProductName + " Call Recorder");
}

}  // namespace parlaro

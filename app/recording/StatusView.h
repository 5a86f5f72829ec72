// Where the recorder's state is shown: the status bar's panels, the recording lamp and the
// caption (the recording panel shows them).
#pragma once

#include <QString>

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

}  // namespace parlaro

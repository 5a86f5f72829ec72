// What the window rules need of the main window: its state and size, the status bar's texts,
// the call list's column widths, and closing what belongs to it.
#pragma once

#include "app/support/FormPosition.h"

#include <QString>

#include <array>
#include <cstdint>

namespace parlaro {

class MainWindowView {
  public:
    virtual ~MainWindowView() = default;
    virtual bool isMinimised() const = 0;
    virtual FormGeometry geometryTwips() const = 0;
    virtual QString panelText(int panel) const = 0;
    // The widths of the call list's five columns, in twips.
    virtual std::array<int32_t, 5> columnWidthsTwips() const = 0;
    virtual void closeFindDialog() = 0;
    virtual void removeTrayIcon() = 0;
    // Minimised, the window leaves only its tray icon (where the desktop has a tray).
    virtual void hideToTray() = 0;
};

}  // namespace parlaro

// What the tray icon does while the window is hidden in it: a double-click brings back the
// window (or the note prompt, when one is open); Restore puts the window back where it was
// when the program started. The window is reached through TrayView, so this is testable
// without a desktop tray.
#pragma once

#include <QPoint>

#include <optional>

namespace parlaro {

class TrayView {
  public:
    virtual ~TrayView() = default;
    virtual bool notePromptOpen() const = 0;
    virtual void raiseNotePrompt() = 0;
    // The window in its normal state, shown and in front; moved first when a place is given.
    virtual void showNormalWindow(std::optional<QPoint> topLeftTwips) = 0;
    virtual void bringToFront() = 0;
};

class TrayBehaviour {
  public:
    // `startTopLeft`: the window's place as read at start-up, in twips.
    TrayBehaviour(TrayView& view, QPoint startTopLeft) : view_(view), start_(startTopLeft) {}

    void doubleClicked();
    void restore();

  private:
    TrayView& view_;
    QPoint start_;
};

}  // namespace parlaro

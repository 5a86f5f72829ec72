// The program's icon in the desktop's tray, with its menu (Restore, Exit): the window hides in
// it when minimised and comes back from it, or brings the note prompt forward when one is
// open. Where the desktop has no tray, the window stays where the desktop shows it.
#pragma once

#include "app/tray/TrayBehaviour.h"

#include <QObject>

#include <memory>

class QSystemTrayIcon;
class QWidget;

namespace parlaro {

class AddNoteDialog;

class TrayIcon final : public QObject, public TrayView {
  public:
    TrayIcon(QWidget& window, AddNoteDialog& notePrompt);

    // Shows the icon; `startTopLeft` (twips) is where Restore puts the window back.
    void install(QPoint startTopLeft);
    void remove();
    // Minimised, the window leaves only the icon (where there is one).
    void hideWindow();

    // TrayView
    bool notePromptOpen() const override;
    void raiseNotePrompt() override;
    void showNormalWindow(std::optional<QPoint> topLeftTwips) override;
    void bringToFront() override;

  private:
    QWidget& window_;
    AddNoteDialog& notePrompt_;
    QSystemTrayIcon* icon_ = nullptr;
    std::unique_ptr<TrayBehaviour> behaviour_;
};

}  // namespace parlaro

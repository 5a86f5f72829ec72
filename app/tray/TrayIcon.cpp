#include "app/tray/TrayIcon.h"

#include "app/library/ui/AddNoteDialog.h"
#include "app/support/FormPosition.h"
#include "app/support/ProgramIcon.h"
#include "core/settings/Product.h"

#include <QAction>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>

namespace parlaro {

TrayIcon::TrayIcon(QWidget& window, AddNoteDialog& notePrompt)
    : QObject(&window), window_(window), notePrompt_(notePrompt) {}

void TrayIcon::install(QPoint startTopLeft) {
    behaviour_ = std::make_unique<TrayBehaviour>(*this, startTopLeft);
    if (!QSystemTrayIcon::isSystemTrayAvailable()) return;
    icon_ = new QSystemTrayIcon(programIcon(), this);
    icon_->setObjectName("trayIcon");
    icon_->setToolTip(kProductName);
    auto* menu = new QMenu(&window_);
    menu->setObjectName("mPopupSys");
    QAction* restore = menu->addAction("&Restore", this, [this] { behaviour_->restore(); });
    restore->setObjectName("mPopupRestore");
    QAction* exit = menu->addAction("E&xit", this, [this] { window_.close(); });
    exit->setObjectName("mPopupExit");
    icon_->setContextMenu(menu);
    connect(icon_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason r) {
        if (r == QSystemTrayIcon::DoubleClick && (window_.isMinimized() || !window_.isVisible()))
            behaviour_->doubleClicked();
    });
    icon_->show();
}

void TrayIcon::remove() {
    if (icon_) icon_->hide();
}

void TrayIcon::hideWindow() {
    // Without a tray the window stays minimised where the desktop shows it: hidden, it could
    // never be reached again.
    if (!icon_ || !icon_->isVisible()) return;
    QTimer::singleShot(0, &window_, [this] {
        if (window_.isMinimized()) window_.hide();
    });
}

bool TrayIcon::notePromptOpen() const {
    return notePrompt_.isVisible();
}

void TrayIcon::raiseNotePrompt() {
    notePrompt_.raise();
    notePrompt_.activateWindow();
}

void TrayIcon::showNormalWindow(std::optional<QPoint> topLeftTwips) {
    if (topLeftTwips)
        window_.move(topLeftTwips->x() / kTwipsPerPixel, topLeftTwips->y() / kTwipsPerPixel);
    window_.showNormal();
    window_.raise();
    window_.activateWindow();
}

void TrayIcon::bringToFront() {
    window_.setWindowState((window_.windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    window_.showNormal();
    window_.raise();
    window_.activateWindow();
}

}  // namespace parlaro

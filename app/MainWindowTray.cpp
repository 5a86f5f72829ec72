// The main window in the desktop's tray: its icon and menu, hiding when minimised, coming
// back, and what it saves when it unloads.
#include "app/MainWindow.h"

#include "app/library/ui/AddNoteDialog.h"
#include "app/library/ui/FindCallDialog.h"
#include "app/recording/StatusDisplay.h"

#include <QAction>
#include <QMenu>
#include <QPainter>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QTreeView>

namespace parlaro {

QIcon MainWindow::programIcon() {
    // The program's own mark: a handset on blue with the recording lamp.
    QPixmap pixmap(64, 64);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x2b, 0x4c, 0x7e));
    p.drawRoundedRect(QRectF(2, 2, 60, 60), 12, 12);
    QPen handset(Qt::white, 9, Qt::SolidLine, Qt::RoundCap);
    p.setPen(handset);
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(12, 14, 40, 40), 200 * 16, 140 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xe0, 0x30, 0x30));
    p.drawEllipse(QPointF(46, 18), 8, 8);
    return QIcon(pixmap);
}

void MainWindow::addTrayIcon() {
    setWindowIcon(programIcon());
    trayBehaviour_ = std::make_unique<TrayBehaviour>(*this, QPoint(settings_.Left, settings_.Top));
    if (!QSystemTrayIcon::isSystemTrayAvailable()) return;
    tray_ = new QSystemTrayIcon(programIcon(), this);
    tray_->setObjectName("trayIcon");
    tray_->setToolTip(kProductName);
    auto* menu = new QMenu(this);
    menu->setObjectName("mPopupSys");
    QAction* restore = menu->addAction("&Restore", this, [this] { trayBehaviour_->restore(); });
    restore->setObjectName("mPopupRestore");
    QAction* exit = menu->addAction("E&xit", this, [this] { close(); });
    exit->setObjectName("mPopupExit");
    tray_->setContextMenu(menu);
    connect(tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason r) {
        if (r == QSystemTrayIcon::DoubleClick && (isMinimized() || !isVisible()))
            trayBehaviour_->doubleClicked();
    });
    tray_->show();
}

bool MainWindow::notePromptOpen() const {
    return frmAddNote_ && frmAddNote_->isVisible();
}

void MainWindow::raiseNotePrompt() {
    frmAddNote_->raise();
    frmAddNote_->activateWindow();
}

void MainWindow::showNormalWindow(std::optional<QPoint> topLeftTwips) {
    if (topLeftTwips) move(topLeftTwips->x() / kTwipsPerPixel, topLeftTwips->y() / kTwipsPerPixel);
    showNormal();
    raise();
    activateWindow();
}

void MainWindow::closeFindDialog() {
    if (dlgFindCall_) dlgFindCall_->close();
}

void MainWindow::removeTrayIcon() {
    if (tray_) tray_->hide();
}

void MainWindow::hideToTray() {
    // Without a tray the window stays minimised where the desktop shows it: hidden, it could
    // never be reached again.
    if (!tray_ || !tray_->isVisible()) return;
    QTimer::singleShot(0, this, [this] {
        if (isMinimized()) hide();
    });
}

}  // namespace parlaro

#include "tools/help-screenshots/WindowShot.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QThread>
#include <QWidget>

namespace helpshots {

void settle(int milliseconds) {
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < milliseconds) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(10);
    }
}

bool shoot(QWidget& window, const QString& path) {
    window.raise();
    window.activateWindow();
    settle(600);
    QPixmap picture;
    QScreen* screen = window.screen();
    if (QGuiApplication::platformName() == "xcb" && screen) {
        const QRect frame = window.frameGeometry();
        picture = screen->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
    }
    if (picture.isNull()) picture = window.grab();
    QImage image = picture.toImage();
    if (image.width() > 1000) image = image.scaledToWidth(1000, Qt::SmoothTransformation);
    // Quality 0 is the PNG writer's strongest compression: the pictures live in the repository.
    return !image.isNull() && image.save(path, "PNG", 0);
}

}  // namespace helpshots

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
    const bool onX11 = QGuiApplication::platformName() == "xcb";
    // The window manager frames a window a moment after it is mapped: wait for a frame around
    // it. Now and then the frame's size never reaches Qt; showing the window again helps.
    const auto framedAround = [&window] {
        const QRect frame = window.frameGeometry();
        return frame != window.geometry() && frame.contains(window.geometry());
    };
    for (int attempt = 0; onX11 && !framedAround() && attempt < 3; ++attempt) {
        if (attempt > 0) {
            window.hide();
            settle(200);
            window.show();
        }
        QElapsedTimer framed;
        framed.start();
        while (!framedAround() && framed.elapsed() < 2000)
            settle(50);
    }
    settle(600);
    QPixmap picture;
    QScreen* screen = window.screen();
    const bool withFrame = onX11 && screen && framedAround();
    if (withFrame) {
        const QRect frame = window.frameGeometry();
        picture = screen->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
    }
    if (picture.isNull()) picture = window.grab();
    QImage image = picture.toImage();
    if (image.width() > 1000) image = image.scaledToWidth(1000, Qt::SmoothTransformation);
    // Quality 0 is the PNG writer's strongest compression: the pictures live in the repository.
    const bool saved = !image.isNull() && image.save(path, "PNG", 0);
    return saved && (withFrame || !onX11);
}

}  // namespace helpshots

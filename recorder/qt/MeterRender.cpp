#include "recorder/qt/MeterRender.h"

#include <QGuiApplication>
#include <QPainter>

#include "aurx/AURX300Ctrl.h"
#include "aurx/ComposeMeter.h"
#include "recorder/qt/SystemPalette.h"

namespace aurxqt {
namespace {

QColor toQColor(aurx::meter::Rgb c) {
    return QColor(c.r, c.g, c.b);
}

void paintCells(QPainter& painter, const aurx::meter::MeterPicture& picture) {
    // Aliased, so that every cell covers exactly its pixels and the gaps stay clean.
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(Qt::NoPen);
    for (const aurx::meter::Cell& c : picture.cells) {
        const QRect r(c.x, c.y, c.width, c.height);
        if (c.shape == aurx::meter::Shape::Ellipse) {
            painter.setBrush(toQColor(c.color));
            painter.drawEllipse(r);
        } else {
            painter.fillRect(r, toQColor(c.color));
        }
    }
}

}  // namespace

aurx::meter::MeterSettings meterSettings(const aurx::AURX300Ctrl& control) {
    aurx::meter::MeterSettings s;
    s.backColor = control.get_BackColor();
    s.lowColor = control.get_LowColor();
    s.midColor = control.get_MidColor();
    s.highColor = control.get_HighColor();
    s.numSegments = control.get_NumSegments();
    s.orientation = control.get_Orientation();
    s.style = control.get_Style();
    s.numChannels = control.get_NumChannels();
    return s;
}

QImage renderMeter(const aurx::AURX300Ctrl& control, QSize size, const QPalette& palette) {
    if (size.isEmpty()) return {};
    QImage image(size, QImage::Format_RGB32);
    if (image.isNull()) return image;

    // The stored levels whatever the state: the meter darkens only when the engine says so.
    const aurx::Levels levels = control.meterLevels();
    const aurx::meter::MeterPicture picture = aurx::meter::composeMeter(
        size.width(), size.height(), meterSettings(control),
        {levels.leftLevel, levels.leftOverload != 0},
        {levels.rightLevel, levels.rightOverload != 0}, paletteResolver(palette));

    image.fill(toQColor(picture.background));
    QPainter painter(&image);
    paintCells(painter, picture);
    return image;
}

QImage renderMeter(const aurx::AURX300Ctrl& control, QSize size) {
    return renderMeter(control, size, QGuiApplication::palette());
}

bool renderMeterPng(const aurx::AURX300Ctrl& control, int width, int height, const QString& path) {
    const QImage image = renderMeter(control, QSize(width, height));
    return !image.isNull() && image.save(path, "PNG");
}

}  // namespace aurxqt

#include "app/support/ProgramIcon.h"

#include <QPainter>
#include <QPixmap>

namespace parlaro {

QIcon programIcon() {
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

}  // namespace parlaro

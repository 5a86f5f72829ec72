#include "app/support/Lamp.h"

#include <QPainter>

namespace parlaro {

QPixmap lampPicture(const QColor& colour) {
    QPixmap pm(20, 20);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(colour);
    p.setPen(colour.darker());
    p.drawEllipse(2, 2, 16, 16);
    return pm;
}

}  // namespace parlaro

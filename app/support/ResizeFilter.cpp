#include "app/support/ResizeFilter.h"

#include <QEvent>

namespace parlaro {

bool ResizeFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize) onResize_();
    return QObject::eventFilter(watched, event);
}

}  // namespace parlaro

#include "app/library/ui/ListKeyFilter.h"

#include <QKeyEvent>

namespace parlaro {

bool ListKeyFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
        const auto* keyEvent = static_cast<QKeyEvent*>(event);
        const int key = keyEvent->key();
        const bool press = event->type() == QEvent::KeyPress;
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (press) onEnter_();
            return true;
        }
        if (key == Qt::Key_Delete && keyEvent->modifiers() == Qt::NoModifier) {
            if (!press && !keyEvent->isAutoRepeat()) onDelete_();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace parlaro

#include "app/library/ui/DropFilter.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

namespace parlaro {

namespace {

QStringList localFiles(const QMimeData* data) {
    QStringList files;
    if (!data) return files;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile()) files << url.toLocalFile();
    return files;
}

}  // namespace

bool DropFilter::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* drag = static_cast<QDropEvent*>(event);
            if (!localFiles(drag->mimeData()).isEmpty()) drag->acceptProposedAction();
            return true;
        }
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            const QStringList files = localFiles(drop->mimeData());
            if (files.isEmpty()) return true;
            drop->acceptProposedAction();
            onDrop_(files);
            return true;
        }
        default:
            return QObject::eventFilter(watched, event);
    }
}

}  // namespace parlaro

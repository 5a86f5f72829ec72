#include "app/support/UrlOpener.h"

#include <QDesktopServices>

namespace parlaro {

bool DesktopUrlOpener::open(const QUrl& url) {
    return QDesktopServices::openUrl(url);
}

}  // namespace parlaro

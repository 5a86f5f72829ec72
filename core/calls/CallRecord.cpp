#include "core/calls/CallRecord.h"

#include <QLocale>

namespace parlaro {

std::optional<QDate> callDateFromText(const QString& text) {
    for (const char* format : {"d-MMM-yyyy", "yyyy-MM-dd"}) {
        const QDate d = QLocale::c().toDate(text, format);
        if (d.isValid()) return d;
    }
    return std::nullopt;
}

std::optional<QTime> callTimeFromText(const QString& text) {
    for (const char* format : {"h:m:s", "h:m"}) {
        const QTime t = QLocale::c().toTime(text, format);
        if (t.isValid()) return t;
    }
    return std::nullopt;
}

}  // namespace parlaro

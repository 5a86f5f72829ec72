#include "app/recording/TimeText.h"

#include <QLocale>

namespace parlaro {

namespace {

QString twoDigits(int64_t n) {
    return QString::number(n).rightJustified(2, '0');
}

int64_t digitsValue(const QString& text) {
    bool ok = false;
    const int64_t n = text.toLongLong(&ok);
    return ok && n >= 0 ? n : 0;
}

}  // namespace

QString SecondsToHMS(int32_t value, int16_t divisor) {
    if (divisor == 0 || value < 0) return "00:00:00";
    const int64_t s = static_cast<int64_t>(value) / divisor;
    if (s < 0) return "00:00:00";
    return twoDigits(s / 3600) + ":" + twoDigits(s % 3600 / 60) + ":" + twoDigits(s % 60);
}

int32_t HMSToSeconds(const QString& hhmmss) {
    if (hhmmss.size() < 6) {
        // Characters 1-2, 3-4 and 5-6, whichever exist.
        return static_cast<int32_t>(digitsValue(hhmmss.mid(0, 2)) * 3600 +
                                    digitsValue(hhmmss.mid(2, 2)) * 60 +
                                    digitsValue(hhmmss.mid(4, 2)));
    }
    const qsizetype h = hhmmss.size() - 4;
    const int64_t total = digitsValue(hhmmss.left(h)) * 3600 + digitsValue(hhmmss.mid(h, 2)) * 60 +
                          digitsValue(hhmmss.mid(h + 2, 2));
    return static_cast<int32_t>(std::min<int64_t>(total, INT32_MAX));
}

QString ClockText(const QDateTime& when) {
    return QLocale::c().toString(when, "dddd, MMM d yyyy - hh:mm:ss");
}

}  // namespace parlaro

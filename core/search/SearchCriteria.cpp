#include "core/search/SearchCriteria.h"

#include "core/support/AppError.h"

namespace parlaro {

QString BuildFilePattern(const SearchCriteria& c) {
    QString datePart;
    if (c.StartDate == c.EndDate) {
        datePart = c.StartDate;
    } else if (c.StartDate.left(4) == c.EndDate.left(4)) {
        datePart = c.StartDate.left(4);
        if (c.StartDate.mid(4, 2) == c.EndDate.mid(4, 2)) datePart += c.StartDate.mid(4, 2);
        datePart += "*";
    } else {
        datePart = "*";
    }
    return datePart + "-" + "*-" + c.User + "-*" + ".wav";
}

std::optional<QDate> dayFromText(QStringView text) {
    if (text.size() != 8) return std::nullopt;
    int digits[8];
    for (qsizetype i = 0; i < 8; ++i) {
        const char16_t ch = text[i].unicode();
        if (ch < u'0' || ch > u'9') return std::nullopt;
        digits[i] = ch - u'0';
    }
    const int y = digits[0] * 1000 + digits[1] * 100 + digits[2] * 10 + digits[3];
    const QDate d(y, digits[4] * 10 + digits[5], digits[6] * 10 + digits[7]);
    if (!d.isValid()) return std::nullopt;
    return d;
}

namespace {

QDate requireDay(const QString& text) {
    const auto d = dayFromText(text);
    if (!d) throw AppError(13, "Type mismatch");
    return *d;
}

}  // namespace

DayRange::DayRange(const SearchCriteria& c) {
    if (c.StartDate == c.EndDate || c.StartDate == "*") return;
    first_ = requireDay(c.StartDate);
    if (c.EndDate != "*") last_ = requireDay(c.EndDate);
}

bool DayRange::contains(const QDate& day) const {
    return (!first_ || day >= *first_) && (!last_ || day <= *last_);
}

bool LengthAccepted(const SearchCriteria& c, int32_t seconds) {
    return (!c.MinSeconds || seconds >= *c.MinSeconds) &&
           (!c.MaxSeconds || seconds <= *c.MaxSeconds);
}

}  // namespace parlaro

// What a call search looks for. The user, the date and (roughly) the date range become a
// file-name pattern; the exact day range, the length and the note words are then tested call by
// call.
#pragma once

#include <QDate>
#include <QString>

#include <cstdint>
#include <optional>

namespace parlaro {

struct SearchCriteria {
    QString Note = "*";       // words to find in the note, separated by "*"; "*" or "" = any
    QString StartDate = "*";  // first day, "yyyymmdd", or "*"
    QString EndDate = "*";    // last day, "yyyymmdd", or "*"
    QString User = "*";       // pattern for the user field of the file name; "*" = anyone
    QString Extension = "*";  // carried only: the pattern always ends in ".wav"
    // Limits on the call's length in whole seconds; unset, no limit.
    std::optional<int32_t> MinSeconds;
    std::optional<int32_t> MaxSeconds;
};

// The date part ("yyyymmdd", "yyyy*", "yyyymm*" or "*"), "-*-", User, "-*.wav".
QString BuildFilePattern(const SearchCriteria& criteria);

// The day-by-day check of a range. It applies only when StartDate is a day and differs from
// EndDate (one day is already in the pattern). An EndDate of "*" sets no upper limit, so a
// from-date alone finds everything from that day on.
class DayRange {
  public:
    // Throws AppError 13 (type mismatch) for a day that is not a "yyyymmdd" date.
    explicit DayRange(const SearchCriteria& criteria);
    bool contains(const QDate& day) const;

  private:
    std::optional<QDate> first_;
    std::optional<QDate> last_;
};

bool LengthAccepted(const SearchCriteria& criteria, int32_t seconds);

// "yyyymmdd" as a date; nothing for any other text.
std::optional<QDate> dayFromText(QStringView yyyymmdd);

}  // namespace parlaro

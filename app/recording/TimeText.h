// Times and durations as the status bar shows them.
#pragma once

#include <QDateTime>
#include <QString>

#include <cstdint>

namespace parlaro {

// value / divisor whole seconds as "hh:mm:ss". Durations of 100 hours and more show all their
// hour digits rather than wrapping.
QString SecondsToHMS(int32_t value, int16_t divisor);

// "hhmmss" (the duration text without its colons) as seconds; longer texts carry more hour
// digits before the last four characters.
int32_t HMSToSeconds(const QString& hhmmss);

// "dddd, mmm d yyyy - hh:mm:ss", e.g. "Monday, Mar 14 2005 - 09:30:15".
QString ClockText(const QDateTime& when);

}  // namespace parlaro

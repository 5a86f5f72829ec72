#include "app/recording/InputStallNotes.h"

#include <cmath>

namespace parlaro {

QString missingAudioLine(double atSeconds, double stalledSeconds) {
    const auto at = static_cast<long long>(std::max(atSeconds, 0.0));
    const auto length = std::max<long long>(std::llround(stalledSeconds), 1);
    return QStringLiteral("Audio missing from %1:%2 for %3 s (the sound system stopped)")
        .arg(at / 60, 2, 10, QLatin1Char('0'))
        .arg(at % 60, 2, 10, QLatin1Char('0'))
        .arg(length);
}

InputStallNotes::Change InputStallNotes::take(const std::vector<InputNews>& news, bool inCall) {
    Change change = Change::None;
    for (const InputNews& n : news) {
        change = n.resumed ? Change::Resumed : Change::Stalled;
        // The stretch began where the file stood when the input stopped: the resumed news
        // names the line's time it took, counted from there.
        if (n.resumed && inCall) lines_ << missingAudioLine(n.atSeconds, n.stalledSeconds);
    }
    return change;
}

QString noteWithLines(const QString& note, const QStringList& lines) {
    if (lines.isEmpty()) return note;
    if (note.isEmpty()) return lines.join('\n');
    return note + (note.endsWith('\n') ? "" : "\n") + lines.join('\n');
}

}  // namespace parlaro

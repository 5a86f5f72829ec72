#include "core/calls/CallName.h"

namespace parlaro {

namespace {

// The value of `count` ASCII digits from `at`, or -1.
int digitsAt(QStringView s, qsizetype at, qsizetype count) {
    int value = 0;
    for (qsizetype i = at; i < at + count; ++i) {
        const char16_t ch = s[i].unicode();
        if (ch < u'0' || ch > u'9') return -1;
        value = value * 10 + (ch - u'0');
    }
    return value;
}

}  // namespace

std::optional<CallRecord> CallFromCommonName(QStringView fileName) {
    if (fileName.size() < 4) return std::nullopt;
    const QStringView body = fileName.chopped(4);  // the extension, whatever it is
    // Fields 0 and 1 have fixed widths; the user runs to the next "-".
    if (body.size() < 18 || body[8] != u'-' || body[15] != u'-') return std::nullopt;
    const int year = digitsAt(body, 0, 4), month = digitsAt(body, 4, 2), day = digitsAt(body, 6, 2);
    const int hour = digitsAt(body, 9, 2), minute = digitsAt(body, 11, 2),
              second = digitsAt(body, 13, 2);
    if (year < 0 || month < 0 || day < 0 || hour < 0 || minute < 0 || second < 0) {
        return std::nullopt;
    }
    const QDate date(year, month, day);
    const QTime time(hour, minute, second);
    if (!date.isValid() || !time.isValid()) return std::nullopt;

    const qsizetype userEnd = body.indexOf(u'-', 16);
    if (userEnd < 0) return std::nullopt;
    qsizetype lengthEnd = body.indexOf(u'-', userEnd + 1);
    if (lengthEnd < 0) lengthEnd = body.size();
    const qsizetype digits = lengthEnd - userEnd - 1;
    if (digits < 1 || digits > 9) return std::nullopt;
    const int seconds = digitsAt(body, userEnd + 1, digits);
    if (seconds < 0) return std::nullopt;

    CallRecord call;
    call.LoginName = body.sliced(16, userEnd - 16).toString();
    call.CallDate = date;
    call.CallTime = time;
    call.CallDuration = seconds;
    return call;
}

std::optional<CallRecord> CallFromExactName(QStringView fileName) {
    if (!fileName.endsWith(u".wav") || fileName.count(u'-') != 3) return std::nullopt;
    auto call = CallFromCommonName(fileName);
    if (!call || call->LoginName.isEmpty()) return std::nullopt;
    return call;
}

QString NotePath(const QString& recordingPath) {
    // Only the file's own name: the note must be found where WriteCallNote puts it, beside the
    // recording, also in a folder whose name holds ".wav".
    const qsizetype cut = recordingPath.lastIndexOf('/') + 1;
    return recordingPath.left(cut) +
           recordingPath.mid(cut).replace(".wav", ".txt", Qt::CaseSensitive);
}

}  // namespace parlaro

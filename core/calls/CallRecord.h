// One call of the library: read from a recording's file name and note, or built by the
// recording side for the call just made.
#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QTime>

#include <cstdint>
#include <optional>

namespace parlaro {

struct CallRecord {
    int32_t iCall = 0;  // number within the collection; its key is "#" + number + "#"
    QString LoginName;
    QDate CallDate;
    QTime CallTime;
    int32_t CallDuration = 0;  // seconds
    QString CallNote;
    QString RecordingLocation;  // full path of the recording
    // The path as the file system spells it, where that is not UTF-8 (RecordingLocation then
    // holds U+FFFD for what it cannot spell); empty otherwise.
    QByteArray recordingBytes;
    // The note file is there but not read yet: the list reads notes only for the rows it shows
    // (callNote in the library reads it).
    bool noteDeferred = false;
};

// The date and time texts the library builds ("07-Dec-2026", "14:03:22"); nothing when the
// text is not a date or time.
std::optional<QDate> callDateFromText(const QString& text);
std::optional<QTime> callTimeFromText(const QString& text);

}  // namespace parlaro

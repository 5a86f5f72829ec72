// What saved copies and mailed attachments of calls are: the recording itself, or a copy in
// a format that phones and browsers play. Kept in the ShareFormat setting as 0, 1 or 2.
#pragma once

#include <QString>

#include <cstdint>

namespace parlaro {

enum class SendAs : int32_t { Original = 0, Opus = 1, Mp3 = 2 };

// A stored value that is none of the three counts as the default, Opus.
SendAs SendAsFromSetting(int32_t value);

// "Original", "Opus", "MP3".
QString SendAsName(SendAs format);

// The file name of a copy: the recording's own, with ".opus" or ".mp3" in place of its
// extension unless the original is sent.
QString SharedFileName(const QString& recording, SendAs format);

// What the Save As dialog offers: its filter and the extension it adds to a bare name.
struct SaveFileType {
    QString filter;
    QString suffix;
};
SaveFileType SaveFileTypeFor(SendAs format);

}  // namespace parlaro

// Retention: calls older than the kept number of days are deleted from the calls folder and
// the folders below it, each recording with its note (the note first), and each deletion is
// logged in a log of the user's alone. Only files named exactly as the recorder names calls are
// considered; nothing outside the folder is reached (the folders are walked by descriptors,
// links are neither followed nor deleted, a folder swapped for a link meanwhile leads nowhere)
// and no folder is removed.
#pragma once

#include <QDate>
#include <QString>

#include <vector>

namespace mover {

struct RetentionOutcome {
    std::vector<QString> deleted;  // recordings and notes, in the order they went
    std::vector<QString> failed;   // with the reason
};

// Calls dated more than keepDays before `today` go; keepDays of 0 or less keeps everything.
// Each deletion is appended to `logPath` (when not empty) with the time it happened.
RetentionOutcome ApplyRetention(const QString& callsFolder, int keepDays, const QDate& today,
                                const QString& logPath);

}  // namespace mover

#include "app/recording/CallRecovery.h"

#include "app/library/CallFiles.h"
#include "app/recording/StatusDisplay.h"

#include <QDir>
#include <QRegularExpression>

#include <cmath>

namespace parlaro {

bool isUnfinishedCallName(const QString& fileName) {
    static const QRegularExpression pattern(QStringLiteral("^(\\d{8})-(\\d{6})-([^-/]+)\\.wav$"),
                                            QRegularExpression::CaseInsensitiveOption);
    const auto m = pattern.match(fileName);
    if (!m.hasMatch()) return false;
    return QDate::fromString(m.captured(1), "yyyyMMdd").isValid() &&
           QTime::fromString(m.captured(2), "HHmmss").isValid();
}

RecoveryOutcome RecoverInterruptedCalls(Recorder& recorder, const QString& tempFolder,
                                        const QString& callPath, Prompter& prompter) {
    RecoveryOutcome outcome;
    const QStringList names = QDir(tempFolder).entryList(QDir::Files, QDir::Name);
    for (const QString& name : names) {
        if (!isUnfinishedCallName(name)) continue;
        const QString path = tempFolder + name;
        recorder.Reset();
        // Opening reads what reached the disk; closing finishes the header.
        if (recorder.OpenExistingOrNewFile(path) != 0 ||
            recorder.Status() != RecorderStatus::FileOpen) {
            recorder.LastError();
            recorder.Reset();
            outcome.damaged << name;
            continue;
        }
        const double total = recorder.TotalTime();
        const int32_t seconds =
            std::isfinite(total) && total > 0 ? static_cast<int32_t>(std::nearbyint(total)) : 0;
        recorder.Reset();
        QString finished = name;
        finished.replace(QRegularExpression("\\.wav$", QRegularExpression::CaseInsensitiveOption),
                         "-" + QString::number(seconds) + ".wav");
        if (QFile::exists(tempFolder + finished) || !QFile::rename(path, tempFolder + finished)) {
            outcome.damaged << name;
            continue;
        }
        CallRecord call;
        call.RecordingLocation = finished;
        call.CallNote = kRecoveredNote;
        QDir().mkpath(callPath);
        WriteCallNote(call, callPath, prompter);
        outcome.recovered << finished;
    }
    if (!outcome.damaged.isEmpty()) {
        prompter.show({kProductName,
                       "These recordings of calls interrupted when " + kProductName +
                           " ended could not be recovered and were left in " + tempFolder + ":\n" +
                           outcome.damaged.join("\n"),
                       Icon::Exclamation, Buttons::Ok});
    }
    return outcome;
}

}  // namespace parlaro

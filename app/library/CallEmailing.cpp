#include "app/library/CallEmailing.h"

#include "app/library/CallFiles.h"

#include <QFileInfo>

#include <cmath>

namespace parlaro {

namespace {

const QString kSubject = QStringLiteral("Parlaro Telephone Call Recording");
const QString kMailErrorTitle = QStringLiteral("Email Error");

}  // namespace

int64_t addKilobytes(int64_t totalKilobytes, int64_t fileBytes) {
    return static_cast<int64_t>(std::nearbyint(static_cast<double>(totalKilobytes) +
                                               static_cast<double>(fileBytes) / 1024));
}

QString MailSizeText(int64_t kilobytes) {
    return QString::number(static_cast<double>(kilobytes) / 1024, 'f', 2) + " Mb";
}

std::optional<Message> LargeEmailWarning(int64_t kilobytes, bool anyPcm) {
    const QString size = MailSizeText(kilobytes);
    if (!anyPcm && kilobytes >= 1001) {
        return Message{"Large Email Warning",
                       "EMail exceeds 1Mb (Actual size: " + size +
                           ")\nEnsure the recipient can accept large emails.\n\nSend anyway?",
                       Icon::Question, Buttons::YesNo};
    }
    if (anyPcm && kilobytes >= 1025) {
        return Message{"Large Email Warning",
                       "EMail exceeds 1Mb (Actual size: " + size +
                           ") & contains PCM files\nYou may wish to use a zip program to "
                           "compress the files before sending.\n\nSend anyway?",
                       Icon::Question, Buttons::YesNo};
    }
    return std::nullopt;
}

bool CallEmailing::isPcm(const QString& recording) {
    // Opening a path that is not there would create it.
    if (!QFileInfo(recording).isFile()) return false;
    player_.Reset();
    player_.setPlayOnly(true);
    const QString ending = recording.right(3).toLower();
    if (ending == "wav") player_.setDataOnly(0);
    if (ending == "mp3") player_.setDataOnly(2);
    if (player_.OpenExistingOrNewFile(recording) != 0) {
        player_.LastError();
        return false;
    }
    const QString format = player_.GetCurrentFormatAsString();
    player_.Reset();
    return format.toUpper().contains("PCM");
}

mail::Message CallEmailing::compose(const std::vector<QString>& recordings) {
    mail::Message message{kSubject, kSubject, {}};
    for (const QString& recording : recordings) {
        QString note = getCallNote(recording, prompter_);
        if (note.isEmpty()) note = "<no note>";
        message.body += "\n\n" + QFileInfo(recording).fileName() + "\nNote: " + note;
        message.attachments << recording;
    }
    return message;
}

void CallEmailing::EmailCalls(const std::vector<QString>& recordings) {
    if (recordings.empty()) return;
    if (stopPlayback_) stopPlayback_();
    int64_t kilobytes = 0;
    bool anyPcm = false;
    for (const QString& recording : recordings) {
        kilobytes = addKilobytes(kilobytes, QFileInfo(recording).size());
        anyPcm = isPcm(recording) || anyPcm;
    }
    if (const auto warning = LargeEmailWarning(kilobytes, anyPcm)) {
        if (prompter_.show(*warning) != Answer::Yes) return;
    }

    const OperationRunning running(view_, MainButton::Email, false);
    player_.Stop();
    const mail::Result result = mailer_.send(compose(recordings));
    if (result.ok()) return;
    const QString lead = result.failure == mail::Failure::Starting
                             ? "Error Starting Email Session - "
                             : "Error Sending Email - ";
    prompter_.show({kMailErrorTitle, lead + result.description, Icon::Exclamation, Buttons::Ok});
}

}  // namespace parlaro

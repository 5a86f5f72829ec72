#include "app/library/sharing/CallEmailing.h"

#include "app/library/sharing/CallConversion.h"
#include "app/recording/StatusDisplay.h"
#include "core/calls/CallFiles.h"

#include <QDir>
#include <QFileInfo>

#include <cmath>
#include <set>

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

std::vector<CallEmailing::Attachment> CallEmailing::convert(const std::vector<QString>& recordings,
                                                            SendAs format, const QString& folder) {
    const OperationRunning running(view_, MainButton::Email, true);
    std::vector<Attachment> attached;
    std::set<QString> names;
    for (const QString& recording : recordings) {
        // Calls of the same name from different folders each keep their name, one folder down.
        const QString name = SharedFileName(recording, format);
        QString into = folder;
        for (int n = 2; !names.insert(into + "/" + name).second; ++n) {
            into = folder + "/" + QString::number(n);
            QDir().mkpath(into);
        }
        const QString file = into + "/" + name;
        if (const auto failure = ShareCallFile(recording, file, format)) {
            prompter_.show({kProductName, *failure + "\nThe call is left out of the mail.",
                            Icon::Exclamation, Buttons::Ok});
            continue;
        }
        attached.push_back({recording, file});
    }
    return attached;
}

mail::Message CallEmailing::compose(const std::vector<Attachment>& attached) {
    mail::Message message{kSubject, kSubject, {}};
    for (const Attachment& a : attached) {
        QString note = getCallNote(a.recording, prompter_);
        if (note.isEmpty()) note = "<no note>";
        message.body += "\n\n" + QFileInfo(a.file).fileName() + "\nNote: " + note;
        message.attachments << a.file;
    }
    return message;
}

void CallEmailing::EmailCalls(const std::vector<QString>& recordings, SendAs format) {
    if (recordings.empty()) return;
    if (stopPlayback_) stopPlayback_();
    std::vector<Attachment> attached;
    QString folder;
    if (format == SendAs::Original) {
        for (const QString& recording : recordings)
            attached.push_back({recording, recording});
    } else {
        folder = attachments_.newFolder();
        if (folder.isEmpty()) {
            prompter_.show(
                {kMailErrorTitle,
                 "Could not make a private folder for the converted calls in " + QDir::tempPath(),
                 Icon::Exclamation, Buttons::Ok});
            return;
        }
        attached = convert(recordings, format, folder);
    }
    // Whatever does not reach a mail client goes at once.
    const auto giveUp = [&] {
        if (!folder.isEmpty()) attachments_.discard(folder);
    };
    if (attached.empty()) {
        giveUp();
        return;
    }

    int64_t kilobytes = 0;
    bool anyPcm = false;
    for (const Attachment& a : attached) {
        kilobytes = addKilobytes(kilobytes, QFileInfo(a.file).size());
        // Converted copies are compressed already.
        if (format == SendAs::Original) anyPcm = isPcm(a.file) || anyPcm;
    }
    if (const auto warning = LargeEmailWarning(kilobytes, anyPcm)) {
        if (prompter_.show(*warning) != Answer::Yes) {
            giveUp();
            return;
        }
    }

    const OperationRunning running(view_, MainButton::Email, false);
    player_.Stop();
    const mail::Result result = mailer_.send(compose(attached));
    if (result.ok()) return;
    giveUp();
    const QString lead = result.failure == mail::Failure::Starting
                             ? "Error Starting Email Session - "
                             : "Error Sending Email - ";
    prompter_.show({kMailErrorTitle, lead + result.description, Icon::Exclamation, Buttons::Ok});
}

}  // namespace parlaro

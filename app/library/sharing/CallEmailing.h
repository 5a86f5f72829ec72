// E-mailing the selected calls: the recordings, or copies converted to Opus or MP3 in a
// private folder; the size of what would be attached and the warnings about large mails;
// then one message with a line and the note of each call in its body and the files attached,
// handed to the desktop's mail client.
#pragma once

#include "app/library/sharing/CallOperationsView.h"
#include "app/library/sharing/MailAttachments.h"
#include "app/library/sharing/SendAs.h"
#include "app/recording/Recorder.h"
#include "app/support/Mailer.h"
#include "services/prompts/Prompter.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace parlaro {

// The running total in kilobytes: each file's bytes / 1024 are added and the total is
// rounded to a whole number after each file.
int64_t addKilobytes(int64_t totalKilobytes, int64_t fileBytes);

// "1.17 Mb" for 1200 kilobytes.
QString MailSizeText(int64_t kilobytes);

// The question asked before a large mail goes, or nothing when it may go without one.
// Compressed calls are warned about above 1000 kilobytes; PCM ones, which a zip program
// could shrink, above 1024.
std::optional<Message> LargeEmailWarning(int64_t kilobytes, bool anyPcm);

class CallEmailing {
  public:
    // `stopPlayback` ends playback when a call plays: the player is needed to look at the
    // recordings' formats. Converted copies go to folders of `attachments`.
    CallEmailing(Recorder& player, Prompter& prompter, Mailer& mailer, CallOperationsView& view,
                 MailAttachments& attachments, std::function<void()> stopPlayback)
        : player_(player),
          prompter_(prompter),
          mailer_(mailer),
          view_(view),
          attachments_(attachments),
          stopPlayback_(std::move(stopPlayback)) {}

    // cmdEmail and "Email Call/s": the recordings of the selected rows, in list order, sent as
    // `format`. A call that cannot be converted is told about and left out of the mail.
    void EmailCalls(const std::vector<QString>& recordings, SendAs format);

  private:
    struct Attachment {
        QString recording;
        QString file;  // what is attached: the recording or its converted copy
    };

    bool isPcm(const QString& recording);
    std::vector<Attachment> convert(const std::vector<QString>& recordings, SendAs format,
                                    const QString& folder);
    mail::Message compose(const std::vector<Attachment>& attached);

    Recorder& player_;
    Prompter& prompter_;
    Mailer& mailer_;
    CallOperationsView& view_;
    MailAttachments& attachments_;
    std::function<void()> stopPlayback_;
};

}  // namespace parlaro

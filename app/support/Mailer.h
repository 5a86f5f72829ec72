// Handing a message with attachments to the desktop's mail client. The window's is
// DesktopMailer (services/mail); tests fake it.
#pragma once

#include "services/mail/MailClient.h"

namespace parlaro {

class Mailer {
  public:
    virtual ~Mailer() = default;
    virtual mail::Result send(const mail::Message& message) = 0;
};

class DesktopMailer final : public Mailer {
  public:
    mail::Result send(const mail::Message& message) override { return mail::compose(message); }
};

}  // namespace parlaro

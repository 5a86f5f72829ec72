// Private folders (mode 0700, under $TMPDIR) for the converted copies of calls handed to the
// mail client. A client may read its attachments only when the message is finally sent, long
// after xdg-email has returned, so every folder of a mail that reached a client is kept until
// the program ends; one whose mail never got there goes at once.
#pragma once

#include <QString>
#include <QTemporaryDir>

#include <memory>
#include <vector>

namespace parlaro {

class MailAttachments {
  public:
    // A new, empty private folder; "" when none can be made.
    QString newFolder();
    // Removes a folder made here, with what it holds.
    void discard(const QString& folder);
    // The folders still kept.
    std::vector<QString> folders() const;

  private:
    std::vector<std::unique_ptr<QTemporaryDir>> folders_;
};

}  // namespace parlaro

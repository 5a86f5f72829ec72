// Where the control's Qt pages send the message boxes they show. A host passes the Qt
// message boxes (QtMessageSink) or its own prompter; tests pass one that records, since a
// modal box would wait forever without a person to close it.
#pragma once

#include <QString>

namespace aurxqt {

enum class MessageIcon { Information, Warning, Critical };

struct BoxMessage {
    QString title;
    QString text;
    MessageIcon icon = MessageIcon::Warning;
};

class MessageSink {
  public:
    virtual ~MessageSink() = default;
    // Returns once the box has been seen (it only has an OK button).
    virtual void show(const BoxMessage& message) = 0;
};

}  // namespace aurxqt

// Message boxes. Every box the program shows goes through a Prompter: Qt boxes for people, a
// scripted one in tests, and an unattended one that prints each box and answers it with its
// default button.
#pragma once

#include <QString>

namespace parlaro {

enum class Icon { None, Information, Exclamation, Critical, Question };
enum class Buttons { Ok, OkCancel, YesNo };
enum class Answer { Ok, Cancel, Yes, No };

struct Message {
    QString title;
    QString text;
    Icon icon = Icon::None;
    Buttons buttons = Buttons::Ok;
    // Enter, Space and an unattended run choose the second button (Cancel, No): for a box
    // whose first answer throws something away.
    bool secondIsDefault = false;
    // The first button unless said otherwise.
    Answer defaultAnswer() const {
        if (secondIsDefault && buttons != Buttons::Ok) return cancellingAnswer();
        return buttons == Buttons::YesNo ? Answer::Yes : Answer::Ok;
    }
    // The answer of a box closed without a choice (Escape, the close box).
    Answer cancellingAnswer() const {
        switch (buttons) {
            case Buttons::Ok:
                return Answer::Ok;
            case Buttons::OkCancel:
                return Answer::Cancel;
            case Buttons::YesNo:
                return Answer::No;
        }
        return Answer::Cancel;
    }
};

class Prompter {
  public:
    virtual ~Prompter() = default;
    virtual Answer show(const Message& message) = 0;
};

}  // namespace parlaro

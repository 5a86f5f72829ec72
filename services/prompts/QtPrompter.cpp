#include "services/prompts/QtPrompter.h"

#include "services/prompts/UnattendedPrompter.h"

#include <QMessageBox>

namespace parlaro {

namespace {

QMessageBox::Icon qtIcon(Icon icon) {
    switch (icon) {
        case Icon::Information:
            return QMessageBox::Information;
        case Icon::Exclamation:
            return QMessageBox::Warning;
        case Icon::Critical:
            return QMessageBox::Critical;
        case Icon::Question:
            return QMessageBox::Question;
        case Icon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

Answer QtPrompter::show(const Message& message) {
    QMessageBox box(qtIcon(message.icon), message.title, message.text, QMessageBox::NoButton,
                    parent_.data());
    switch (message.buttons) {
        case Buttons::Ok:
            box.setStandardButtons(QMessageBox::Ok);
            break;
        case Buttons::OkCancel:
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            break;
        case Buttons::YesNo:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            break;
    }
    switch (message.defaultAnswer()) {
        case Answer::Ok:
            box.setDefaultButton(QMessageBox::Ok);
            break;
        case Answer::Cancel:
            box.setDefaultButton(QMessageBox::Cancel);
            break;
        case Answer::Yes:
            box.setDefaultButton(QMessageBox::Yes);
            break;
        case Answer::No:
            box.setDefaultButton(QMessageBox::No);
            break;
    }
    switch (box.exec()) {
        case QMessageBox::Cancel:
            return Answer::Cancel;
        case QMessageBox::Yes:
            return Answer::Yes;
        case QMessageBox::No:
            return Answer::No;
        case QMessageBox::Ok:
            return Answer::Ok;
        default:
            break;
    }
    // Closed with Escape or the close box.
    return message.cancellingAnswer();
}

std::unique_ptr<Prompter> makePrompter() {
    if (UnattendedPrompter::requested()) return std::make_unique<UnattendedPrompter>();
    return std::make_unique<QtPrompter>();
}

}  // namespace parlaro

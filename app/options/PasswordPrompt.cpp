#include "app/options/PasswordPrompt.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace parlaro {

PasswordPrompt::PasswordPrompt(QWidget* owner, SettingsAccess& settings, Prompter& prompter)
    : QDialog(owner), check_(settings, prompter) {
    setObjectName("dlgPW");
    setWindowTitle(kPasswordPromptTitle);
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(kPasswordPromptText, this);
    label->setObjectName("lblPassword");
    layout->addWidget(label);
    passwordBox_ = new QLineEdit(this);
    passwordBox_->setObjectName("txtPassword");
    passwordBox_->setEchoMode(QLineEdit::Password);
    label->setBuddy(passwordBox_);
    layout->addWidget(passwordBox_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName("cmdOK");
    buttons->button(QDialogButtonBox::Cancel)->setObjectName("cmdCancel");
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &PasswordPrompt::tryAccept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void PasswordPrompt::tryAccept() {
    if (check_.onOk(passwordBox_->text())) {
        accept();
        return;
    }
    passwordBox_->setFocus();
    passwordBox_->selectAll();
}

}  // namespace parlaro

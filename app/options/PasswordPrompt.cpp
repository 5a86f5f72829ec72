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
    txtPassword_ = new QLineEdit(this);
    txtPassword_->setObjectName("txtPassword");
    txtPassword_->setEchoMode(QLineEdit::Password);
    label->setBuddy(txtPassword_);
    layout->addWidget(txtPassword_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName("cmdOK");
    buttons->button(QDialogButtonBox::Cancel)->setObjectName("cmdCancel");
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &PasswordPrompt::tryAccept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void PasswordPrompt::tryAccept() {
    if (check_.onOk(txtPassword_->text())) {
        accept();
        return;
    }
    txtPassword_->setFocus();
    txtPassword_->selectAll();
}

}  // namespace parlaro

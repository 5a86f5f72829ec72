#include "app/options/ChangePasswordDialog.h"

#include "core/cipher/PasswordCipher.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace parlaro {

ChangePasswordDialog::ChangePasswordDialog(QWidget* owner, AppSettings& settings,
                                           SettingsAccess& access, Prompter& prompter)
    : QDialog(owner), change_(settings, access, prompter) {
    setObjectName("dlgChangePW");
    setWindowTitle("Change Options Password");
    auto* layout = new QVBoxLayout(this);
    form_ = new QFormLayout;
    layout->addLayout(form_);
    currentBox_ = addPasswordBox("txtCurrent", "lblCurrent", "&Current password:");
    newBox_ = addPasswordBox("txtNew", "lblNew", "&New password:");
    confirmBox_ = addPasswordBox("txtConfirm", "lblConfirm", "C&onfirm new password:");
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName("cmdOK");
    buttons->button(QDialogButtonBox::Cancel)->setObjectName("cmdCancel");
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &ChangePasswordDialog::tryAccept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    if (!change_.load()) {
        currentBox_->setEnabled(false);
        findChild<QLabel*>("lblCurrent")->setEnabled(false);
        newBox_->setFocus();
    }
}

QLineEdit* ChangePasswordDialog::addPasswordBox(const QString& name, const QString& labelName,
                                                const QString& label) {
    auto* box = new QLineEdit(this);
    box->setObjectName(name);
    box->setEchoMode(QLineEdit::Password);
    // Characters, not bytes: the change itself refuses a password too long in UTF-8.
    box->setMaxLength(static_cast<int>(kMaxPasswordBytes));
    auto* text = new QLabel(label, this);
    text->setObjectName(labelName);
    text->setBuddy(box);
    form_->addRow(text, box);
    return box;
}

void ChangePasswordDialog::tryAccept() {
    QLineEdit* focus = nullptr;
    switch (change_.onOk(currentBox_->text(), newBox_->text(), confirmBox_->text())) {
        case PasswordChange::Outcome::Changed:
            accept();
            return;
        case PasswordChange::Outcome::FocusCurrent:
            focus = currentBox_;
            break;
        case PasswordChange::Outcome::FocusNew:
            focus = newBox_;
            break;
        case PasswordChange::Outcome::Stay:
            return;
    }
    focus->setFocus();
    focus->selectAll();
}

}  // namespace parlaro

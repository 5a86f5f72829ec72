// The password change dialog (dlgChangePW): the current password (only when one is set), the
// new one and its confirmation. OK saves through PasswordChange or puts the focus where the
// fault is; Cancel changes nothing.
#pragma once

#include "app/options/PasswordChange.h"

#include <QDialog>

class QFormLayout;
class QLineEdit;

namespace parlaro {

class ChangePasswordDialog final : public QDialog {
    Q_OBJECT
  public:
    ChangePasswordDialog(QWidget* owner, AppSettings& settings, SettingsAccess& access,
                         Prompter& prompter);

    QLineEdit* currentBox() const { return currentBox_; }
    QLineEdit* newBox() const { return newBox_; }
    QLineEdit* confirmBox() const { return confirmBox_; }
    void tryAccept();

  private:
    QLineEdit* addPasswordBox(const QString& name, const QString& labelName, const QString& label);

    PasswordChange change_;
    QFormLayout* form_ = nullptr;
    QLineEdit* currentBox_ = nullptr;
    QLineEdit* newBox_ = nullptr;
    QLineEdit* confirmBox_ = nullptr;
};

}  // namespace parlaro

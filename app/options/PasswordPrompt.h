// The options password prompt (dlgPW): one password box, OK and Cancel. OK with a wrong
// password tells so and keeps the prompt open with the box's text selected; the prompt is
// accepted only with the right one.
#pragma once

#include "app/options/PasswordCheck.h"

#include <QDialog>

class QLineEdit;

namespace parlaro {

class PasswordPrompt final : public QDialog {
    Q_OBJECT
  public:
    PasswordPrompt(QWidget* owner, SettingsAccess& settings, Prompter& prompter);

    QLineEdit* passwordBox() const { return passwordBox_; }
    void tryAccept();

  private:
    PasswordCheck check_;
    QLineEdit* passwordBox_ = nullptr;
};

}  // namespace parlaro

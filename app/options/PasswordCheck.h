// What the options password prompt decides: the typed password against `PW` as the store holds
// it now. A wrong one is told and the prompt stays; there is no limit on attempts.
#pragma once

#include "core/settings/SettingsAccess.h"
#include "services/prompts/Prompter.h"

namespace parlaro {

inline const QString kPasswordPromptTitle = QStringLiteral("Login");
inline const QString kPasswordPromptText = QStringLiteral("Enter the options password:");

class PasswordCheck {
  public:
    PasswordCheck(SettingsAccess& settings, Prompter& prompter)
        : settings_(settings), prompter_(prompter) {}

    // Whether the options are protected: `PW` as the store holds it now is not empty.
    bool passwordSet();
    // OK with the typed password: true when it is accepted; otherwise "Invalid Password, try
    // again!" has been shown and the prompt should stay open.
    bool onOk(const QString& typed);

  private:
    SettingsAccess& settings_;
    Prompter& prompter_;
};

}  // namespace parlaro

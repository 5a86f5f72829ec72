// What the password change dialog decides: the current password must match `PW`, the new one
// be typed twice alike, and a blank one be confirmed; then `PW` holds the new password's
// ciphertext in both scopes and in memory.
#pragma once

#include "core/settings/AppSettings.h"
#include "core/settings/SettingsAccess.h"
#include "services/prompts/Prompter.h"

namespace parlaro {

class PasswordChange {
  public:
    // Where the dialog goes on after OK.
    enum class Outcome {
        Changed,       // saved and told; the dialog closes
        FocusCurrent,  // the current password does not match
        FocusNew,      // the new password is not usable (typed differently, too long)
        Stay,          // a blank password not wanted, or an error told
    };

    PasswordChange(AppSettings& settings, SettingsAccess& access, Prompter& prompter)
        : settings_(settings), access_(access), prompter_(prompter) {}

    // As the dialog loads: `PW` as the store holds it now (kept in memory too), and whether the
    // current password is asked for, which it is only when one is set.
    bool load();

    Outcome onOk(const QString& current, const QString& newPassword, const QString& confirm);

  private:
    Outcome change(const QString& current, const QString& newPassword, const QString& confirm);

    AppSettings& settings_;
    SettingsAccess& access_;
    Prompter& prompter_;
};

// Clears the password in both scopes and in memory.
void ClearOptionsPassword(AppSettings& settings, SettingsAccess& access);

}  // namespace parlaro

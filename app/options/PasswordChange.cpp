#include "app/options/PasswordChange.h"

#include "app/recording/StatusDisplay.h"
#include "core/cipher/PasswordCipher.h"
#include "core/support/AppError.h"

namespace parlaro {

bool PasswordChange::load() {
    settings_.PW = access_.ReadSetting("PW", "");
    return !settings_.PW.isEmpty();
}

PasswordChange::Outcome PasswordChange::onOk(const QString& current, const QString& newPassword,
                                             const QString& confirm) {
    try {
        return change(current, newPassword, confirm);
    } catch (const std::exception& e) {
        prompter_.show({kProductName,
                        "There was an error processing the password change.  Windows reported: " +
                            QString::number(errorNumber(e)) + ", " + errorDescription(e),
                        Icon::Exclamation, Buttons::Ok});
        return Outcome::Stay;
    }
}

PasswordChange::Outcome PasswordChange::change(const QString& current, const QString& newPassword,
                                               const QString& confirm) {
    // A stored value that does not decipher is told as an error, not as a mismatch, so the user
    // learns that no typed password can match it.
    const QByteArray stored = DecipherPassword(access_.ReadSetting("PW", ""));
    if (!ConstantTimeEquals(stored, current.toUtf8())) {
        prompter_.show(
            {kProductName, "Current Password does not match", Icon::Exclamation, Buttons::Ok});
        return Outcome::FocusCurrent;
    }
    if (newPassword != confirm) {
        prompter_.show({kProductName,
                        "The passwords you typed do not match.  Type the same password in both "
                        "boxes.",
                        Icon::Exclamation, Buttons::Ok});
        return Outcome::FocusNew;
    }
    // A longer one would be cut when read back and then match nothing.
    if (newPassword.toUtf8().size() > kMaxPasswordBytes) {
        prompter_.show({kProductName,
                        "The password is too long. Use at most " +
                            QString::number(kMaxPasswordBytes) + " letters.",
                        Icon::Exclamation, Buttons::Ok});
        return Outcome::FocusNew;
    }
    if (newPassword.isEmpty() &&
        prompter_.show({kProductName, "Are you sure you want a blank password?", Icon::Question,
                        Buttons::YesNo}) != Answer::Yes) {
        return Outcome::Stay;
    }
    const QString enciphered = EncipherPassword(newPassword);
    access_.WriteSetting("PW", enciphered);
    settings_.PW = enciphered;
    prompter_.show({kProductName, "Password changed", Icon::Information, Buttons::Ok});
    return Outcome::Changed;
}

void ClearOptionsPassword(AppSettings& settings, SettingsAccess& access) {
    access.WriteSetting("PW", "");
    settings.PW.clear();
}

}  // namespace parlaro

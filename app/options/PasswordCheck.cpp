#include "app/options/PasswordCheck.h"

#include "core/cipher/PasswordCipher.h"

namespace parlaro {

bool PasswordCheck::passwordSet() {
    return !settings_.ReadSetting("PW", "").isEmpty();
}

bool PasswordCheck::onOk(const QString& typed) {
    // Read afresh: another instance, or an administrator with parlaro-reg, may have changed it.
    if (PasswordMatches(settings_.ReadSetting("PW", ""), typed)) return true;
    prompter_.show({"Login", "Invalid Password, try again!", Icon::None, Buttons::Ok});
    return false;
}

}  // namespace parlaro

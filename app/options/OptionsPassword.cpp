#include "app/options/OptionsPassword.h"

#include "app/options/ChangePasswordDialog.h"
#include "app/options/PasswordPrompt.h"
#include "app/recording/StatusDisplay.h"
#include "services/prompts/UnattendedPrompter.h"

namespace parlaro {

bool askOptionsPassword(QWidget* parent, SettingsAccess& access, Prompter& prompter) {
    PasswordCheck check(access, prompter);
    if (!check.passwordSet()) return true;
    if (UnattendedPrompter::requested()) {
        if (prompter.show({kPasswordPromptTitle, kPasswordPromptText, Icon::None,
                           Buttons::OkCancel}) != Answer::Ok) {
            return false;
        }
        // One try with what was typed, which is nothing; the prompt cannot stay open for
        // another.
        return check.onOk(QString());
    }
    PasswordPrompt prompt(parent, access, prompter);
    return prompt.exec() == QDialog::Accepted;
}

bool changeOptionsPassword(QWidget* parent, AppSettings& settings, SettingsAccess& access,
                           Prompter& prompter) {
    if (UnattendedPrompter::requested()) {
        prompter.show({"Change Options Password",
                       "The options password can be changed only by someone at the screen.",
                       Icon::None, Buttons::Ok});
    } else {
        ChangePasswordDialog dialog(parent, settings, access, prompter);
        dialog.exec();
    }
    return !settings.PW.isEmpty();
}

bool offerToClearOptionsPassword(AppSettings& settings, SettingsAccess& access,
                                 Prompter& prompter) {
    if (prompter.show({kProductName, "Clear Options Password?", Icon::Question, Buttons::YesNo}) ==
        Answer::Yes) {
        ClearOptionsPassword(settings, access);
    }
    return !settings.PW.isEmpty();
}

}  // namespace parlaro

// The options password as the main window and the options dialog use it.
//
// Unattended (PARLARO_UNATTENDED=1) nobody can type a password: the prompt is written as its
// "PARLARO-MESSAGE [Login] ..." line and answered with OK on an empty box, so only a blank
// password lets the options open; the change dialog is written as a line and changes nothing.
// The lines never hold a password.
#pragma once

#include "core/settings/AppSettings.h"
#include "core/settings/SettingsAccess.h"
#include "services/prompts/Prompter.h"

class QWidget;

namespace parlaro {

// Before the options open: true when no password is set or the prompt accepted it; false when
// the prompt was cancelled.
bool askOptionsPassword(QWidget* parent, SettingsAccess& access, Prompter& prompter);

// The options dialog's btnPW, and chkPassword when it is checked: the password change dialog.
// Returns whether a password is set afterwards (what chkPassword should show).
bool changeOptionsPassword(QWidget* parent, AppSettings& settings, SettingsAccess& access,
                           Prompter& prompter);

// The options dialog's chkPassword when it is cleared: asks "Clear Options Password?"; Yes
// clears it in both scopes and in memory. Returns whether a password is set afterwards.
bool offerToClearOptionsPassword(AppSettings& settings, SettingsAccess& access, Prompter& prompter);

}  // namespace parlaro

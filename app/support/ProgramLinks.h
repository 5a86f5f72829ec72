// The two ways out of the main window to documents: the Help button opens the user manual and
// the logo opens the program's web page, each in the desktop's browser.
#pragma once

#include "app/support/UrlOpener.h"
#include "services/prompts/Prompter.h"

#include <QString>

namespace parlaro {

// The program's web page, the logo's tooltip.
inline const QString kProgramWebPage = QStringLiteral("https://parlaro.example.org/");

// The Help button: opens the manual of the program in `programFolder` (installed beside it, or
// in `sourceHelpFolder` when that is given). A manual that is missing or that the desktop
// cannot show is told through `prompter`. True when opened.
bool ShowHelp(const QString& programFolder, const QString& sourceHelpFolder, UrlOpener& opener,
              Prompter& prompter);

// A click on the logo: opens the address its tooltip holds; an empty tooltip does nothing.
// True when an address was handed over.
bool OpenLogoLink(const QString& tooltip, UrlOpener& opener);

}  // namespace parlaro

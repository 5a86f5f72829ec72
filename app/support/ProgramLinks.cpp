#include "app/support/ProgramLinks.h"

#include "app/recording/StatusDisplay.h"
#include "app/support/HelpLocation.h"

namespace parlaro {

bool ShowHelp(const QString& programFolder, const QString& sourceHelpFolder, UrlOpener& opener,
              Prompter& prompter) {
    const QString helpIndex = FindHelpIndex(programFolder, sourceHelpFolder);
    if (helpIndex.isEmpty()) {
        prompter.show({kProductName,
                       QString("The Parlaro manual could not be found. It belongs in %1; "
                               "install Parlaro again to bring it back.")
                           .arg(InstalledHelpIndex(programFolder)),
                       Icon::Exclamation, Buttons::Ok});
        return false;
    }
    if (opener.open(QUrl::fromLocalFile(helpIndex))) return true;
    // The page is there, only no browser took it: say where it is so it can be opened by hand.
    prompter.show({kProductName,
                   QString("The Parlaro manual could not be shown: the desktop has no program "
                           "to open it. Open %1 in a web browser.")
                       .arg(helpIndex),
                   Icon::Exclamation, Buttons::Ok});
    return false;
}

bool OpenLogoLink(const QString& tooltip, UrlOpener& opener) {
    const QString address = tooltip.trimmed();
    if (address.isEmpty()) return false;
    return opener.open(QUrl(address));
}

}  // namespace parlaro

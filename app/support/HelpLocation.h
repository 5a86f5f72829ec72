// Where the user manual is: installed beside the program as <prefix>/share/parlaro/help, or,
// for a program run from its build tree, the source tree's docs/help.
#pragma once

#include <QString>

namespace parlaro {

// The manual's start page as it is installed for a program in `programFolder`.
QString InstalledHelpIndex(const QString& programFolder);

// The source tree's docs/help, for a program in `programFolder` that runs from the build tree
// it was built in; empty for an installed program.
QString SourceHelpFolder(const QString& programFolder);

// The first start page that exists: the installed one, then the one in `sourceHelpFolder`.
// Empty when neither is there.
QString FindHelpIndex(const QString& programFolder, const QString& sourceHelpFolder);

}  // namespace parlaro

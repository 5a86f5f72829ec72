// The window's ways to documents: the Help button opens the manual (also on F1), the logo the
// program's web page.
#pragma once

#include "app/support/UrlOpener.h"
#include "services/prompts/Prompter.h"

class QPushButton;
class QToolButton;
class QWidget;

namespace parlaro {

QPushButton* makeHelpButton(QWidget* parent, const QString& programFolder, UrlOpener& opener,
                            Prompter& prompter);
QToolButton* makeLogoButton(QWidget* parent, UrlOpener& opener);

}  // namespace parlaro

// The main window's ways to documents: the Help button opens the manual, the logo the
// program's web page.
#include "app/MainWindow.h"

#include "app/support/HelpLocation.h"
#include "app/support/ProgramLinks.h"

#include <QPushButton>
#include <QToolButton>

namespace parlaro {

QPushButton* MainWindow::buildHelpButton(QWidget* parent) {
    auto* help = new QPushButton("Help", parent);
    help->setObjectName("cmdHelp");
    help->setToolTip("Open the Parlaro manual (F1)");
    help->setAutoDefault(false);
    help->setShortcut(QKeySequence::HelpContents);
    connect(help, &QPushButton::clicked, this, [this] {
        ShowHelp(env_.programFolder, SourceHelpFolder(env_.programFolder), urlOpener_, prompter_);
    });
    return help;
}

QWidget* MainWindow::buildLogo(QWidget* parent) {
    // A picture that answers a click; a flat tool button gives it the pointer and the keyboard
    // focus a plain label lacks.
    auto* logo = new QToolButton(parent);
    logo->setObjectName("picLogo");
    logo->setIcon(programIcon());
    logo->setIconSize(QSize(32, 32));
    logo->setAutoRaise(true);
    logo->setCursor(Qt::PointingHandCursor);
    logo->setToolTip(kProgramWebPage);
    connect(logo, &QToolButton::clicked, this,
            [this, logo] { OpenLogoLink(logo->toolTip(), urlOpener_); });
    return logo;
}

}  // namespace parlaro

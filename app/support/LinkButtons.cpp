#include "app/support/LinkButtons.h"

#include "app/support/HelpLocation.h"
#include "app/support/ProgramIcon.h"
#include "app/support/ProgramLinks.h"

#include <QPushButton>
#include <QToolButton>

namespace parlaro {

QPushButton* makeHelpButton(QWidget* parent, const QString& programFolder, UrlOpener& opener,
                            Prompter& prompter) {
    auto* help = new QPushButton("Help", parent);
    help->setObjectName("cmdHelp");
    help->setToolTip("Open the Parlaro manual (F1)");
    help->setAutoDefault(false);
    help->setShortcut(QKeySequence::HelpContents);
    QObject::connect(help, &QPushButton::clicked, help, [programFolder, &opener, &prompter] {
        ShowHelp(programFolder, SourceHelpFolder(programFolder), opener, prompter);
    });
    return help;
}

QToolButton* makeLogoButton(QWidget* parent, UrlOpener& opener) {
    // A picture that answers a click; a flat tool button gives it the pointer and the keyboard
    // focus a plain label lacks.
    auto* logo = new QToolButton(parent);
    logo->setObjectName("picLogo");
    logo->setIcon(programIcon());
    logo->setIconSize(QSize(32, 32));
    logo->setAutoRaise(true);
    logo->setCursor(Qt::PointingHandCursor);
    logo->setToolTip(kProgramWebPage);
    QObject::connect(logo, &QToolButton::clicked, logo,
                     [logo, &opener] { OpenLogoLink(logo->toolTip(), opener); });
    return logo;
}

}  // namespace parlaro

// The New Folder box (dlgNewFolder): one name, fully selected when it opens; OK makes the
// folder or says why not and stays open.
#pragma once

#include "services/prompts/Prompter.h"

#include <QDialog>

class QLineEdit;

namespace parlaro {

class NewFolderDialog final : public QDialog {
    Q_OBJECT
  public:
    NewFolderDialog(QWidget* owner, QString parentFolder, Prompter& prompter);

    void tryAccept();

  private:
    QString parent_;
    Prompter& prompter_;
    QLineEdit* nameBox_ = nullptr;
};

}  // namespace parlaro
